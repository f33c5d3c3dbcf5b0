// shrinkwell-cli: compresses Flash movies from the command line.
#include <cstdio>
#include <string>

#include "cli/batch.h"
#include "cli/filewalk.h"
#include "cli/options.h"

int main(int argc, char** argv) {
    Tclioptions o;
    std::string error;
    if (!parseoptions(argc, argv, o, error)) {
        std::fprintf(stderr, "shrinkwell-cli: %s\nTry 'shrinkwell-cli --help' for more information.\n", error.c_str());
        return 2;
    }
    if (o.help) {
        std::fputs(usagetext().c_str(), stdout);
        return 0;
    }
    if (o.version) {
        std::printf("shrinkwell-cli %s\n", cliversion());
        return 0;
    }
    return runbatch(o, collectinputs(o.inputs));
}
