// Each simplification on a shape built in code: what it may simplify goes, what sits at the bound or beyond stays. At
// ratio 1 and natural size the bound is a quarter pixel, 5 twips.
#include <functional>

#include "shapetest.h"
#include "vector/scene.h"

using namespace swfb;

namespace {

enum Control { IDUP = 1, PEN = 2, STRAIGHT = 4, CURVES = 8 };

struct Simplecase {
    const char* what;
    int controls;
    double scale;  // of the one placement; 0: none
    std::function<void(ShapeWriter&)> draw;
    int size;  // style changes and straight edges written, curves counting two
};

class ShapeSimplify : public ShapeTest, public ::testing::WithParamInterface<Simplecase> {};

TEST_P(ShapeSimplify, WithinTheBoundOnly) {
    const Simplecase& c = GetParam();
    CCparams.Sha_ForceCCR = 1;
    CCparams.Sha_Idup = (c.controls & IDUP) != 0;
    CCparams.Sha_PenOpt = (c.controls & PEN) != 0;
    CCparams.Sha_PenAngle = 20;
    CCparams.Sha_ForceStraight = (c.controls & STRAIGHT) != 0;
    CCparams.Sha_ForceStraightValue = 1;
    CCparams.Sha_ForceCurAngle = (c.controls & CURVES) ? 2 : 0;
    if (c.scale > 0) sceneaddedge(1, 0, scalematrix(int32_t(c.scale * 65536)), false);
    ShapeWriter s(22);
    s.fillcount(2).solid(1, 2, 3).solid(4, 5, 6).linecount(1).line(20, 0, 0, 0).bits(2, 1);
    s.change({.movex = 400, .movey = 0, .move = true, .fill0 = 1});
    c.draw(s);
    s.endshape();
    Shaperun<> run(shapetag(22, 1, -2000, 2000, -2000, 2000, s.take()));
    Shaperun<Tswftag_defineshape> back(run.write());
    ASSERT_FALSE(run.tag->keepraw);
    int size = 0;
    for (uint32_t i = 0; i < back.count(); ++i) {
        const uint8_t kind = back.records()[i].Kind;
        size += kind == SHAPEREC_CURVED ? 2 : kind != SHAPEREC_END;
    }
    EXPECT_EQ(size, c.size) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Controls, ShapeSimplify,
    ::testing::Values(
        Simplecase{"collinear edges merge", IDUP, 0, [](ShapeWriter& s) { s.straight(200, 0).straight(200, 0); }, 2},
        Simplecase{"all off", 0, 0, [](ShapeWriter& s) { s.straight(200, 0).straight(200, 0); }, 3},
        Simplecase{"a turn back is no merge", IDUP, 0, [](ShapeWriter& s) { s.straight(200, 0).straight(-100, 0); }, 3},
        Simplecase{"a style change to the style in use goes", IDUP, 0,
                   [](ShapeWriter& s) { s.straight(0, 400).change({.fill0 = 1}).change({.fill0 = 2}).straight(-400, 0); }, 4},
        Simplecase{"a move to where the pen is goes", IDUP, 0,
                   [](ShapeWriter& s) { s.straight(0, 400).change({.movex = 400, .movey = 400, .move = true}).straight(-400, 0); }, 3},
        Simplecase{"but not under a stroke", IDUP, 0,
                   [](ShapeWriter& s) { s.change({.line = 1}).straight(0, 400).change({.line = 1}).straight(-400, 0); }, 5},
        Simplecase{"a chain within the bound", PEN, 0, [](ShapeWriter& s) { s.straight(200, 4).straight(200, -4); }, 2},
        Simplecase{"a chain at the bound", PEN, 0, [](ShapeWriter& s) { s.straight(200, 5).straight(200, -5); }, 3},
        Simplecase{"shown twice as large", PEN, 2, [](ShapeWriter& s) { s.straight(200, 4).straight(200, -4); }, 3},
        Simplecase{"shown half as large", PEN, 0.5, [](ShapeWriter& s) { s.straight(200, 9).straight(200, -9); }, 2},
        Simplecase{"a turn sharper than the angle", PEN, 0, [](ShapeWriter& s) { s.straight(10, 0).straight(3, 3); }, 3},
        Simplecase{"a point another path uses", PEN, 0,
                   [](ShapeWriter& s) {
                       s.straight(200, 4).straight(200, -4).change({.movex = 600, .movey = 4, .move = true});
                       s.straight(0, 100);
                   },
                   5},
        Simplecase{"a flat curve", STRAIGHT, 0, [](ShapeWriter& s) { s.curve(200, 4, 200, -4); }, 2},
        Simplecase{"a curve at the bound", STRAIGHT, 0, [](ShapeWriter& s) { s.curve(200, 5, 200, -5); }, 3},
        Simplecase{"straightened, then one chain", STRAIGHT | PEN, 0,
                   [](ShapeWriter& s) { s.curve(100, 2, 100, -2).straight(200, 3); }, 2},
        // Halves of one curve (0,0) (200,200) (400,0), and of an S.
        Simplecase{"two halves of one curve", CURVES, 0,
                   [](ShapeWriter& s) { s.curve(100, 100, 100, 0).curve(100, 0, 100, -100); }, 3},
        Simplecase{"an S is two curves", CURVES, 0,
                   [](ShapeWriter& s) { s.curve(100, 100, 100, 0).curve(100, 0, 100, 100); }, 5},
        Simplecase{"a closed path stays closed", IDUP | PEN | STRAIGHT | CURVES, 0,
                   [](ShapeWriter& s) { s.straight(0, 200).straight(0, 200).straight(-400, 0).straight(0, -400).straight(400, 0); },
                   5},
        Simplecase{"a square", IDUP | PEN, 0,
                   [](ShapeWriter& s) { s.straight(0, 400).straight(-400, 0).straight(0, -400); }, 4}),
    [](const ::testing::TestParamInfo<Simplecase>& i) { return "case" + std::to_string(i.index); });

}  // namespace
