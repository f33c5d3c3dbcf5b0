#include "media/jpeghuffman.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <algorithm>
#include <cstdio>

#include "media/bitmapjob.h"
#include "media/jpegcodec.h"
#include "support/bitmapbuilder.h"

// Not in libjpeg's public headers, but exported since its first versions.
extern "C" void jpeg_gen_optimal_table(j_compress_ptr cinfo, JHUFF_TBL* htbl, long freq[]);

namespace {

// Bytes of entropy-coded data: from the end of the scan header to EOI.
size_t codedbytes(const std::vector<uint8_t>& jpeg) {
    for (size_t i = 2; i + 4 < jpeg.size(); i += 2 + (jpeg[i + 2] << 8 | jpeg[i + 3]))
        if (jpeg[i + 1] == 0xDA) return jpeg.size() - 2 - (i + 2 + (jpeg[i + 2] << 8 | jpeg[i + 3]));
    return 0;
}

struct Floorcase {
    int width, height, quality;
    bool subsample;
};

// The floor reads only coefficients, so standard and fitted tables give the
// same one; it must stay under what fitting achieves and near it, or large
// re-encodes would be dropped that pay off, or never be dropped.
TEST(JpegHuffman, RefitMatchesLibjpegAndTheFloorStaysUnderIt) {
    for (const Floorcase& c : {Floorcase{64, 48, 75, false}, Floorcase{333, 101, 90, true},
                               Floorcase{17, 9, 30, true}, Floorcase{640, 480, 60, false}}) {
        SCOPED_TRACE(c.width);
        const swfb::Bytes canvas = swfb::testcanvas(c.width, c.height, 7);
        std::vector<uint8_t> fitted;
        ASSERT_TRUE(Canvas24toJpeg(canvas.data(), c.width, c.height, fitted, c.quality, c.subsample));
        const size_t floor = JpegCodedFloor(fitted.data(), fitted.size());
        ASSERT_GT(floor, 0u);
        EXPECT_LE(floor, codedbytes(fitted));
        EXPECT_GT(floor * 100, codedbytes(fitted) * 95);
        // Refitted from the standard tables, the bytes libjpeg writes with fitted ones.
        std::vector<uint8_t> within;
        EXPECT_EQ(Canvas24toJpegWithin(canvas.data(), c.width, c.height, within, c.quality, c.subsample, fitted.size()),
                  FIT_OK);
        EXPECT_EQ(within, fitted);
        EXPECT_EQ(Canvas24toJpegWithin(canvas.data(), c.width, c.height, within, c.quality, c.subsample, floor - 1),
                  FIT_TOOLONG);
        const swfb::Bytes plain = swfb::jpegimage(c.width, c.height, c.quality, 3, 7);
        std::vector<uint8_t> refitted;
        ASSERT_TRUE(JpegOptimize(plain.data(), plain.size(), refitted));
        EXPECT_EQ(JpegCodedFloor(plain.data(), plain.size()), JpegCodedFloor(refitted.data(), refitted.size()));
    }
}

// A large picture whose re-encode is ruled out is still repacked: ruling it
// out must not count as a re-encode that won.
TEST(JpegHuffman, RuledOutReencodeKeepsTheRepack) {
    const int w = 1600, h = 1400;  // large enough for the floor to be consulted
    const swfb::Bytes j = swfb::jpegimage(w, h, 50);
    Tbitmapinput in;
    in.readcode = 21;
    in.width = in.newwidth = w;
    in.height = in.newheight = h;
    in.stream.assign(j.begin(), j.end());
    in.bodyasread = j.size() + 2;
    in.quality = 95;
    in.optimizejpeg = true;
    const Tbitmapresult r = encodebitmap(in);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.samepixels);
    EXPECT_LT(r.body.size(), in.bodyasread);
}

// Skewed counts make Huffman codes longer than 16 bits, which JPEG cuts down.
TEST(JpegHuffman, TablesFitAsLibjpegFitsThem) {
    std::vector<std::vector<uint64_t>> cases(4, std::vector<uint64_t>(256, 0));
    for (int i = 0, a = 1, b = 1; i < 30; ++i, b += a, a = b - a) cases[0][size_t(i * 7)] = uint64_t(a);
    for (int i = 0; i < 162; ++i) cases[1][size_t(i)] = 1000;
    cases[2][0] = 5;
    for (int i = 0; i < 256; ++i) cases[3][size_t(i)] = uint64_t((i * 37) % 11 + (i % 16 == 0 ? 90000 : 0));
    jpeg_compress_struct c{};
    jpeg_error_mgr e{};
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    for (const auto& counts : cases) {
        long freq[257] = {};
        std::copy(counts.begin(), counts.end(), freq);
        JHUFF_TBL* want = jpeg_alloc_huff_table(reinterpret_cast<j_common_ptr>(&c));
        jpeg_gen_optimal_table(&c, want, freq);
        uint8_t bits[17], vals[256];
        int n = 0;
        ASSERT_TRUE(JpegFitTable(counts.data(), bits, vals, n));
        EXPECT_EQ(std::vector<uint8_t>(bits + 1, bits + 17), std::vector<uint8_t>(want->bits + 1, want->bits + 17));
        EXPECT_EQ(std::vector<uint8_t>(vals, vals + n), std::vector<uint8_t>(want->huffval, want->huffval + n));
    }
    jpeg_destroy_compress(&c);
    uint8_t bits[17], vals[256];
    int n = 0;
    EXPECT_FALSE(JpegFitTable(std::vector<uint64_t>(256, 0).data(), bits, vals, n));
}

TEST(JpegHuffman, DamagedOrForeignStreamsGiveNone) {
    const swfb::Bytes jpeg = swfb::jpegimage(40, 24, 80);
    std::vector<uint8_t> out;
    for (size_t n = 0; n < jpeg.size() - 2; ++n) {
        EXPECT_EQ(JpegCodedFloor(jpeg.data(), n), 0u) << n;
        EXPECT_FALSE(JpegRefit(jpeg.data(), n, out)) << n;
    }
    swfb::Bytes bad = jpeg;
    for (size_t i = 2; i < bad.size(); i += 7) {
        bad[i] ^= 0x5A;
        // Must not read outside; what still reads back is a whole stream.
        JpegCodedFloor(bad.data(), bad.size());
        if (JpegRefit(bad.data(), bad.size(), out)) {
            EXPECT_GT(JpegCodedFloor(out.data(), out.size()), 0u);
        }
    }
    EXPECT_EQ(JpegCodedFloor(swfb::jpegimage(40, 24, 80, 1).data(), 0), 0u);
    EXPECT_EQ(JpegCodedFloor(nullptr, 100), 0u);
}

}  // namespace
