#include <array>

#include "placetest.h"

using namespace placetest;

static MATRIX writtenmatrix(const Bytes& written) {
    auto t = parse<Tswftag_placeobject>(written);
    EXPECT_EQ(t->keepraw, 0);
    return t->Matrix;
}

TEST_F(PlaceTest, ClipActionListCutInsideItsEndFlagIsAccepted) {
    unsigned char* a = nullptr;
    Bytes b = clipactions6();
    b.resize(b.size() - 2);  // half of the final ClipActionEndFlag
    bytearrayappendraw(a, b.data(), b.size());
    EXPECT_EQ(CLIPACTIONScount(a, 6), 2);
    b.resize(b.size() - 3);  // into the last record's actions
    pascal_com::setlength(a, 1, 0);
    bytearrayappendraw(a, b.data(), b.size());
    EXPECT_THROW(CLIPACTIONScount(a, 6), Tparseerror);
    pascal_com::setlength(a, 1, 0);
}

// Scale and rotation terms are multiplied, translation is not; other
// characters, and any character at ratio 1, are written as read.
TEST_F(PlaceTest, DividedShapeMatrixIsMultipliedByTheShapeRatio) {
    const struct {
        const char* what;
        int ratio;
        Bytes in;
        std::vector<int32_t> want;  // has scale, scale x, y, skew 0, 1, translate x, y; empty: as read
        bool skipshapes = false;    // the shape kind is written as read
    } cases[] = {
        {"no scale before", 20, swfb::place2(1, 1, 200, 300), {1, 20 * kOne, 20 * kOne, 0, 0, 200, 300}},
        {"scaled and skewed", 7, Place{.flags = 0x06, .id = 1,
                                       .matrix = matrixbytes(-15, 16, 3 * kOne / 2, -kOne / 2, kOne / 4, -10001)}.tag(),
         {1, 7 * 3 * kOne / 2, -7 * kOne / 2, 7 * kOne / 4, -70007, -15, 16}},
        {"PlaceObject", 20, swfb::tag(4, Writer().u16(1).u16(9).raw(matrixbytes(40, 40, 2 * kOne, 2 * kOne)).take()),
         {1, 40 * kOne, 40 * kOne, 0, 0, 40, 40}},
        {"a bitmap", 20, swfb::place2(2, 2, 200, 300, 3 * kOne), {}},
        {"ratio 1", 1, swfb::place2(1, 3, 200, 300, 3 * kOne), {}},
        {"shapes skipped", 20, swfb::place2(1, 3, 200, 300, 3 * kOne), {}, true},
        {"no matrix, a name after it", 20, Place{.flags = 0x02 | 0x20, .id = 1, .name = "s"}.tag(),
         {1, 20 * kOne, 20 * kOne, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        clearres();
        IDS[1].Kind = IDKIND_SHAPE;
        IDS[2].Kind = IDKIND_BITMAP;
        CCparams.Sha_ForceCCR = c.ratio;
        CCparams.Skip_Shape = c.skipshapes;
        auto t = parse<Tswftag_placeobject_opt>(c.in);
        const Bytes out = write(*t);
        EXPECT_EQ(write(*t), out) << c.what;  // the tag object keeps what the movie said
        if (c.want.empty()) {
            EXPECT_EQ(out, c.in) << c.what;
            continue;
        }
        const MATRIX m = writtenmatrix(out);
        EXPECT_EQ(std::vector<int32_t>({m.HasScale, m.ScaleX, m.ScaleY, m.HasRotate ? m.RotateSkew0 : 0,
                                        m.HasRotate ? m.RotateSkew1 : 0, m.TranslateX, m.TranslateY}),
                  c.want)
            << c.what;
    }
}

TEST_F(PlaceTest, MoveAtADepthFollowsTheCharacterPlacedThere) {
    IDS[1].Kind = IDKIND_SHAPE;
    write(*parse<Tswftag_placeobject_opt>(swfb::place2(1, 4, 200, 300)));
    write(*parse<Tswftag_placeobject_opt>(swfb::place2(8, 5, 0, 0)));  // a sprite or text
    // The depth holds the matrix as read.
    EXPECT_EQ((std::array<int64_t, 3>{DEPTHS[4].CharacterId, DEPTHS[4].Matrix.TranslateX, DEPTHS[4].Matrix.HasScale}),
              (std::array<int64_t, 3>{1, 200, 0}));
    Place move{.flags = 0x01 | 0x04, .depth = 4, .matrix = matrixbytes(400, 300, 2 * kOne, 2 * kOne)};
    MATRIX m = writtenmatrix(write(*parse<Tswftag_placeobject_opt>(move.tag())));
    EXPECT_EQ((std::array{m.ScaleX, m.TranslateX, DEPTHS[4].Matrix.ScaleX}), (std::array{40 * kOne, 400, 2 * kOne}));

    move.depth = 5;
    EXPECT_EQ(write(*parse<Tswftag_placeobject_opt>(move.tag())), move.tag());

    // A move without a matrix leaves the scaled one in place.
    const Place colour{.flags = 0x01 | 0x08, .depth = 4, .cxform = cxformalpha()};
    EXPECT_EQ(write(*parse<Tswftag_placeobject_opt>(colour.tag())), colour.tag());
}

TEST_F(PlaceTest, ReplacingTheCharacterAtADepthKeepsItsSizeRight) {
    IDS[1].Kind = IDKIND_SHAPE;
    IDS[2].Kind = IDKIND_SHAPE;
    const uint16_t text = 3;
    write(*parse<Tswftag_placeobject_opt>(swfb::place2(1, 1, 50, 60, 2 * kOne)));

    // Divided shape for divided shape: the depth's scaled matrix still fits.
    Place swap{.flags = 0x01 | 0x02, .id = 2};
    EXPECT_EQ(write(*parse<Tswftag_placeobject_opt>(swap.tag())), swap.tag());
    EXPECT_EQ(DEPTHS[1].CharacterId, 2u);

    // Players swap a shape only for a shape: a text leaves the shape there,
    // and a matrix that comes with it is the shape's.
    swap.id = text;
    EXPECT_EQ(write(*parse<Tswftag_placeobject_opt>(swap.tag())), swap.tag());
    EXPECT_EQ(DEPTHS[1].CharacterId, 2u);
    swap.flags |= 0x04;
    swap.matrix = matrixbytes(5, 5, 3 * kOne, 3 * kOne);
    EXPECT_EQ(writtenmatrix(write(*parse<Tswftag_placeobject_opt>(swap.tag()))).ScaleX, 60 * kOne);
    EXPECT_EQ(DEPTHS[1].Matrix.ScaleX, 3 * kOne);

    // The same the other way round: a text stays where a shape would replace it.
    write(*parse<Tswftag_placeobject_opt>(swfb::place2(text, 2, 0, 0)));
    swap.id = 1;
    swap.depth = 2;
    EXPECT_EQ(write(*parse<Tswftag_placeobject_opt>(swap.tag())), swap.tag());
    EXPECT_EQ(DEPTHS[2].CharacterId, text);

    // A replacement at an empty depth is a new placement.
    swap.flags = 0x01 | 0x02;
    swap.depth = 9;
    auto back = parse<Tswftag_placeobject>(write(*parse<Tswftag_placeobject_opt>(swap.tag())));
    EXPECT_EQ((std::array<int64_t, 3>{back->PlaceFlagHasMatrix, back->Matrix.ScaleX, DEPTHS[9].CharacterId}),
              (std::array<int64_t, 3>{4, 20 * kOne, 1}));
}

TEST_F(PlaceTest, EachSpriteHasItsOwnDepthsApartFromTheMainTimeline) {
    IDS[1].Kind = IDKIND_SHAPE;
    write(*parse<Tswftag_placeobject_opt>(swfb::place2(1, 2, 0, 0), 10));
    EXPECT_EQ((std::array{SPRITEDEPTHS[2].CharacterId, DEPTHS[2].CharacterId}), (std::array<uint32_t, 2>{1, 0}));
    const Place move{.flags = 0x01 | 0x04, .depth = 2, .matrix = matrixbytes(10, 10)};
    // Same sprite: the shape is there.
    EXPECT_EQ(writtenmatrix(write(*parse<Tswftag_placeobject_opt>(move.tag(), 10))).ScaleX, 20 * kOne);
    // Main timeline and another sprite: nothing divided at depth 2.
    EXPECT_EQ(write(*parse<Tswftag_placeobject_opt>(move.tag(), -1)), move.tag());
    EXPECT_EQ(write(*parse<Tswftag_placeobject_opt>(move.tag(), 20)), move.tag());
    EXPECT_EQ(SPRITEDEPTHS[2].CharacterId, 0u);
}

TEST_F(PlaceTest, SpritePlacementScaleReachesTheBitmapsInside) {
    const uint16_t bitmap = 7, shape = 10, sprite = 50;
    addbmpid(bitmap);
    addusedmatrix(bitmap, shape, scalematrix(20 * kOne));  // the shape's fill, at natural size
    Cparsesprite = sprite;
    parse<Tswftag_placeobject_opt>(swfb::place2(shape, 1, 0, 0), 3);
    Cparsesprite = 0;
    parse<Tswftag_placeobject_opt>(swfb::place2(sprite, 1, 0, 0, 2 * kOne));
    const TBITMAPREC* r = bitmaprec(bitmap);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ((std::array{r->MaxScaleX, r->MaxScaleY}), (std::array{2.0, 2.0}));
    // A later move that enlarges the sprite counts as well.
    parse<Tswftag_placeobject_opt>(Place{.flags = 0x01 | 0x04, .matrix = matrixbytes(0, 0, 3 * kOne, 3 * kOne)}.tag());
    EXPECT_DOUBLE_EQ(bitmaprec(bitmap)->MaxScaleX, 3.0);

    // A placement that cannot be read registers nothing.
    Bytes bad = swfb::place2(sprite, 2, 0, 0, 5 * kOne);
    bad.pop_back();
    bad[0] -= 1;
    EXPECT_EQ(parse<Tswftag_placeobject_opt>(bad)->keepraw, 1);
    EXPECT_DOUBLE_EQ(bitmaprec(bitmap)->MaxScaleX, 3.0);
}
