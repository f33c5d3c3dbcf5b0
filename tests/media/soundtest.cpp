#include "soundtest.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "pipeline/pipeline.h"
#include "pipeline/tagsmith.h"
#include "support/enginerun.h"

namespace soundtest {

Soundrun runsound(const swfb::Movie& m, const Tparams& p, const std::string& lame, const std::string& tmpname) {
    swfb::Scratchdir dir("sound");
    const std::string in = dir.file("in.swf"), out = dir.file("out.swf"), tmp = dir.file(tmpname) + "/";
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
    r.file = swfb::readfile(out);
    r.tags = swfb::soundtags(r.file);
    for (const auto& e : std::filesystem::directory_iterator(tmp)) r.leftover.push_back(e.path().filename().string());
    return r;
}

}  // namespace soundtest
