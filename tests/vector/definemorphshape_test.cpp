// A morph shape through the whole engine: divided, and its placement scaled back.
#include "placetest.h"
#include "shapetest.h"
#include "vector/definemorphshape.h"

using namespace placetest;

TEST_F(PlaceTest, MorphShapesAreDividedAndTheirPlacementsScaledBack) {
    for (int code : {46, 84})
        for (int imo : {0, 1, 2}) {  // 2: on, but a stroke too thin to scale
            SCOPED_TRACE("code " + std::to_string(code) + " Sha_Imo " + std::to_string(imo));
            const Bytes morph = richmorph(code, 1, imo == 2 ? 20 : 60);
            const Written w = optimize({.tags = {morph, swfb::place2(1, 1, 200, 300), swfb::showframe()}}, 20,
                                       [imo](Tparams& p) { p.Sha_Imo = imo != 0; });
            const int k = imo == 1 ? 2 : 1;  // morphs go no further than 2
            ASSERT_EQ(w.placements.size(), 1u);
            EXPECT_EQ(w.placements[0].HasScale ? w.placements[0].ScaleX : kOne, k * kOne);
            EXPECT_EQ(w.placements[0].TranslateY, 300);
            for (const auto& t : w.tags) {
                if (t.code != code) continue;
                if (imo != 1) {
                    EXPECT_EQ(swfb::tag(code, t.body), morph) << "passed through";
                    continue;
                }
                auto before = parse<Tswftag_definemorphshape>(morph);
                auto after = parse<Tswftag_definemorphshape>(swfb::tag(code, t.body));
                ASSERT_EQ(after->keepraw, 0);
                EXPECT_EQ(after->EndBounds.Xmax, 350) << "700 twips / 2";
                EXPECT_EQ(after->Start.LineStyles.LineStyles ? after->End.LineStyles.LineStyles[0].Width
                                                             : after->End.LineStyles.LineStyles2[0].Width, 40);
                EXPECT_EQ(after->Start.FillStyles.FillStyles[1].GradientMatrix.TranslateX, 50);
                for (auto [b, a] : {std::pair{&before->Start, &after->Start}, std::pair{&before->End, &after->End}}) {
                    const auto want = outline(b->ShapeRecords), got = outline(a->ShapeRecords, k);
                    ASSERT_EQ(got.size(), want.size());
                    for (size_t i = 0; i < got.size(); ++i) {
                        EXPECT_LE(std::abs(got[i].x - want[i].x), k / 2) << i;
                        EXPECT_LE(std::abs(got[i].y - want[i].y), k / 2) << i;
                    }
                }
            }
        }
}
