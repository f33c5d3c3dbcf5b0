// The outcome of one file, as the reports and the JSON lines show it and as a
// worker process hands it back to the parent.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/enginestate.h"
#include "settings/effective.h"

struct Tkindresult {
    int64_t srcsize = 0;
    int64_t dstsize = 0;
    int32_t count = 0;
};

struct Tmovieheader {
    std::string signature;  // "FWS", "CWS", "ZWS"; "MZ+CWS" and the like for a projector
    int32_t version = 0;
    uint32_t filelength = 0;
    int32_t width = 0, height = 0;  // pixels
    int32_t framerate = 0;
    int32_t framecount = 0;
    uint8_t red = 0, green = 0, blue = 0;
};

struct Tfileresult {
    std::string source;
    std::string output;  // empty when nothing was written
    std::string error;   // why the file failed, empty when ok
    std::string warning;
    bool ok = false;
    bool info = false;  // header and resources only, nothing written
    int32_t exe = 0;
    int64_t srcsize = 0;
    int64_t dstsize = 0;
    int64_t ms = 0;
    Tkindresult kinds[KIND_COUNT];
    Tmovieheader header;
    bool kept = false;       // the rewrite was not smaller: the output holds the source's bytes
    int64_t rewritten = 0;   // size of the rewritten movie, also when it was not kept
    bool salvaged = false;   // damaged, written with what could be read
    bool dryrun = false;     // compressed in scratch only: output is what would have been written
    bool inplace = false;    // output is the source replaced, or empty when it was left
    std::string damage;      // what is wrong with the data, empty when nothing
    int64_t movielen = 0;    // uncompressed bytes of the movie as read
    int64_t dropped = 0;     // of those, bytes in no tag that were left out
    Tlevelvalues used;  // what the engine made of the levels
    // Sounds and videos kept because lame or ffmpeg failed, timed out or wrote
    // nothing usable ("sound 3 kept: lame timed out after 31 s").
    std::vector<std::string> notes;
};

// The share of the source's size that the output stands for: all of it,
// unless bytes were dropped, which are not counted as saved.
int64_t savingbaseline(const Tfileresult& r);

std::string serializeresult(const Tfileresult& r);
// False when data is not a whole record.
bool deserializeresult(const std::string& data, Tfileresult& r);
