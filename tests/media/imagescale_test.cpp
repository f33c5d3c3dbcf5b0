// Sizes chosen for re-encoded bitmaps, scaling, and lossless pixels into the canvas.
#include <gtest/gtest.h>

#include "media/bitmapjob.h"
#include "media/canvas.h"
#include "media/imagescale.h"

namespace {

TEST(ImageTarget, FollowsDisplayScaleLimitsAndZoom) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        int w, h;
        Tsizerule r;  // stage ratio x, y; display scale x, y; zoom; keep size
        int ew, eh;
    } rows[] = {
        {101, 40, {1.0, 1.0, 1.0, 1.0}, 101, 40},
        {101, 40, {0.5, 0.5, 1.0, 1.0}, 51, 20},  // 50.5 rounds away from zero
        {101, 40, {0.5, 1.0, 1.0, 1.0}, 51, 40},
        {100, 100, {1.0, 1.0, 0.75, 0.3}, 75, 30},  // fractional display scales count in full
        {100, 100, {1.0, 1.0, 3.0, 3.0}, 100, 100},  // never enlarged
        {10, 10, {1.0, 1.0, 1.0, 1.0, 50}, 10, 10},  // 5 x 5 would be below 6
        {100, 4, {1.0, 1.0, 1.0, 1.0, 50}, 50, 4},   // each side on its own
        {64, 64, {1.0, 1.0, 0.0, 0.0}, 64, 64},      // nothing draws it
        {64, 64, {1.0, 1.0, 0.25, 0.25, 0, true}, 64, 64},
        {64, 64, {inf, 1.0, 0.25, 0.25}, 64, 64},
    };
    for (const auto& row : rows) {
        int nw = -1, nh = -1;
        imagetarget(row.w, row.h, row.r, nw, nh);
        EXPECT_EQ(std::make_pair(nw, nh), std::make_pair(row.ew, row.eh)) << row.w << " " << row.r.maxscalex;
    }
}

TEST(ImageScale, AveragingCoversEverySourcePixelOnceAndEnlargingPicksTheNearest) {
    // Nearest source: half rounds away from zero, and never past the end.
    EXPECT_EQ(scaleindex(10, 4), (std::vector<uint32_t>{0, 3, 5, 8}));  // 2.5 -> 3, 7.5 -> 8
    EXPECT_EQ(scaleindex(3, 3), (std::vector<uint32_t>{0, 1, 2}));
    for (int from : {1, 2, 7, 1000})
        for (int n = 1; n <= from; n += 3)
            for (uint32_t v : scaleindex(from, n)) ASSERT_LT(v, uint32_t(from));

    // 5 x 2 into 2 x 1: cells of columns {0, 1} and {2, 3, 4}.
    std::vector<uint8_t> canvas, alpha;
    for (int i = 0; i < 10; ++i) {
        canvas.insert(canvas.end(), {uint8_t(i * 10), uint8_t(255 - i), 9});
        alpha.push_back(uint8_t(i * 10));
    }
    std::vector<uint8_t> big = canvas;
    int w = 5, h = 2;
    Canvas24Scale_HalfTone(canvas, w, h, 2, 1);
    ASSERT_EQ(w, 2);
    ASSERT_EQ(canvas.size(), 6u);
    // (0 + 10 + 50 + 60) / 4 = 30; (20 + 30 + 40 + 70 + 80 + 90) / 6 = 55
    EXPECT_EQ(canvas[0], 30);
    EXPECT_EQ(canvas[3], 55);
    EXPECT_EQ(canvas[5], 9);
    std::vector<uint8_t> a;
    AlphaResize_HalfTone(alpha, a, 5, 2, 2, 1);
    EXPECT_EQ(a, (std::vector<uint8_t>{30, 55}));
    // Same size: unchanged; larger: picked, never averaged, the same pixels for colour and alpha.
    AlphaResize_HalfTone(alpha, a, 5, 2, 5, 2);
    EXPECT_EQ(a, alpha);
    AlphaResize_HalfTone(alpha, a, 5, 2, 6, 2);
    EXPECT_EQ(a, (std::vector<uint8_t>{0, 10, 20, 30, 30, 40, 50, 60, 70, 80, 80, 90}));
    int bw = 5, bh = 2;
    Canvas24Scale_HalfTone(big, bw, bh, 6, 2);
    ASSERT_EQ(big.size(), 36u);
    for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(big[i * 3], a[i]) << i;
}

TEST(LosslessPixels, FifteenBitWidensAndSkipsRowPaddingArgbKeepsWhatIsStored) {
    // 3 x 2 at 2 bytes per pixel: rows of 6 bytes padded to 8.
    const std::vector<uint8_t> px = {0x7C, 0x00, 0x03, 0xE0, 0x00, 0x1F, 0xAA, 0xBB,
                                     0x7F, 0xFF, 0x00, 0x00, 0x42, 0x10, 0xCC, 0xDD};
    std::vector<uint8_t> c;
    losslesstocanvas(4, px.data(), 3, 2, c);
    const std::vector<uint8_t> want = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 132, 132, 132};
    EXPECT_EQ(c, want);
    EXPECT_EQ(losslessbytes(20, 4, 3, 2), 16u);
    EXPECT_EQ(losslessbytes(20, 5, 3, 2), 24u);
    EXPECT_EQ(losslessbytes(36, 4, 3, 2), 24u);
    EXPECT_EQ(losslessbytes(20, 3, 3, 2), 0u);

    // ARGB keeps colour and alpha as stored.
    const std::vector<uint8_t> argb = {0, 9, 8, 7, 128, 100, 50, 25, 255, 1, 2, 3};
    std::vector<uint8_t> a;
    lossless2tocanvas(argb.data(), 3, 1, c, a);
    EXPECT_EQ(a, (std::vector<uint8_t>{0, 128, 255}));
    EXPECT_EQ(c, (std::vector<uint8_t>{9, 8, 7, 100, 50, 25, 1, 2, 3}));
    std::vector<uint8_t> x;
    losslesstocanvas(5, argb.data(), 3, 1, x);
    EXPECT_EQ(x, c);
}

}  // namespace
