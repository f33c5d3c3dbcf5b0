// One file through the engine for a front end: the stages in their order,
// and what came of it in one record.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "../core/container.h"
#include "../core/enginestate.h"
#include "../core/params.h"

enum Tmoviephase { MOVIE_READ, MOVIE_WRITE };

struct Tmoviejob {
    std::string source;
    std::string output;
    std::string toolsdir;  // prefix of lame and ffmpeg
    std::string tmpdir;
    // ImgPmps_x and ImgPmps_y go to five_allimgsetratodef; the record the
    // engine receives carries 0 in them.
    Tparams params{};
    int asexe = 0;
    bool allowlarger = false;  // keep the rewrite even when it is not smaller
    bool salvage = false;      // write a damaged movie with what could be read
    Tdisproc progress = nullptr;
    void* object1 = nullptr;
    void* object2 = nullptr;
    // Told before the movie is read and before it is written.
    std::function<void(Tmoviephase)> phase;
    // Asked once written: true leaves the output as written, never swapped
    // for the source (a run the user interrupted).
    std::function<bool()> interrupted;
};

struct Tmovieresult {
    Tflashhead head;        // inspectmovie only
    bool loaded = false;    // the movie was read
    bool damaged = false;   // moviedamaged() once read
    bool written = false;   // an output file was written
    bool kept = false;      // the output holds the source's own bytes
    std::string reason;     // lasterror(): why it was not read or not written
    int64_t srcsize = 0;
    int64_t dstsize = 0;
    int64_t rewritten = 0;  // the rewritten movie, also when the source was kept
    Trlist kinds[KIND_COUNT]{};
    Tdamage damage;
    int32_t truncatedtags = 0;
    std::vector<std::string> notes;  // toolnotes()
};

// one_initdata, setslobject, setslproc, two_readfile, three_getflashdata,
// four_getexistsparam, five_allimgsetratodef, six_allparamset,
// seven_prepareopt, dooptimize, keepsmaller, appfina.
Tmovieresult compressmovie(const Tmoviejob& job);
// The header and the resource list: getflashhead, and when it is a flash
// file two_readfile and three_getflashdata; writes nothing.
Tmovieresult inspectmovie(const Tmoviejob& job);
