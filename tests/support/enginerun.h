// Drives a whole file through the engine's stages the way the desktop program does, for the fuzzer, the fuzz regression
// tests, the corpus test and the benchmarks.
#pragma once
#include <cstdint>
#include <string>

#include "core/params.h"
#include "support/swfbuilder.h"

namespace swfb {

struct EngineRun {
    bool loaded = false;    // two_readfile took the input
    bool written = false;   // dooptimize reported an output size
    bool outexists = false; // a file is at the output path
    bool reread = false;    // getflashhead and two_readfile accepted that file
    int tags = 0;           // tags of the input as loaded
    std::string error;      // lasterror() when a stage refused
    std::string rereaderror;
    // What broke the engine's promises (empty when nothing did): an output reported but unreadable or missing, a file
    // left behind after a refusal, a refusal without a reason.
    std::string fault() const;
};

// one_initdata .. appfina over `in`, writing `out` (a projector when the input was one); then the output, if any, is
// read back. toolsdir and tmpdir end with '/'.
EngineRun runengine(const std::string& in, const std::string& out, const Tparams& params,
                    const std::string& toolsdir, const std::string& tmpdir);

// A private directory under $TMPDIR (or /tmp), removed with its files by the destructor.
class Scratchdir {
public:
    explicit Scratchdir(const char* tag = "shrinkwell");
    ~Scratchdir();
    Scratchdir(const Scratchdir&) = delete;
    Scratchdir& operator=(const Scratchdir&) = delete;
    // The directory with a trailing '/'.
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// The uncompressed 'FWS' movie inside a file: the projector stub is cut off and zlib or LZMA bodies are inflated here,
// independently of the engine. Empty when the file is not a movie this code can open.
Bytes unpackmovie(const Bytes& file);
// Inflates until the stream ends or breaks (or reaches 1 GiB); what was decoded stands.
Bytes inflateall(const uint8_t* data, size_t size, size_t expect);
// Decodes LZMA properties (5 bytes) and raw data, to the end mark, to
// `expect` bytes (0: unknown) or to where the data breaks.
Bytes unlzma(const uint8_t* data, size_t size, uint64_t expect);

}  // namespace swfb
