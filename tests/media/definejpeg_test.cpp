// Bitmap tags of whole movies: layouts and sizes written, the keep rule, what passes through, shape factors.
#include "imagetest.h"
#include "media/bitmapuse.h"
#include "media/canvas.h"
#include "media/jpegcodec.h"
#include "support/shapebuilder.h"
#include "support/tagio.h"
#include "vector/defineshape.h"

using namespace imagetest;

namespace {

// A detailed 64 x 48 JPEG that shrinks when re-encoded at half size.
Bytes photo(int quality = 95, uint32_t seed = 1) { return swfb::jpegimage(64, 48, quality, 3, seed); }

// The bitmap fill matrix of the first fill style of a written DefineShape.
MATRIX fillmatrix(const swfb::ParsedTag& t) {
    const auto s = swfb::parse<Tswftag_defineshape>(swfb::tag(t.code, t.body));
    EXPECT_FALSE(s->keepraw);
    EXPECT_EQ(pascal_com::length(s->Shapes.FillStyles.FillStyles), 1u);
    const MATRIX m = pascal_com::length(s->Shapes.FillStyles.FillStyles) ? s->Shapes.FillStyles.FillStyles[0].BitmapMatrix
                                                                         : MATRIX{};
    clearres();
    return m;
}

Bytes xrgbof(const Bytes& rgb) {
    Bytes p;
    for (size_t i = 0; i < rgb.size(); i += 3) p.insert(p.end(), {0xFF, rgb[i], rgb[i + 1], rgb[i + 2]});
    return p;
}

// What a player shows of a written bitmap tag: RGBA, colour as stored; empty when it does not decode.
Bytes shownpixels(const swfb::ParsedTag& t) {
    const Bytes& b = t.body;
    Bytes rgba, colour, alpha;
    int w = 0, h = 0, c = 0;
    if (t.code == 21 || t.code == 35) {
        const size_t at = t.code == 21 ? 2 : 6, n = t.code == 21 ? b.size() - 2 : swfb::le32(b, 2);
        if (!JpegtoCanvas24(b.data() + at, n, colour, w, h, c)) return {};
        alpha.assign(size_t(w) * h, 255);
        if (t.code == 35 && !inflateblock(b.data() + at + n, b.size() - at - n, alpha.size(), alpha, true)) return {};
        for (size_t i = 0; i < alpha.size(); ++i) rgba.insert(rgba.end(), {colour[i * 3], colour[i * 3 + 1], colour[i * 3 + 2], alpha[i]});
        return rgba;
    }
    const int format = b[2];
    w = b[3] | b[4] << 8;
    h = b[5] | b[6] << 8;
    const int colours = format == 3 ? b[7] + 1 : 0, entry = t.code == 36 ? 4 : 3;
    const size_t stride = (size_t(w) + 3) & ~size_t(3);
    Bytes px;
    const size_t at = format == 3 ? 8 : 7;
    if (!inflateblock(b.data() + at, b.size() - at, format == 3 ? colours * entry + stride * h : size_t(w) * h * 4, px, true))
        return {};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = format == 3 ? &px[size_t(px[colours * entry + stride * y + x]) * entry]
                                           : &px[(size_t(y) * w + x) * 4 + 1];
            const uint8_t a = format == 3 ? (entry == 4 ? p[3] : 255) : t.code == 36 ? p[-1] : 255;
            rgba.insert(rgba.end(), {p[0], p[1], p[2], a});
        }
    return rgba;
}

// The sampling factors of the first component of a JPEG stream (0x22: 4:2:0).
int lumasampling(const swfb::ParsedTag& t) {
    for (size_t i = 2; i + 12 < t.body.size(); ++i)
        if (t.body[i] == 0xFF && (t.body[i + 1] == 0xC0 || t.body[i + 1] == 0xC1 || t.body[i + 1] == 0xC2))
            return t.body[i + 11];
    return -1;
}

swfb::ParsedTag parsed(const Bytes& tag) { return {(tag[0] | tag[1] << 8) >> 6, swfb::body(tag), 0}; }

// A morph shape's bitmap fill of bitmap 1: type, id, two matrices (passed through uncorrected).
const Bytes kMorph = swfb::tag(46, swfb::Writer().u16(20).rect(0, 10, 0, 10).rect(0, 10, 0, 10).u32(0).u8(1).u8(0x41)
                                  .u16(1).matrix().matrix().u8(0).take());

class ImageMovie : public ::testing::Test {
protected:
    void SetUp() override { CCimagethreads = 1; }
    void TearDown() override { CCimagethreads = 0; }
};

// A 64 x 48 photo shown at a size, within a player limit or zoom.
TEST_F(ImageMovie, ShrinksToTheDisplayedSize) {
    const int32_t q = 15 * kOne;  // 0.75 x 20
    Tparams zoom = imageparams(4);
    std::tie(zoom.Img_ForceZip, zoom.Img_CustomPV) = std::tuple(25, 30);
    auto shown = [](std::vector<Bytes> shapes) {
        std::vector<Bytes> tags = {swfb::definebitsjpeg2(1, photo())};
        tags.insert(tags.end(), shapes.begin(), shapes.end());
        tags.push_back(swfb::place2(2, 1, 0, 0));
        return tags;
    };
    const struct {
        const char* what;
        std::vector<Bytes> tags;
        Tparams params;
        int maxw;
        int w, h;
        double fx, fy;
        int32_t fill = 0;  // the fill's written scale; 0: not looked at
    } cases[] = {
        {"filled at half its natural size", shown({swfb::bitmapshape(2, 1, 640, 480, 10 * kOne, 10 * kOne)}),
         imageparams(), 0, 32, 24, 0.5, 0.5, kOne},
        {"turned at 0.75 and mirrored at 0.5: the larger use wins",
         shown({swfb::bitmapshape(2, 1, 640, 480, 0, 0, q, -q, true), swfb::bitmapshape(3, 1, 640, 480, -10 * kOne, 10 * kOne),
                swfb::place2(3, 2, 0, 0)}),
         imageparams(), 0, 48, 36, 0.75, 0.75},
        {"mirrored both ways at 0.5", shown({swfb::bitmapshape(2, 1, 640, 480, -10 * kOne, -10 * kOne)}), imageparams(), 0,
         32, 24, 0.5, 0.5, -kOne},
        // Stage 550 x 400.
        {"a player 275 wide", shown({swfb::bitmapshape(2, 1, 1280, 960, 20 * kOne, 20 * kOne)}), imageparams(), 275, 32,
         48, 0.5, 1.0},
        {"zoomed to 25 % at most", shown({swfb::bitmapshape(2, 1, 1280, 960, 20 * kOne, 20 * kOne)}), zoom, 0, 48, 36,
         0.75, 0.75},
    };
    for (const auto& c : cases) {
        const Imagerun r = runimages(c.tags, c.params, c.maxw);
        const swfb::ParsedTag* b = r.find(21, 1);
        ASSERT_NE(b, nullptr) << c.what;
        EXPECT_EQ(jpegdims(*b), std::make_pair(c.w, c.h)) << c.what;
        EXPECT_EQ(r.factors.at(1), std::make_pair(c.fx, c.fy)) << c.what;
        EXPECT_EQ(r.stats.shrunk, 1) << c.what;
        // Doubled for the smaller bitmap, then divided by the shape ratio of 20;
        // a scale of exactly 1 may be written as no scale.
        if (c.fill) {
            const MATRIX m = fillmatrix(*r.find(2, 2));
            EXPECT_EQ(m.HasScale ? m.ScaleX : kOne, c.fill) << c.what;
            EXPECT_EQ(m.HasScale ? m.ScaleY : kOne, c.fill) << c.what;
        }
    }
}

TEST_F(ImageMovie, WhatCannotBeReEncodedPassesThroughByteForByte) {
    Bytes indexed = {0, 0, 0, 255, 255, 255};
    indexed.resize(6 + 8 * 4, 1);  // two colours, 4 x 4 pixels with rows padded to 4... plus slack
    const std::vector<Bytes> tags = {
        swfb::definebitsjpeg2(1, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0}),
        swfb::definebitsjpeg2(2, swfb::jpegimage(32, 32, 90, 1)),  // greyscale
        swfb::definebitsjpeg2(3, swfb::jpegimage(32, 32, 90, 4)),  // CMYK
        swfb::definebitslossless(4, 3, 4, 4, indexed, 1),
        swfb::definebitslossless2(5, 3, 4, 4, indexed, 1),
        swfb::definebitsjpeg3(6, photo(), Bytes(64 * 48 - 1, 200)),                          // alpha a byte short
        swfb::tag(35, swfb::Writer().u16(7).u32(100000).raw(photo()).take(), true),          // JPEG past the end
        swfb::definebitsjpeg2(8, {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}),
        swfb::definebitslossless(9, 5, 40, 30, Bytes(100, 0)),  // pixels short
    };
    std::vector<Bytes> withshapes = tags;
    for (uint16_t id = 1; id <= 9; ++id) withshapes.push_back(swfb::bitmapshape(uint16_t(10 + id), id, 100, 100, kOne, kOne));
    const Imagerun r = runimages(withshapes);
    std::vector<Bytes> written;
    for (const auto& t : r.tags)
        if (t.code != 2 && t.code != 0) written.push_back(swfb::tag(t.code, t.body, true));
    ASSERT_EQ(written.size(), tags.size());
    for (size_t i = 0; i < tags.size(); ++i) EXPECT_EQ(written[i], tags[i]) << "tag " << i;
    EXPECT_EQ((std::array{r.stats.notjpeg, r.stats.notrgb, r.stats.colormapped, r.stats.keptfailed}),
              (std::array{2, 2, 2, 2}));
    EXPECT_EQ(r.factors.count(4), 0u) << "colour-mapped bitmaps are not registered";
    EXPECT_DOUBLE_EQ(r.factors.at(6).first, 1.0);
}

TEST_F(ImageMovie, DefineBitsKeepsItsTablesWheneverItIsWrittenAsRead) {
    // Kept as read as its re-encoding is longer, or as it cannot be decoded as colour: code 6 and the tables stay.
    for (const Bytes& jpeg : {photo(30), swfb::jpegimage(16, 16, 80, 1)}) {
        Bytes tables, image;
        swfb::splitjpeg(jpeg, tables, image);
        const Imagerun r = runimages({swfb::jpegtables(tables), swfb::definebits(1, image), swfb::definebits(3, image)});
        ASSERT_NE(r.find(6, 1), nullptr);
        EXPECT_EQ(r.find(6, 1)->body.size(), image.size() + 2);
        EXPECT_EQ(r.find(8)->body, tables);
    }
    // Without any tables read, the image body alone is decoded.
    EXPECT_NE(runimages({swfb::definebits(1, photo())}).find(21, 1), nullptr);
}

// Bitmap 1 filled at half its size by shape 9: what else uses it, or what
// scripts can reach, decides whether it may shrink.
TEST_F(ImageMovie, BitmapsOthersDependOnOrScriptsReachKeepTheirPixels) {
    auto named = [](uint16_t id, const char* name, int code = 56) {
        return swfb::tag(code, swfb::Writer().u16(1).u16(id).str(name).take());
    };
    // Sprite 10 shows shape 9; sprite 11 shows sprite 10.
    const Bytes inner = swfb::sprite(10, 1, {swfb::place2(9, 1, 0, 0), swfb::showframe()});
    const Bytes outer = swfb::sprite(11, 1, {swfb::place2(10, 1, 0, 0), swfb::showframe()});
    const Bytes instance = swfb::tag(26, swfb::Writer().u8(0x26).u16(1).u16(10).matrix().str("clip").take());
    // A shape whose parse fails after its bitmap fill.
    const Bytes broken = swfb::tag(2, swfb::Writer().u16(21).rect(0, 10, 0, 10).u8(1).u8(0x41).u16(1).take());
    const struct {
        const char* what;
        std::vector<Bytes> extra;
        int width;
        bool early = false;
        bool skipshapes = false;  // shapes written as read, their fills uncorrected
    } cases[] = {
        {"only the half-size fill", {}, 32},
        {"exported", {named(1, "pic")}, 64},
        {"bound to a class", {named(1, "Pic", 76)}, 64},
        {"placed directly", {swfb::place2(1, 1, 0, 0)}, 64},
        {"morph shape", {kMorph}, 64},
        {"shape written as read", {broken}, 64},
        {"sprite only shown at half", {inner, swfb::place2(10, 1, 0, 0)}, 32},
        {"sprite shown twice as large: never enlarged", {inner, swfb::place2(10, 1, 0, 0, 4 * kOne)}, 64},
        {"exported sprite", {inner, named(10, "clip")}, 64},
        {"named instance", {inner, instance}, 64},
        {"nested in an exported sprite", {inner, outer, named(11, "outer")}, 64},
        {"nested, nothing named", {inner, outer, swfb::place2(11, 1, 0, 0)}, 32},
        {"sprite bound to a class", {inner, named(10, "Clip", 76)}, 64},
        // The later shape alone would let it shrink to half.
        {"a shape before the bitmap", {}, 64, true},
        {"the shape kind skipped", {}, 64, false, true},
    };
    for (const auto& c : cases) {
        std::vector<Bytes> tags = {swfb::definebitsjpeg2(1, photo()), swfb::bitmapshape(9, 1, 640, 480, 10 * kOne, 10 * kOne)};
        tags.insert(tags.end(), c.extra.begin(), c.extra.end());
        if (c.early) tags.insert(tags.begin(), swfb::bitmapshape(8, 1, 640, 480, 10 * kOne, 10 * kOne));
        Tparams p = imageparams();
        p.Skip_Shape = c.skipshapes;
        const Imagerun r = runimages(tags, p);
        const swfb::ParsedTag* b = r.find(21, 1);
        EXPECT_EQ(b ? jpegdims(*b).first : -1, c.width) << c.what;
        if (c.skipshapes) {
            EXPECT_EQ(r.find(2, 9) ? r.find(2, 9)->body : Bytes{}, swfb::body(tags[1])) << c.what;
        }
        EXPECT_EQ(r.stats.keepsize[KEEPSIZE_EARLY], c.early) << c.what;
    }
}

TEST_F(ImageMovie, AlphaIsRescaledWithTheColourAndColourAboveItClamped) {
    Bytes alpha(64 * 48);
    for (size_t i = 0; i < alpha.size(); ++i) alpha[i] = uint8_t((i % 64) * 4);
    const Imagerun r = runimages({swfb::definebitsjpeg3(1, photo(), alpha), swfb::bitmapshape(2, 1, 640, 480, 10 * kOne, 10 * kOne)});
    ASSERT_NE(r.find(35, 1), nullptr);
    const Bytes shown = shownpixels(*r.find(35, 1));
    ASSERT_EQ(shown.size(), 32u * 24 * 4) << "halved";
    // Each new pixel is the mean of a 2 x 2 cell: columns 2x and 2x + 1.
    for (int x = 0; x < 32; ++x) EXPECT_EQ(shown[size_t(5 * 32 + x) * 4 + 3], uint8_t(8 * x + 2)) << x;

    // Colour above its alpha is clamped as players show it: alpha 64 everywhere;
    // red and blue stored above it, green below.
    const Bytes rgb = swfb::testcanvas(32, 32);
    Bytes argb;
    for (int i = 0; i < 32 * 32; ++i)
        argb.insert(argb.end(), {64, uint8_t(128 + (rgb[i * 3 + 2] & 127)), uint8_t(rgb[i * 3] >> 2), 255});
    const Imagerun lossless = runimages({swfb::definebitslossless2(1, 5, 32, 32, argb)});
    ASSERT_NE(lossless.find(35, 1), nullptr);
    const Bytes clamped = shownpixels(*lossless.find(35, 1));
    ASSERT_FALSE(clamped.empty());
    for (size_t i = 0; i < clamped.size(); i += 4) {
        ASSERT_LE(std::max(clamped[i], clamped[i + 2]), 72) << i / 4;
        ASSERT_EQ(clamped[i + 3], 64) << i / 4;
    }
}

TEST_F(ImageMovie, DamagedBitmapsNeverBreakTheWrite) {
    // Every kind of bitmap tag, then bytes of their bodies flipped at random.
    Bytes tables, image;
    swfb::splitjpeg(swfb::jpegimage(24, 16, 90), tables, image);
    Bytes argb(16 * 8 * 4, 0x80);
    const std::vector<Bytes> good = {swfb::jpegtables(tables), swfb::definebits(1, image),
                                     swfb::definebitsjpeg2(2, swfb::jpegimage(20, 20, 90)),
                                     swfb::definebitsjpeg3(3, swfb::jpegimage(8, 8, 90), Bytes(64, 7)),
                                     swfb::definebitslossless(4, 5, 16, 8, argb), swfb::definebitslossless2(5, 5, 16, 8, argb),
                                     swfb::bitmapshape(9, 2, 400, 400, 10 * kOne, 10 * kOne)};
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 25; ++round) {
        std::vector<Bytes> tags = good;
        for (int k = 0; k < 6; ++k) {
            Bytes& t = tags[next() % 6];
            const size_t at = 6 + next() % (t.size() - 6);  // past the long header
            t[at] = uint8_t(next() >> 24);
        }
        const Imagerun r = runimages(tags);
        EXPECT_FALSE(r.tags.empty()) << round;
    }
}

TEST_F(ImageMovie, BestQualityKeepsABitmapTheJpegWouldBlurOrThatGrows) {
    // Faint one-pixel noise (16 grey levels) loses its structure at quality
    // 90; a smooth picture does not. Shown at natural size, or at half size,
    // where the floor is measured against the halved picture. A flat, strongly
    // compressed JPEG grows at quality 90.
    const int W = 64, H = 48;
    const Bytes smooth = swfb::testcanvas(W, H);
    Bytes noise(size_t(W) * H * 3);
    uint32_t s = 5;
    for (size_t i = 0; i < noise.size(); i += 3) {
        s = s * 1103515245u + 12345u;
        noise[i] = noise[i + 1] = noise[i + 2] = uint8_t(120 + (s >> 16) % 16);
    }
    struct Case {
        const char* what;
        Bytes tag;
        int level;
        int32_t scale;  // of the fill, 20 = natural size
        int code;       // written
        int kept;       // 1: for its quality, 2: as the re-encoding is longer
    } cases[] = {
        {"noise at Best", swfb::definebitslossless(1, 5, W, H, xrgbof(noise)), 0, 20, 20, 1},
        {"noise at Medium", swfb::definebitslossless(1, 5, W, H, xrgbof(noise)), 3, 20, 21, 0},
        {"noise with alpha at Best", swfb::definebitslossless2(1, 5, W, H, xrgbof(noise)), 0, 20, 36, 1},
        {"noise at half size at Best", swfb::definebitslossless(1, 5, W, H, xrgbof(noise)), 0, 10, 20, 1},
        {"smooth at Best", swfb::definebitslossless(1, 5, W, H, xrgbof(smooth)), 0, 20, 21, 0},
        {"smooth with alpha at Best", swfb::definebitslossless2(1, 5, W, H, xrgbof(smooth)), 0, 20, 35, 0},
        {"smooth JPEG at Best", swfb::definebitsjpeg2(1, photo()), 0, 20, 21, 0},
        {"smooth at half size at Best", swfb::definebitslossless(1, 5, W, H, xrgbof(smooth)), 0, 10, 21, 0},
        {"flat JPEG at Best", swfb::definebitsjpeg2(1, photo(30)), 0, 20, 21, 2},
    };
    for (const Case& c : cases) {
        const Imagerun r = runimages({c.tag, swfb::bitmapshape(2, 1, W * 20, H * 20, c.scale * kOne, c.scale * kOne),
                                      swfb::place2(2, 1, 0, 0), swfb::showframe()},
                                     imageparams(c.level));
        const swfb::ParsedTag* b = r.find(c.code, 1);
        ASSERT_NE(b, nullptr) << c.what;
        EXPECT_EQ(r.stats.keptquality, c.kept == 1) << c.what;
        EXPECT_EQ(r.stats.keptlonger, c.kept == 2) << c.what;
        if (c.kept) {
            EXPECT_EQ(swfb::tag(c.code, b->body, true), c.tag) << c.what;
            EXPECT_EQ(r.factors.at(1), std::make_pair(1.0, 1.0)) << c.what << ": the fill keeps its matrix";
        } else {
            EXPECT_DOUBLE_EQ(r.factors.at(1).first, c.scale / 20.0) << c.what;
        }
    }
}

TEST_F(ImageMovie, ImageFieldsShrinkBitmapsWithoutChangingWhatShows) {
    const int W = 64, H = 48;
    // Kept as read without the fields: re-encoding it at quality 90 is longer.
    const Bytes flat = photo(30), big = swfb::jpegimage(160, 120, 30);
    Bytes tagged = {0xFF, 0xD8, 0xFF, 0xE1, 0, 42, 'E', 'x', 'i', 'f', 0, 0};
    tagged.resize(tagged.size() + 34, 7);
    tagged.insert(tagged.end(), {0xFF, 0xFE, 0, 6, 'n', 'o', 't', 'e'});
    tagged.insert(tagged.end(), flat.begin() + 2, flat.end());
    Bytes tables, image;
    swfb::splitjpeg(big, tables, image);
    image.insert(image.begin(), {0xFF, 0xD9, 0xFF, 0xD8});
    Bytes nearopaque(size_t(W) * H, 255), holes = xrgbof(swfb::testcanvas(W, H));
    for (size_t i = 0; i < nearopaque.size(); i += 7) nearopaque[i] = 254;
    for (size_t i = 0; i < holes.size(); i += 4)
        if (i / 4 % W < 20) holes[i] = 0;  // hidden, its colour left as it was
    Bytes four(size_t(W) * H * 3), stripes(size_t(W) * H * 3);
    for (size_t i = 0; i < four.size(); i += 3) {
        four[i] = uint8_t(i / 3 % W / 16 * 80);
        four[i + 1] = uint8_t(i / 3 / W / 24 * 200);
        stripes[i] = i / 3 % 2 ? 255 : 0;
        stripes[i + 2] = i / 3 % 2 ? 0 : 255;
    }
    Bytes smooth = swfb::testcanvas(W, H), smoothjpeg, stripesjpeg;
    for (size_t i = 2; i < smooth.size(); i += 3) smooth[i] = 90;
    ASSERT_TRUE(Canvas24toJpeg(smooth.data(), W, H, smoothjpeg, 95));
    ASSERT_TRUE(Canvas24toJpeg(stripes.data(), W, H, stripesjpeg, 95));
    // A table of 4 colours with alpha, 64 x 64 indices, and bytes past them that no player reads.
    Bytes mapped = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 0, 0, 0, 0}, slack;
    for (int i = 0; i < 64 * 64; ++i) mapped.push_back(uint8_t((i / 64 / 5 + i % 64 / 3) % 4));
    slack = mapped;
    for (uint32_t i = 0, seed = 7; i < 200; ++i) slack.push_back(uint8_t((seed = seed * 1103515245u + 12345u) >> 24));
    struct Case {
        const char* what;
        std::vector<Bytes> tags;
        int dm, ftoj, diia, icso, iaco, level;
        int code;       // written
        Bytes shows;    // the tag whose pixels the output must show, or empty
        int detail;     // JPEG: sampling of the first component (0x22: 4:2:0); lossless: format; 0: not looked at
    } cases[] = {
        {"metadata and generic Huffman codes dropped", {swfb::definebitsjpeg2(1, tagged)}, 1, 1, 0, 0, 0, 0, 21,
         swfb::definebitsjpeg2(1, flat), 0},
        {"DefineBits with a doubled start and tables becomes self-contained",
         {swfb::jpegtables(tables), swfb::definebits(1, image)}, 1, 1, 0, 0, 0, 0, 21, swfb::definebitsjpeg2(1, big), 0},
        {"opaque alpha of a JPEG dropped", {swfb::definebitsjpeg3(1, flat, nearopaque)}, 0, 1, 0, 0, 1, 0, 21,
         swfb::definebitsjpeg2(1, flat), 0},
        {"opaque alpha of lossless pixels dropped", {swfb::definebitslossless2(1, 5, W, H, xrgbof(swfb::testcanvas(W, H)))},
         0, 0, 0, 0, 1, 0, 20, swfb::definebitslossless(1, 5, W, H, xrgbof(swfb::testcanvas(W, H))), 0},
        {"few colours become colour-mapped", {swfb::definebitslossless(1, 5, W, H, xrgbof(four))}, 0, 0, 0, 0, 0, 0, 20,
         swfb::definebitslossless(1, 5, W, H, xrgbof(four)), 3},
        {"hidden colour cleared, shown pixels kept", {swfb::definebitslossless2(1, 5, W, H, holes)}, 0, 0, 1, 0, 0, 0, 36,
         swfb::definebitslossless2(1, 5, W, H, holes), 0},
        {"colour-mapped pixels packed again without their slack", {swfb::definebitslossless2(1, 3, 64, 64, slack, 3)}, 0,
         0, 0, 0, 0, 0, 36, swfb::definebitslossless2(1, 3, 64, 64, mapped, 3), 3},
        {"smooth colour subsampled", {swfb::definebitsjpeg2(1, smoothjpeg)}, 0, 1, 0, 1, 0, 3, 21, {}, 0x22},
        {"one-pixel colour stripes keep full colour", {swfb::definebitsjpeg2(1, stripesjpeg)}, 0, 1, 0, 1, 0, 3, 21, {}, 0x11},
    };
    for (const Case& c : cases) {
        Tparams p = imageparams(c.level);
        std::tie(p.Img_Dm, p.Img_Ftoj, p.Img_Diia, p.Img_Icso, p.Img_Iaco) =
            std::tie(c.dm, c.ftoj, c.diia, c.icso, c.iaco);
        const Imagerun r = runimages(c.tags, p);
        const swfb::ParsedTag* b = r.find(c.code, 1);
        ASSERT_NE(b, nullptr) << c.what;
        EXPECT_LT(b->body.size(), parsed(c.tags.back()).body.size()) << c.what;
        if (c.detail) {
            EXPECT_EQ(c.code == 21 ? lumasampling(*b) : b->body[2], c.detail) << c.what;
        }
        if (c.shows.empty()) continue;
        EXPECT_EQ(r.stats.repacked, 1) << c.what;
        EXPECT_EQ(r.factors.count(1) ? r.factors.at(1).first : 1.0, 1.0) << c.what;
        if (c.code == 21 && r.find(8)) {
            EXPECT_TRUE(r.find(8)->body.empty()) << c.what;
        }
        const Bytes got = shownpixels(*b), want = shownpixels(parsed(c.shows));
        ASSERT_EQ(got.size(), want.size()) << c.what;
        ASSERT_FALSE(got.empty()) << c.what;
        for (size_t i = 0; i < got.size(); i += 4) {
            // Under alpha 0 the colour is free, and cleared when asked.
            const bool hidden = want[i + 3] == 0;
            for (size_t k = 0; k < 4; ++k) {
                const int expect = !hidden || k == 3 ? want[i + k] : c.diia ? 0 : got[i + k];
                ASSERT_EQ(got[i + k], expect) << c.what << " at " << i / 4;
            }
        }
    }
}

// Bitmap 1, 64 x 64, through a fill that shows its bottom-right quarter:
// shape 2 is 32 x 32 pixels, the fill at natural size moved up and left by 32.
TEST_F(ImageMovie, ClippedFillsShowingPartOfABitmapCropIt) {
    const Bytes pixels = xrgbof(swfb::testcanvas(64, 64));
    const Bytes lossless = swfb::definebitslossless(1, 5, 64, 64, pixels);
    // scale: of the fill, 20 = natural size; half: half the bitmap's side.
    auto quarter = [](uint8_t type, int32_t scale = 20, int32_t half = 32) {
        swfb::ShapeWriter s(2);
        const int32_t side = half * scale;
        s.fillcount(1).bitmap(type, 1, swfb::Mat{-side, -side, scale * kOne, scale * kOne, 0, 0, true});
        s.linecount(0).bits(1, 0).change(swfb::Change{.move = true, .fill1 = 1});
        s.straight(side, 0).straight(0, side).straight(-side, 0).straight(0, -side).endshape();
        return swfb::shapetag(2, 2, 0, side, 0, side, s.take());
    };
    const Bytes exported = swfb::tag(56, swfb::Writer().u16(1).u16(1).str("pic").take());
    const Bytes as3 = swfb::tag(69, swfb::Writer().u32(0x08).take());
    const struct {
        const char* what;
        std::vector<Bytes> tags;
        int code;    // written
        int size;    // width and height written
        int32_t tx;  // of the written fill, divided by the shape ratio of 20
        int diia = 1;
    } cases[] = {
        // Pixels 26 to 70 can show (4 of margin and 2 of antialiasing), cut at 16 on its grid.
        {"lossless", {lossless, quarter(0x41)}, 20, 48, -16},
        {"4-byte pixels under format 4", {swfb::definebitslossless2(1, 4, 64, 64, pixels), quarter(0x41)}, 36, 48, -16},
        {"JPEG cut on its blocks", {swfb::definebitsjpeg2(1, swfb::jpegimage(64, 64, 95)), quarter(0x43)}, 21, 48, -16},
        // 128 x 128 at half size: pixels 56 on can show, cut at 32, where
        // 16 blocks of the halved picture end; the move is made at the size read.
        {"JPEG at half size", {swfb::definebitsjpeg2(1, swfb::jpegimage(128, 128, 95)), quarter(0x41, 10, 64)}, 21, 48, -16},
        {"repeating fill", {lossless, quarter(0x40)}, 20, 64, -32},
        {"also filled by a morph shape", {lossless, quarter(0x41), kMorph}, 20, 64, -32},
        {"exported", {lossless, quarter(0x41), exported}, 20, 64, -32},
        {"ActionScript 3", {as3, lossless, quarter(0x41)}, 20, 64, -32},
        {"not asked", {lossless, quarter(0x41)}, 20, 64, -32, 0},
    };
    for (const auto& c : cases) {
        Tparams p = imageparams();
        std::tie(p.Img_Diia, p.Img_Dm, p.Img_Ftoj) = std::tuple(c.diia, 1, c.code == 21);
        const Imagerun r = runimages(c.tags, p);
        const swfb::ParsedTag* b = r.find(c.code, 1);
        ASSERT_NE(b, nullptr) << c.what;
        const auto [w, h] = c.code == 21 ? jpegdims(*b)
                                         : std::make_pair(b->body[3] | b->body[4] << 8, b->body[5] | b->body[6] << 8);
        EXPECT_EQ(std::make_pair(w, h), std::make_pair(c.size, c.size)) << c.what;
        EXPECT_EQ(r.stats.cropped, c.size != 64 ? 1 : 0) << c.what;
        const MATRIX m = fillmatrix(*r.find(2, 2));
        EXPECT_EQ(std::make_pair(m.TranslateX, m.TranslateY), std::make_pair(c.tx, c.tx)) << c.what;
        if (w != 48) continue;
        const Bytes from = shownpixels(parsed(c.tags[0]));
        if (from.size() != size_t(64 * 64 * 4)) continue;  // resampled, not cut alone
        // Every pixel kept is the one read at (16, 16) further on. A JPEG is
        // cut on its blocks, not re-encoded: only the block along each new
        // edge may differ, its colour having been upsampled from what went.
        const Bytes got = shownpixels(*b);
        ASSERT_EQ(got.size(), size_t(48 * 48 * 4)) << c.what;
        const int edge = c.code == 21 ? 8 : 0;
        for (int y = edge; y < 48; ++y)
            for (int x = edge; x < 48; ++x)
                for (int k = 0; k < 3; ++k)
                    ASSERT_EQ(got[(size_t(y) * 48 + x) * 4 + k], from[(size_t(16 + y) * 64 + 16 + x) * 4 + k])
                        << c.what << " at " << x << "," << y;
    }
}

}  // namespace
