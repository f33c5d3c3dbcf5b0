// The whole read-and-write path over one input: load, write with the engine
// defaults, read the output back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "pipeline/tagsmith.h"
#include "support/enginerun.h"

namespace {

swfb::Scratchdir& scratch() {
    static swfb::Scratchdir dir("fuzz_readwrite");
    return dir;
}

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz_readwrite: %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const swfb::Scratchdir& dir = scratch();
    const std::string in = dir.file("in.swf");
    const std::string out = dir.file("out.swf");
    const swfb::Bytes input(data, data + size);
    if (!swfb::writefile(in, input)) fail("cannot write the input file", in);
    Tparams params;
    paramssetdef(params);
    // No encoder lives there: sound and video fall back to what was read,
    // without spending each run on an outside program.
    // Most mutated inputs are damaged; salvaging them still runs every tag's writer.
    setsalvage(1);
    const swfb::EngineRun r = swfb::runengine(in, out, params, dir.file("notools/"), dir.path());
    if (std::string f = r.fault(); !f.empty()) fail("engine fault", f);
    if (swfb::readfile(in) != input) fail("the source file was modified", "");
    return 0;
}
