// SSIM of planes and the cost of 4:2:0 to the colour: known answers.
#include <gtest/gtest.h>

#include "media/ssim.h"

namespace {

using Plane = std::vector<uint8_t>;

Plane filled(int w, int h, uint8_t v) { return Plane(size_t(w) * h, v); }

Plane noise(int w, int h, uint32_t seed) {
    Plane p(size_t(w) * h);
    for (auto& v : p) v = uint8_t((seed = seed * 1103515245u + 12345u) >> 24);
    return p;
}

Plane checker(int w, int h, bool inverted) {
    Plane p(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p[size_t(y) * w + x] = ((x + y + inverted) & 1) ? 255 : 0;
    return p;
}

}  // namespace

// Noise against itself with every third pixel dimmed, at sizes whose windows
// meet the edges in every way; the values of a plain window-by-window sum.
TEST(Ssim, KnownAnswers) {
    const struct {
        int w, h;
        double ssim;
    } cases[] = {{8, 8, 0.934040432138},   {9, 13, 0.932030915485},  {12, 12, 0.950223952933},
                 {31, 17, 0.941346819512}, {64, 48, 0.938565061048}, {100, 3, 0.932683587509},
                 {3, 100, 0.949336942573}, {1, 1, 0.967565638072}};
    uint32_t seed = 3;
    for (const auto& c : cases) {
        const Plane a = noise(c.w, c.h, seed++);
        Plane b = a;
        for (size_t i = 0; i < b.size(); i += 3) b[i] = uint8_t(b[i] / 2 + 40);
        EXPECT_NEAR(planessim(a.data(), b.data(), c.w, c.h), c.ssim, 1e-11) << c.w << " x " << c.h;
    }
    // Identical, flat and inverted planes; and what cannot be compared.
    const double c1 = 2.55 * 2.55;
    const Plane n = noise(40, 30, 7), g = filled(40, 30, 100);
    struct Case {
        const char* what;
        Plane a, b;
        int w, h;
        double low, high;
    } planes[] = {
        {"identical noise", n, n, 40, 30, 1.0, 1.0},
        // Flat planes: only the luminance term, (2 * 100 * 110 + C1) / (100^2 + 110^2 + C1).
        {"flat shifted by 10", g, filled(40, 30, 110), 40, 30, (22000 + c1) / (22100 + c1) - 1e-12, (22000 + c1) / (22100 + c1) + 1e-12},
        // Equal means and variances, covariance -variance: (C2 - 2v) / (C2 + 2v) with v = 127.5^2.
        {"checker against its inverse", checker(16, 16, false), checker(16, 16, true), 16, 16, -0.99641, -0.99640},
    };
    for (const Case& c : planes) {
        const double s = planessim(c.a.data(), c.b.data(), c.w, c.h);
        EXPECT_GE(s, c.low) << c.what;
        EXPECT_LE(s, c.high) << c.what;
    }
    EXPECT_EQ(planessim(n.data(), n.data(), 0, 30), -1.0);
    EXPECT_EQ(planessim(nullptr, n.data(), 40, 30), -1.0);
}

// What 4:2:0 costs the colour of a patterned canvas at sizes that are odd,
// even and smaller than a window: the values of planes built whole at once.
TEST(Ssim, ChromaRoundTripKnownAnswers) {
    const struct {
        int w, h;
        double ssim;
    } cases[] = {{37, 23, 0.53971714337809729}, {64, 48, 0.50028619760522963}, {9, 130, 0.60606108676638393},
                 {5, 5, 0.67775949743494279}};
    for (const auto& c : cases) {
        Plane canvas(size_t(c.w) * c.h * 3);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                uint8_t* p = &canvas[(size_t(y) * c.w + x) * 3];
                p[0] = uint8_t((x * 37 + y * 11) & 255);
                p[1] = uint8_t((x * y * 3) & 255);
                p[2] = uint8_t(((x ^ y) * 29) & 255);
            }
        EXPECT_NEAR(chroma420ssim(canvas, c.w, c.h), c.ssim, 1e-15) << c.w << " x " << c.h;
    }
}
