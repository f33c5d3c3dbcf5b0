// Where each compressed movie goes: NAME_compressed.EXT, or the first free
// NAME_compressedN.EXT when that is taken.
#pragma once
#include <set>
#include <string>
#include <utility>

#include <sys/types.h>

struct Tsourcename {
    std::string dir;   // up to and including the last '/', empty for a bare name
    std::string base;  // the file name up to its last '.'
    std::string ext;   // after the last '.'
    bool hasdot = false;
};

Tsourcename splitsource(const std::string& path);
// 1 (write as a projector when the source is one) unless the extension is "swf" in any case.
int exeflag(const std::string& path);

class Toutputnamer {
public:
    // outdir empty: beside each source.
    Toutputnamer(std::string outdir, bool overwrite);
    // The sources of a run are never chosen as an output, not even with overwrite.
    void protect(const std::string& source);
    // Picks and reserves the output path for source, in subdir (relative,
    // ending with '/') of the output directory when there is one; empty
    // (reason in error) when none is free.
    std::string choose(const std::string& source, std::string& error, const std::string& subdir = "");

private:
    bool free(const std::string& path, const std::string& key) const;

    std::string outdir_;
    bool overwrite_;
    std::set<std::string> reserved_;  // canonical directory + name
    std::set<std::pair<dev_t, ino_t>> sources_;
};
