#include <array>
#include <vector>

#include "placetest.h"
#include "vector/definebutton.h"

using namespace placetest;

static Bytes actionbytes(const Tswftag_definebutton& b) {
    return Bytes(b.Actions, b.Actions + pascal_com::length(b.Actions));
}

// Three bytes between the records and the actions stay between them.
TEST_F(PlaceTest, DividedShapeRecordsAreScaledAndActionOffsetFollows) {
    IDS[1].Kind = IDKIND_SHAPE;
    const Rec other{.id = 2, .matrix = matrixbytes(7, 7, 2 * kOne, 2 * kOne, kOne / 8, kOne / 8)};
    const Rec rotated{.matrix = matrixbytes(7, 7, kOne / 2, kOne / 2, kOne / 8, -kOne / 8)};
    Bytes in = button2(30, {Rec{}, other, rotated}, condactions(), 3);
    auto b = parse<Tswftag_definebutton_opt>(in);
    ASSERT_EQ(b->ActionGap, 3u);
    Bytes out = write(*b);
    auto back = parse<Tswftag_definebutton>(out);
    ASSERT_EQ(back->keepraw, 0);
    const BUTTONRECORD* r = back->Records;
    EXPECT_EQ((std::array{r[0].PlaceMatrix.ScaleX, r[0].PlaceMatrix.TranslateX, r[1].PlaceMatrix.ScaleX,
                          r[1].PlaceMatrix.RotateSkew0, r[2].PlaceMatrix.ScaleY, r[2].PlaceMatrix.RotateSkew1}),
              (std::array{20 * kOne, 100, 2 * kOne, kOne / 8, 10 * kOne, -20 * kOne / 8}));
    // The records grew; the offset still lands on the gap, then the first condition action.
    EXPECT_GT(out.size(), in.size());
    Bytes expect = condactions();
    expect.insert(expect.begin(), 3, 0xEE);
    EXPECT_EQ(actionbytes(*back), expect);
    EXPECT_EQ(back->ActionGap, 3u);
    // The tag keeps the movie's matrices: a second write is the same.
    EXPECT_EQ(b->Records[0].PlaceMatrix.HasScale, 0);
    EXPECT_EQ(write(*b), out);
}

TEST_F(PlaceTest, ButtonRecordsRegisterTheirScaleUnderTheButton) {
    const uint16_t bitmap = 7, shape = 10, button = 30;
    const Rec r{.id = shape, .matrix = matrixbytes(0, 0, 2 * kOne, 2 * kOne)};
    for (bool opt : {true, false}) {  // the plain class only reads
        clearres();
        addbmpid(bitmap);
        addusedmatrix(bitmap, shape, scalematrix(20 * kOne));
        if (opt) parse<Tswftag_definebutton_opt>(button2(button, {r}, {}));
        if (!opt) parse<Tswftag_definebutton>(button2(button, {r}, {}));
        parse<Tswftag_placeobject_opt>(swfb::place2(button, 1, 0, 0, 3 * kOne / 2));
        EXPECT_DOUBLE_EQ(bitmaprec(bitmap)->MaxScaleX, opt ? 3.0 : 1.0);
    }
}
