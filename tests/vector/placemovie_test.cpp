// Placements and buttons of a whole movie through the engine's stages.
#include "pipeline/tagsmith.h"
#include "placetest.h"
#include "support/enginerun.h"
#include "vector/definebutton.h"
#include "vector/defineshape.h"

using namespace placetest;

TEST_F(PlaceTest, DividedShapesKeepTheirSizeWhereverTheyAreShown) {
    // Shape 1 shown four ways: in a sprite without a matrix and then moved,
    // by a button, and directly on the main timeline.
    swfb::Movie m;
    m.version = 8;
    const Bytes bare = swfb::tag(26, swfb::Writer().u8(0x02).u16(1).u16(1).take());
    const Bytes actions = {0x00, 0x00, 0x08, 0x00, 0x07, 0x00};
    m.tags = {swfb::rectshape(1, 2000, 1000, 200, 0, 0),
              swfb::sprite(2, 2, {bare, swfb::showframe(), swfb::placemove(1, 40, 0, 2 * kOne), swfb::showframe()}),
              swfb::button2(3, 1, 1, 100, 200, actions),
              swfb::place2(2, 1, 0, 0),
              swfb::place2(3, 2, 500, 500),
              swfb::place2(1, 3, 200, 300),
              swfb::showframe()};
    Written w = optimize(m, 20);
    ASSERT_EQ(w.placements.size(), 5u);
    ASSERT_EQ(w.firstrootplacement, 2);
    EXPECT_EQ(w.placements[0].ScaleX, 20 * kOne) << "placed in the sprite without a matrix";
    EXPECT_EQ(w.placements[1].ScaleX, 40 * kOne);
    EXPECT_EQ(w.placements[1].TranslateX, 40);
    EXPECT_EQ(w.placements[2].HasScale, 0) << "the sprite itself is not divided";
    EXPECT_EQ(w.placements[3].HasScale, 0) << "nor is the button";
    EXPECT_EQ(w.placements[4].ScaleX, 20 * kOne);
    EXPECT_EQ(w.placements[4].TranslateY, 300);

    for (const auto& t : w.tags) {
        if (t.code == 34) {
            auto b = parse<Tswftag_definebutton>(swfb::tag(34, t.body));
            ASSERT_EQ(b->keepraw, 0);
            EXPECT_EQ(b->Records[0].PlaceMatrix.ScaleX, 20 * kOne);
            EXPECT_EQ(b->Records[0].PlaceMatrix.TranslateY, 200);
            EXPECT_EQ(Bytes(b->Actions, b->Actions + pascal_com::length(b->Actions)), actions);
        }
        if (t.code == 2) {
            auto s = parse<Tswftag_defineshape>(swfb::tag(2, t.body));
            EXPECT_EQ(s->ShapeBounds.Xmax, 101) << "2010 twips / 20";
        }
    }

    // With ratio 1 nothing is scaled.
    Written same = optimize(m, 1);
    ASSERT_EQ(same.placements.size(), 5u);
    EXPECT_EQ(same.placements[0].HasScale, 0);
    EXPECT_EQ(same.placements[1].ScaleX, 2 * kOne);
}
