// Whole movies with sounds through the engine, for the sound tests.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "core/params.h"
#include "pipeline/pipeline.h"
#include "pipeline/tagsmith.h"
#include "support/enginerun.h"
#include "support/soundbuilder.h"
#include "support/tagio.h"

namespace soundtest {

using swfb::body;
using swfb::Bytes;
using swfb::parse;
// An encoder's argument list.
using Args = std::vector<std::string>;

// Sound settings of a sound quality level, mono or not.
inline Tparams soundparams(int level, bool mono = true) {
    Tparams p{};
    paramssetdef(p);
    p.Audio_q = level;
    p.Audio_Mono = mono ? 1 : 0;
    return p;
}

struct Soundrun {
    std::vector<swfb::SoundTag> tags;
    std::vector<std::string> leftover;  // files left in the temporary directory
    std::vector<std::string> notes;     // the engine's tool notes for the file
    bool written = false;
    double seconds = 0;                 // how long the run took

    const swfb::SoundTag* find(int code, int nth = 0) const {
        for (const auto& t : tags)
            if (t.code == code && nth-- == 0) return &t;
        return nullptr;
    }
    std::vector<const swfb::SoundTag*> all(int code) const {
        std::vector<const swfb::SoundTag*> v;
        for (const auto& t : tags)
            if (t.code == code) v.push_back(&t);
        return v;
    }
};

// The movie through the engine's stages; lame: the encoder to use instead of the one on PATH (empty: that one).
// The temporary directory's name has spaces, which must reach the encoder whole.
inline Soundrun runsound(const swfb::Movie& m, const Tparams& p, const std::string& lame = "") {
    swfb::Scratchdir dir("sound");
    const std::string in = dir.file("in.swf"), out = dir.file("out.swf"), tmp = dir.file("temp dir with spaces") + "/";
    std::filesystem::create_directories(tmp);
    swfb::writefile(in, swfb::build(m, 'C'));
    const auto start = std::chrono::steady_clock::now();
    // The scratch directory holds no encoder, so the one on PATH is used.
    one_initdata(dir.path().c_str(), tmp.c_str());
    if (!lame.empty()) std::snprintf(CClame, sizeof CClame, "%s", lame.c_str());
    two_readfile(in.c_str());
    five_allimgsetratodef(0, 0);
    six_allparamset(p);
    dooptimize(out.c_str(), 0);
    Soundrun r;
    r.written = dstfilesize() > 0;
    r.notes = toolnotes();
    appfina();
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.tags = swfb::soundtags(swfb::readfile(out));
    for (const auto& e : std::filesystem::directory_iterator(tmp)) r.leftover.push_back(e.path().filename().string());
    return r;
}

}  // namespace soundtest

// A test that needs the real encoder.
#define NEED_LAME() \
    if (!swfb::havelame()) GTEST_SKIP() << "lame is not installed"
