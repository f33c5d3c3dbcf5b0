// How far each shape is divided: bitmap fills that 16.16 cannot hold once divided, the quality focussed bound,
// and placements that follow each shape's own ratio.
#include <array>
#include <cmath>

#include "placetest.h"
#include "shapetest.h"
#include "support/enginerun.h"
#include "vector/scene.h"
#include "vector/shaperatio.h"

namespace {

using swfb::Bytes;

// A 550 x 400 px rectangle with its corner at (x, y) twips, filled with bitmap 1 through m (repeating unless type
// says otherwise), outlined with a line of width lw when lw >= 0.
Bytes fillshape(uint16_t id, const swfb::Mat& m, int32_t x = 0, int32_t y = 0, int lw = -1, uint8_t type = 0x40) {
    swfb::ShapeWriter w(2);
    w.fillcount(1).bitmap(type, 1, m).linecount(lw >= 0 ? 1 : 0);
    if (lw >= 0) w.line(uint16_t(lw), 0, 0, 0);
    w.bits(1, lw >= 0 ? 1 : 0).change({.movex = x, .movey = y, .move = true, .fill0 = 1, .line = lw >= 0 ? 1 : -1});
    w.straight(11000, 0).straight(0, 8000).straight(-11000, 0).straight(0, -8000).endshape();
    return swfb::shapetag(2, id, x, x + 11000, y, y + 8000, w.take());
}

swfb::Mat scaled(double s, double degrees = 0) {
    const double r = degrees * 3.14159265358979 / 180;
    const int32_t c = int32_t(std::lround(s * std::cos(r) * kOne)), n = int32_t(std::lround(s * std::sin(r) * kOne));
    return {.sx = c, .sy = c, .r0 = n, .r1 = -n, .hasscale = true, .hasrotate = degrees != 0};
}

struct Ratiocase {
    const char* what;
    Bytes shape;
    int limit;
    bool quality;
    double scale;
    int expected;
};

class ShapeRatio : public ShapeTest, public ::testing::WithParamInterface<Ratiocase> {};

TEST_P(ShapeRatio, LargestRatioWhoseRoundingStaysOutOfSight) {
    const Ratiocase& c = GetParam();
    Shaperun<> s(c.shape);
    ASSERT_FALSE(s.tag->keepraw);
    EXPECT_EQ(chooseshaperatio(*s.tag, Tshaperatiorule{c.limit, c.quality, c.scale}), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Fills, ShapeRatio,
    ::testing::Values(
        // One twip per bitmap pixel: 1/20 and 1/10 have no exact 16.16 value,
        // and over 11,000 bitmap pixels the pattern would drift by most of one.
        Ratiocase{"identity, 20", fillshape(2, swfb::Mat{}), 20, false, 1, 16},
        Ratiocase{"identity, 10", fillshape(2, swfb::Mat{}), 10, false, 1, 8},
        Ratiocase{"identity, 4", fillshape(2, swfb::Mat{}), 4, false, 1, 4},
        Ratiocase{"tenth of natural size", fillshape(2, scaled(2)), 20, false, 1, 16},
        Ratiocase{"natural size", fillshape(2, scaled(20)), 20, false, 1, 20},
        Ratiocase{"natural size turned 45 degrees", fillshape(2, scaled(20, 45)), 20, false, 1, 20},
        Ratiocase{"tenth turned 30 degrees", fillshape(2, scaled(2, 30)), 20, false, 1, 8},
        Ratiocase{"ratio 1 is exact", fillshape(2, swfb::Mat{}), 1, false, 1, 1},
        // Quality focussed: points off the pixel grid may move by r / 2 twips.
        Ratiocase{"quality, off the grid", fillshape(2, scaled(20), 7, 3), 20, true, 1, 12},
        Ratiocase{"quality, off the grid, shown twice as large", fillshape(2, scaled(20), 7, 3), 20, true, 2, 5},
        Ratiocase{"quality, on the grid", fillshape(2, scaled(20), 40, 60), 20, true, 1, 20},
        Ratiocase{"quality off, off the grid", fillshape(2, scaled(20), 7, 3), 20, false, 1, 20},
        // A half-pixel line would become a whole one at 20.
        Ratiocase{"quality, thin line", fillshape(2, scaled(20), 40, 60, 10), 20, true, 1, 15},
        Ratiocase{"quality, hairline", fillshape(2, scaled(20), 40, 60, 0), 20, true, 1, 20}));

// The written fill matrix, times what the placement scales the shape by, gives back the fill as read.
TEST_F(ShapeTest, DividedFillsLandWhereTheyWere) {
    for (int limit : {2, 4, 8, 10, 16, 20}) {
        clearres();
        CCparams.Sha_ForceCCR = limit;
        Shaperun<> s(fillshape(2, swfb::Mat{}));
        s.write();
        const int k = shapedivisor(2);
        const MATRIX& m = s.tag->Shapes.FillStyles.FillStyles[0].BitmapMatrix;
        ASSERT_TRUE(m.HasScale);
        // Exact: 1/k in 16.16 times k is one again.
        EXPECT_EQ(int64_t(m.ScaleX) * k, kOne) << "limit " << limit << ", ratio " << k;
        EXPECT_LE(k, limit);
    }
}

using placetest::PlaceTest;

// Shapes that replace each other at a depth with different ratios: the replacing one brings a matrix for itself.
TEST_F(PlaceTest, ReplacementWithAnotherRatioBringsItsOwnMatrix) {
    swfb::Movie m;
    m.version = 8;
    const Bytes replace = swfb::tag(26, swfb::Writer().u8(0x03).u16(1).u16(3).take());  // move + character
    m.tags = {fillshape(2, swfb::Mat{}), swfb::rectshape(3, 2000, 1000, 200, 0, 0), swfb::place2(2, 1, 100, 100, kOne / 2),
              swfb::showframe(), replace, swfb::showframe()};
    const std::vector<MATRIX> placed = placetest::optimize(m, 20).placements;
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[0].ScaleX, 8 * kOne) << "half size times the identity fill's ratio 16";
    EXPECT_EQ(placed[1].ScaleX, 10 * kOne) << "half size times the plain shape's ratio 20";
    EXPECT_EQ(placed[1].TranslateX, 100);
}

// Display scales multiply down the nesting; what scripts reach counts at natural size or more.
TEST_F(PlaceTest, SceneScalesFollowTheNestingAndScripts) {
    MATRIX half = scalematrix(kOne / 2), three = scalematrix(3 * kOne);
    sceneaddedge(5, 4, half, false);   // shape 5 in sprite 4 at 0.5
    sceneaddedge(4, 0, three, false);  // sprite 4 on the stage at 3
    sceneaddedge(4, 6, half, false);   // and in sprite 6 at 0.5, never shown
    sceneaddedge(7, 8, half, false);   // shape 7 in sprite 8, named below
    sceneaddedge(8, 0, half, false);
    sceneaddscripted(8);
    sceneaddedge(9, 9, three, false);  // a sprite in itself: nothing
    // Products of powers of two: exact.
    EXPECT_EQ((std::array{scenescale(4), scenescale(5), scenescale(6), scenescale(8), scenescale(7), scenescale(9)}),
              (std::array{3.0, 1.5, 0.0, 1.0, 1.0, 0.0}));
    EXPECT_TRUE(scenescripted(7));
    EXPECT_FALSE(scenescripted(5));
    MATRIX turned = scalematrix(0);
    turned.HasRotate = 1;
    turned.RotateSkew0 = 2 * kOne;
    turned.RotateSkew1 = -2 * kOne;
    EXPECT_DOUBLE_EQ(matrixnorm(turned), 2.0);
}

}  // namespace
