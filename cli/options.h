// Command-line options of shrinkwell-cli.
#pragma once
#include <string>
#include <vector>

#include "core/params.h"

struct Tclioptions {
    std::vector<std::string> inputs;  // files and directories, as given; "-" is standard input
    std::string outdir;               // empty: each output beside its source
    bool overwrite = false;
    bool dryrun = false;    // compress in scratch only, to report what would be saved
    bool inplace = false;   // replace each source when the result is smaller
    bool preserve = false;  // outputs keep the source's access and modification times
    std::string preset = "Best";
    Tparams params{};  // the preset with every option applied on top
    bool info = false;
    bool json = false;
    bool fast = false;
    bool lzma = false;
    bool allowlarger = false;
    bool salvage = false;
    bool quiet = false;
    bool verbose = false;
    bool help = false;
    bool version = false;
    int jobs = 1;
    std::string toolsdir = "/usr/bin/";  // prefix: always ends with '/'
    std::string tmpdir;                  // base scratch directory
};

// Fills o from argv[1..argc-1]. False with a one-line reason in error on a
// usage error. With --help or --version the inputs may be empty.
bool parseoptions(int argc, const char* const* argv, Tclioptions& o, std::string& error);

// $XDG_CACHE_HOME (or ~/.cache) + "/shrinkwell/temp".
std::string defaulttmpdir();

std::string usagetext();
const char* cliversion();
