#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "core/pascal_com.h"
#include "vector/shapetest.h"

using namespace pascal_com;

namespace {

MATRIX scaled(double sx, double sy, double r0 = 0, double r1 = 0) {
    auto v = [](double d) { return int32_t(std::lround(d * 65536)); };
    return MATRIX{1, 0, 0, 0, r0 != 0 || r1 != 0, 0, 0, 0, 0, 0, 0, v(sx), v(sy), v(r0), v(r1)};
}

const TBITMAPUSER* user(const TBITMAPREC* r, uint16_t id) {
    for (uint32_t i = 0; r && i < length(r->Users); ++i)
        if (r->Users[i].UserId == id) return &r->Users[i];
    return nullptr;
}

using Registry = ShapeTest;  // a clean registry around each test

}  // namespace

// Uses registered in order; then the scales recorded for one user of bitmap 1 and the largest ones seen.
TEST_F(Registry, UsesComposeDownToTheBitmapAndRaiseTheMaximum) {
    const double s = std::sqrt(2.0);
    const MATRIX quarter = scaled(0, 0, 20, -20);  // a quarter turn at natural size: all in the skews
    MATRIX translate{};
    translate.TranslateX = 100;
    struct Use { uint16_t child, parent; MATRIX m; double sx = 0, sy = 0; };  // sx != 0: addused
    struct Case {
        const char* what;
        std::vector<Use> uses;
        uint16_t user;
        double ux, uy, maxx, maxy;
        uint32_t users;
        double tol = 1e-12;
    } cases[] = {
        {"fill at natural size, shape at twice", {{1, 10, scaled(20, 20)}, {10, 0, scaled(2, 2)}}, 0, 2, 2, 2, 2, 2},
        {"each axis composed on its own", {{1, 10, scaled(40, 20)}, {10, 0, scaled(1, 3)}}, 0, 2, 3, 2, 3, 2},
        {"fractional placement", {{1, 10, scaled(20, 20)}, {10, 0, scaled(0.5, 0.75)}}, 0, 0.5, 0.75, 1, 1, 2},
        {"2.75 is not cut to 2", {{1, 10, scaled(20, 20)}, {10, 0, scaled(0.5, 0.75)}, {10, 0, scaled(2.75, 1)}},
         0, 2.75, 1, 2.75, 1, 2},
        {"quarter turn", {{1, 10, quarter}}, 10, 1, 1, 1, 1, 1},
        {"mirrored at three times", {{1, 11, scaled(-60, 60)}}, 11, 3, 3, 3, 3, 1},
        {"45 degrees at 2 over 3", {{1, 11, scaled(-60, 60)}, {11, 0, scaled(s, s, s, -s)}}, 0, 6, 6, 6, 6, 2, 1e-4},
        {"unscaled fill, then a child that is no bitmap", {{1, 10, translate}, {10, 0, scaled(20, 20)}}, 0, 20, 20, 20, 20, 2},
        {"characters without bitmaps", {{1, 10, scaled(20, 20)}, {99, 0, scaled(5, 5)}, {98, 99, {}, 3, 3}}, 10, 1, 1, 1, 1, 1},
        {"negative scales never raise the maximum", {{1, 10, {}, -4, -4}}, 10, -4, -4, 0, 0, 1},
        {"then a positive one", {{1, 10, {}, -4, -4}, {1, 10, {}, -1, 2}}, 10, -1, 2, 0, 2, 1},
    };
    for (const Case& c : cases) {
        clearres();
        addbmpid(1);
        for (const Use& u : c.uses) {
            if (u.sx != 0) addused(u.child, u.parent, u.sx, u.sy);
            else addusedmatrix(u.child, u.parent, u.m);
        }
        const TBITMAPREC* r = bitmaprec(1);
        SCOPED_TRACE(c.what);
        const TBITMAPUSER* u = user(r, c.user);
        ASSERT_NE(u, nullptr);
        const double got[] = {u->ScaleX, u->ScaleY, r->MaxScaleX, r->MaxScaleY}, want[] = {c.ux, c.uy, c.maxx, c.maxy};
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], c.tol) << i;
        EXPECT_EQ((std::array{length(r->Users), length(BITMAPRECS)}), (std::array{c.users, 2u}));
    }
}

TEST_F(Registry, ClearEmptiesEveryTable) {
    addbmpid(3);
    addused(3, 4, 2, 2);
    IDS[9].Kind = IDKIND_SHAPE;
    DEPTHS[5].CharacterId = 9;
    SPRITEDEPTHS[6].Matrix.TranslateX = 1;
    // The tables are cleared by blocks: the highest ids and depths too.
    IDS[65535].Ratio = 4;
    DEPTHS[65535].Matrix.ScaleX = 7;
    SPRITEDEPTHS[40000].CharacterId = 2;
    clearres();
    EXPECT_EQ((std::array<int64_t, 9>{IDS[65535].Ratio, DEPTHS[65535].Matrix.ScaleX, SPRITEDEPTHS[40000].CharacterId,
                                      length(BITMAPRECS), IDS[3].Kind, IDS[3].BitmapIndex, IDS[9].Kind,
                                      DEPTHS[5].CharacterId, SPRITEDEPTHS[6].Matrix.TranslateX}),
              (std::array<int64_t, 9>{}));
    // Old users are forgotten with their records.
    addused(4, 0, 9, 9);
    EXPECT_EQ(length(BITMAPRECS), 0u);
    addbmpid(8);
    addused(4, 0, 9, 9);
    EXPECT_EQ(length(bitmaprec(8)->Users), 0u);
}

TEST_F(Registry, MatrixandScalesTheChosenParts) {
    MATRIX t{};
    t.TranslateX = 100;
    t.TranslateY = -7;
    matrixand(t, 20, 20, 1, 1, 0);
    // No rotation to scale.
    EXPECT_EQ((std::array{t.HasScale, t.ScaleX, t.ScaleY, t.HasRotate, t.TranslateX}),
              (std::array{1, 20 * 65536, 20 * 65536, 0, 100}));

    MATRIX m = scaled(1.5, -2, 0.25, -0.25);
    m.TranslateX = 5;
    m.TranslateY = -5;
    matrixand(m, 0.5, 0.5, 1, 1, 1);
    // Translations of 2.5 round away from zero.
    EXPECT_EQ((std::array{m.ScaleX, m.ScaleY, m.RotateSkew0, m.RotateSkew1, m.TranslateX, m.TranslateY}),
              (std::array{0xC000, -0x10000, 0x2000, -0x2000, 3, -3}));

    MATRIX z{};
    matrixand(z, 3, 3, 0, 0, 1);
    EXPECT_EQ(z.HasScale, 0);
}

TEST_F(Registry, RectandRoundsHalfAwayFromZero) {
    SRECT r{0, -15, 15, 0, 1000};
    rectand(r, 0.1);
    EXPECT_EQ((std::array{r.Xmin, r.Xmax, r.Ymin, r.Ymax}), (std::array{-2, 2, 0, 100}));
}
