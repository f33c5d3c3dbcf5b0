#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "vector/shapetest.h"

using namespace swfb;

namespace {

// One solid fill, one line of the given width, then the caller's records.
ShapeWriter plain(int code, uint16_t width = 20) {
    ShapeWriter s(code);
    s.fillcount(1).solid(1, 2, 3).linecount(1).line(width, 4, 5, 6).bits(1, 1);
    return s;
}

Bytes shape(int code, ShapeWriter& s, uint16_t id = 1) { return shapetag(code, id, 0, 2000, 0, 2000, s.take()); }

// Closed random paths with zero-length edges, curves that come back to their start, style changes and new styles.
Bytes randomshape(int code, uint32_t seed, int paths) {
    std::mt19937 rnd(seed);
    auto v = [&rnd](int range) { return int32_t(rnd() % uint32_t(2 * range + 1)) - range; };
    ShapeWriter s = plain(code, 0);
    for (int p = 0; p < paths; ++p) {
        if (p == paths / 2) {
            s.change({.newstyles = true});
            s.fillcount(1).solid(7, 7, 7).linecount(2).line(33, 1, 1, 1).line(0, 2, 2, 2).bits(1, 2);
        }
        s.change({.movex = v(5000), .movey = v(5000), .move = true, .fill0 = 1, .line = 1});
        int64_t sx = 0, sy = 0;
        for (int e = 0; e < 40; ++e) {
            const int kind = int(rnd() % 6);
            if (kind == 0) {
                s.straight(0, 0);
            } else if (kind <= 2) {  // kind 1 comes back to its start
                const int32_t cx = v(300), cy = v(300), ax = kind == 1 ? -cx : v(300), ay = kind == 1 ? -cy : v(300);
                s.curve(cx, cy, ax, ay);
                sx += cx + ax;
                sy += cy + ay;
            } else {
                int32_t dx = kind == 3 ? 0 : v(400), dy = kind == 4 ? 0 : v(400);
                s.straight(dx, dy);
                sx += dx;
                sy += dy;
            }
        }
        s.straight(int32_t(-sx), int32_t(-sy));
    }
    s.endshape();
    return shapetag(code, 9, -6000, 6000, -6000, 6000, s.take());
}

}  // namespace

TEST_F(ShapeTest, EdgesAreMappedThroughAbsolutePoints) {
    // A move to (10,10) and an edge of (15,3) both land on (1,1): the edge goes.
    ShapeWriter s = plain(2);
    s.change({.movex = 10, .movey = 10, .move = true}).straight(15, 3).endshape();
    Shaperun<> run(shape(2, s));
    Bytes out = run.write();
    ASSERT_FALSE(run.tag->keepraw);
    EXPECT_EQ((std::array{run.records()[0].MoveDeltaX, run.records()[0].MoveDeltaY}), (std::array{1, 1}));
    EXPECT_EQ(run.records()[1].Kind, SHAPEREC_DROPPED);
    Shaperun<Tswftag_defineshape> back(out);
    EXPECT_EQ(back.count(), 2u);
    EXPECT_EQ(back.records()[0].MoveBits, 2);  // written for (1,1)
    EXPECT_EQ(run.write(), out);  // divided again from the shape as read, not from the divided one

    // Two 10-twip steps reach 10 and 20, that is 1 and 1: the total stays round(20/20).
    ShapeWriter t = plain(2);
    t.change({.move = true}).straight(10, 0).straight(10, 0).endshape();
    Shaperun<> two(shape(2, t));
    Shaperun<Tswftag_defineshape> twoback(two.write());
    const SHAPERECORD* r = two.records();
    EXPECT_EQ((std::array<int, 3>{r[1].DeltaX, r[1].GeneralLineFlag, r[1].VertLineFlag}), (std::array{1, 0, 0}));
    EXPECT_EQ(r[2].Kind, SHAPEREC_DROPPED);
    EXPECT_EQ(twoback.records()[1].NumBits, 0);
}

TEST_F(ShapeTest, EdgeFlagsFollowTheMappedDeltas) {
    ShapeWriter s = plain(22);
    s.change({.move = true}).straight(100, 5).straight(5, 100).straight(-400, 300).curve(10, 0, -10, 0);
    s.curve(0, 0, 0, 0).endshape();
    Shaperun<> run(shape(22, s));
    Bytes out = run.write();
    const SHAPERECORD* r = run.records();
    // General and vertical flags, then the delta: the first edge's dy rounds away.
    EXPECT_EQ((std::array<int, 7>{r[1].GeneralLineFlag, r[1].VertLineFlag, r[1].DeltaX, r[2].GeneralLineFlag,
                                  r[2].VertLineFlag, r[2].DeltaY, r[3].GeneralLineFlag}),
              (std::array{0, 0, 5, 0, 1, 5, 1}));
    // Out and back still strokes out to its control point; a point curve goes.
    EXPECT_EQ((std::array<int, 3>{r[4].Kind, r[4].ControlDeltaX, r[5].Kind}),
              (std::array<int, 3>{SHAPEREC_CURVED, 1, SHAPEREC_DROPPED}));
    Shaperun<Tswftag_defineshape> back(out);
    EXPECT_EQ(outline(back.records()), outline(run.records()));
    EXPECT_EQ(back.records()[3].NumBits, 4);  // -20 needs 6 bits
}

TEST_F(ShapeTest, LineWidthsAreDividedUnlessTheyDoNotScale) {
    ShapeWriter s(32);
    s.fillcount(0).linecount(3).line(30, 0, 0, 0).line(9, 0, 0, 0).line(0, 0, 0, 0).bits(0, 2);
    s.change({.move = true}).endshape();
    Shaperun<> run(shape(32, s));
    run.write();
    const LINESTYLE* l = run.tag->Shapes.LineStyles.LineStyles;
    // round(1.5); round(0.45) raised to 1; a hairline.
    EXPECT_EQ((std::array<int, 3>{l[0].Width, l[1].Width, l[2].Width}), (std::array{2, 1, 1}));

    ShapeWriter f(83);
    // A stroke that resists only one axis still grows with the other one
    // when the placement scales both, so only "scale none" keeps its width.
    f.fillcount(0).linecount(4).line2(30, {.nohscale = true}).line2(30, {.novscale = true});
    f.line2(30, {.nohscale = true, .novscale = true}).line(30, 0, 0, 0).bits(0, 3);
    f.change({.move = true}).endshape();
    Shaperun<> v4(shape(83, f));
    v4.write();
    const LINESTYLE2* l2 = v4.tag->Shapes.LineStyles.LineStyles2;
    EXPECT_EQ((std::array<int, 4>{l2[0].Width, l2[1].Width, l2[2].Width, l2[3].Width}), (std::array{2, 2, 30, 2}));
}

TEST_F(ShapeTest, FillMatricesAreDividedAndCorrectedForRescaledBitmaps) {
    addbmpid(7);
    BITMAPRECS[IDS[7].BitmapIndex].ImageScaleX = 0.5;  // written at half width
    ShapeWriter s(83);
    s.fillcount(2).bitmap(0x40, 7, Mat{400, -200, 20 << 16, 20 << 16, 3 << 16, 5 << 16});
    s.gradient(0x10, Mat{200, 100}, {{0, 0, 0, 0, 0}, {255, 1, 1, 1, 1}});
    s.linecount(1).line2(40, {.hasfill = true}).gradient(0x12, Mat{60, 0, 40 << 16, 40 << 16}, {{0, 0, 0, 0, 0}});
    s.bits(2, 1).change({.move = true, .fill0 = 1}).straight(400, 0).endshape();
    Shaperun<> run(shape(83, s));
    Bytes out = run.write();
    ASSERT_FALSE(run.tag->keepraw);
    Shaperun<Tswftag_defineshape> back(out);
    const MATRIX& b = back.tag->Shapes.FillStyles.FillStyles[0].BitmapMatrix;
    // x terms doubled for the narrower image, then all divided by 20: skews 6/20 and 5/20.
    EXPECT_EQ((std::array{b.ScaleX, b.ScaleY, b.RotateSkew0, b.RotateSkew1, b.TranslateX, b.TranslateY}),
              (std::array{2 << 16, 1 << 16, 19661, 16384, 20, -10}));
    // No scale before: an explicit one of 1/20.
    const MATRIX& g = back.tag->Shapes.FillStyles.FillStyles[1].GradientMatrix;
    EXPECT_EQ((std::array{g.HasScale, g.ScaleX, g.TranslateX}), (std::array{1, 3277, 10}));
    // The line's own fill is in shape coordinates as well.
    const LINESTYLE2& l = back.tag->Shapes.LineStyles.LineStyles2[0];
    EXPECT_EQ((std::array<int, 3>{l.Width, l.FillType.GradientMatrix.ScaleX, l.FillType.GradientMatrix.TranslateX}),
              (std::array{2, 2 << 16, 3}));
}

class ShapeVersion : public ShapeTest, public ::testing::WithParamInterface<int> {};

TEST_P(ShapeVersion, GeometryIsUnchangedAtRatioOne) {
    const int code = GetParam();
    CCparams.Sha_ForceCCR = 1;
    for (uint32_t seed = 1; seed <= 5; ++seed) {
        Bytes in = randomshape(code, seed, 6);
        Shaperun<Tswftag_defineshape> orig(in);
        Shaperun<> opt(in);
        Bytes out = opt.write();
        ASSERT_FALSE(opt.tag->keepraw);
        Shaperun<Tswftag_defineshape> back(out);
        ASSERT_FALSE(back.tag->keepraw);
        EXPECT_EQ(outline(back.records()), outline(orig.records()));
        EXPECT_LE(out.size(), in.size());
        EXPECT_EQ(back.tag->ShapeBounds.Xmax, 6000);
        // Only hairlines change: they become one twip wide.
        const LINESTYLEARRAY &ol = orig.tag->Shapes.LineStyles, &bl = back.tag->Shapes.LineStyles;
        EXPECT_EQ(code == 83 ? ol.LineStyles2[0].Width : ol.LineStyles[0].Width, 0);
        EXPECT_EQ(code == 83 ? bl.LineStyles2[0].Width : bl.LineStyles[0].Width, 1);
    }
}

TEST_P(ShapeVersion, ClosedPathsStayClosedAtAnyRatio) {
    const int code = GetParam();
    for (int k : {3, 20, 100}) {
        CCparams.Sha_ForceCCR = k;
        // Simplified as far as every control goes.
        CCparams.Sha_Idup = CCparams.Sha_PenOpt = CCparams.Sha_ForceStraight = CCparams.Sha_ForceStraightValue = 1;
        CCparams.Sha_PenAngle = 90;
        CCparams.Sha_ForceCurAngle = 2;
        Shaperun<> opt(randomshape(code, uint32_t(k), 4));
        Shaperun<Tswftag_defineshape> back(opt.write());
        ASSERT_FALSE(back.tag->keepraw);
        // Each path returns to its move target.
        std::vector<Point> pts = outline(back.records());
        Point start{0, 0};
        for (size_t i = 0; i < pts.size(); ++i) {
            if (!(pts[i] == Point{-1, -1})) continue;
            if (i > 0) {
                EXPECT_EQ(pts[i - 1], start) << "k " << k;
            }
            start = pts[i + 1];
        }
        EXPECT_EQ(pts.back(), start);
    }
}

// Read and written in the tag table; here what reading registers.
TEST_P(ShapeVersion, BitmapFillsOfStylesAndLinesRegisterTheShapeAsUser) {
    addbmpid(7);
    Shaperun<Tswftag_defineshape> run(richshape(GetParam()));
    ASSERT_FALSE(run.tag->keepraw);
    const TBITMAPREC* rec = bitmaprec(7);
    ASSERT_EQ(rec ? pascal_com::length(rec->Users) : 0u, 1u);
    EXPECT_EQ(rec->Users[0].UserId, 5);
}

INSTANTIATE_TEST_SUITE_P(AllVersions, ShapeVersion, ::testing::Values(2, 22, 32, 83));

TEST_F(ShapeTest, BodyThatOutgrowsTwiceItsInputIsWrittenWhole) {
    // Bare bitmap matrices gain a scale of 4.0 each: the body grows 2.5 times.
    addbmpid(7);
    BITMAPRECS[IDS[7].BitmapIndex].ImageScaleX = BITMAPRECS[IDS[7].BitmapIndex].ImageScaleY = 0.25;
    CCparams.Sha_ForceCCR = 1;
    ShapeWriter s(32);
    s.fillcount(300);
    for (int i = 0; i < 300; ++i) s.bitmap(0x41, 7, Mat{});
    s.linecount(0).bits(9, 0).change({.move = true, .fill0 = 299}).straight(50, 50).endshape();
    Bytes in = shape(32, s);
    Shaperun<> run(in);
    Bytes out = run.write();
    ASSERT_FALSE(run.tag->keepraw);
    EXPECT_GT(out.size(), 2 * in.size());
    Shaperun<Tswftag_defineshape> back(out);
    ASSERT_FALSE(back.tag->keepraw);
    ASSERT_EQ(back.tag->Shapes.FillStyles.FillStyleCountExtended, 300);
    EXPECT_EQ(back.tag->Shapes.FillStyles.FillStyles[299].BitmapMatrix.ScaleY, 4 << 16);
    EXPECT_EQ(back.records()[1].DeltaX, 50);
}

TEST_F(ShapeTest, ValuesThatNoLongerFitLeaveTheShapeAsRead) {
    addbmpid(7);
    BITMAPRECS[IDS[7].BitmapIndex].ImageScaleX = 1e-9;
    ShapeWriter s(2);
    s.fillcount(1).bitmap(0x40, 7, Mat{0, 0, 20 << 16, 20 << 16}).linecount(0).bits(1, 0);
    s.change({.move = true, .fill0 = 1}).straight(20, 20).endshape();
    Bytes in = shape(2, s, 6);
    Shaperun<> run(in);
    EXPECT_EQ(IDS[6].Kind, IDKIND_SHAPE);
    EXPECT_EQ(run.write(), in);
    EXPECT_TRUE(run.tag->keepraw);
    // Shown at its own size, so placements must not enlarge it.
    EXPECT_EQ(IDS[6].Kind, IDKIND_NONE);
}

TEST_F(ShapeTest, WriterRefusesValuesItsFieldsCannotHold) {
    ShapeWriter s(2);
    s.fillcount(0).linecount(0).bits(0, 0).change({.move = true}).straight(3, 0).endshape();
    Shaperun<Tswftag_defineshape> run(shapetag(2, 1, 0, 1, 0, 1, s.take()));
    ASSERT_FALSE(run.tag->keepraw);
    unsigned char* out = nullptr;
    Tparsefill pf;
    pf.setfill(out);
    SHAPERECORD* r = run.records();
    r[1].DeltaX = 1 << 16;  // an edge field holds at most 17 bits
    EXPECT_THROW(SHAPERECORDfill(pf, r, 0, 0, 2), Tparseerror);
    r[1].DeltaX = (1 << 16) - 1;
    EXPECT_NO_THROW(SHAPERECORDfill(pf, r, 0, 0, 2));
    r[0].MoveDeltaX = 1 << 30;  // a move field at most 31
    EXPECT_THROW(SHAPERECORDfill(pf, r, 0, 0, 2), Tparseerror);
    r[0].MoveDeltaX = 0;
    r[0].StateFillStyle0 = 2;
    r[0].FillStyle0 = 1;  // no index bits
    EXPECT_THROW(SHAPERECORDfill(pf, r, 0, 0, 2), Tparseerror);
    r[0].StateFillStyle0 = 0;
    pascal_com::setlength(out, 1, 0);
}
