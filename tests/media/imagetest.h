// Whole movies with bitmaps through the engine's stages, the registry read before the engine lets go of it.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <map>

#include "core/enginestate.h"
#include "pipeline/pipeline.h"
#include "media/definejpeg.h"
#include "media/imagebatch.h"
#include "support/bitmapbuilder.h"
#include "support/enginerun.h"
#include "vector/registry.h"

namespace imagetest {

using swfb::Bytes;

struct Imagerun {
    std::vector<swfb::ParsedTag> tags;
    Bytes file;                                        // the output as written
    std::map<int, std::pair<double, double>> factors;  // bitmap id -> ImageScaleX, Y
    Timagestats stats;

    // The first tag with this code whose body starts with id (any id when -1).
    const swfb::ParsedTag* find(int code, int id = -1) const {
        for (const auto& t : tags)
            if (t.code == code && (id < 0 || (t.body.size() >= 2 && (t.body[0] | t.body[1] << 8) == id))) return &t;
        return nullptr;
    }
};

inline Tparams imageparams(int aio = 0) {
    Tparams p{};
    p.Sha_ForceCCR = 20;
    p.Sha_FontCCR = 20;
    p.Img_Aio = aio;
    p.Img_CustomPV = 70;
    p.Img_Ftoj = 1;
    return p;
}

// maxw, maxh: the largest player size (0 = none).
inline Imagerun runimages(const std::vector<Bytes>& tags, const Tparams& p = imageparams(), int maxw = 0,
                          int maxh = 0) {
    swfb::Scratchdir dir("imagetest");
    const std::string in = dir.file("in.swf"), out = dir.file("out.swf");
    swfb::Movie m;
    m.tags = tags;
    swfb::writefile(in, swfb::build(m, 'F'));
    imagestatsclear();
    one_initdata(dir.path().c_str(), dir.path().c_str());
    two_readfile(in.c_str());
    five_allimgsetratodef(maxw, maxh);
    six_allparamset(p);
    dooptimize(out.c_str(), 0);
    Imagerun r;
    for (uint32_t i = 1; i < pascal_com::length(BITMAPRECS); ++i)
        r.factors[BITMAPRECS[i].BitmapId] = {BITMAPRECS[i].ImageScaleX, BITMAPRECS[i].ImageScaleY};
    r.stats = CCimagestats;
    appfina();
    r.file = swfb::readfile(out);
    EXPECT_FALSE(r.file.empty()) << lasterror();
    r.tags = swfb::listtags(swfb::unpackmovie(r.file));
    return r;
}

// Width and height of the JPEG in a written DefineBitsJPEG2 or 3 body.
inline std::pair<int, int> jpegdims(const swfb::ParsedTag& t) {
    const size_t at = t.code == 35 ? 6 : 2, n = t.code == 35 ? swfb::le32(t.body, 2) : t.body.size() - 2;
    int w = 0, h = 0;
    swfb::jpegsize(Bytes(t.body.begin() + long(at), t.body.begin() + long(at + n)), w, h);
    return {w, h};
}

constexpr int32_t kOne = 65536;

}  // namespace imagetest
