#include <gtest/gtest.h>

#include "vector/shapetest.h"

using namespace swfb;

namespace {

const int kCodes[] = {2, 22, 32, 83};

}  // namespace

class ShapeRoundTrip : public ShapeTest, public ::testing::WithParamInterface<int> {};

// Read and written in the tag table; here what reading registers.
TEST_P(ShapeRoundTrip, BitmapFillsOfStylesAndLinesRegisterTheShapeAsUser) {
    addbmpid(7);
    Shaperun<Tswftag_defineshape> run(richshape(GetParam()));
    ASSERT_FALSE(run.tag->keepraw);
    const TBITMAPREC* rec = bitmaprec(7);
    ASSERT_NE(rec, nullptr);
    ASSERT_EQ(pascal_com::length(rec->Users), 1u);
    EXPECT_EQ(rec->Users[0].UserId, 5);
}

TEST_P(ShapeRoundTrip, ExtendedCountsAndUnknownFillTypes) {
    const int code = GetParam();
    ShapeWriter s(code);
    // An unknown type carries nothing: the next byte is the next style.
    s.fillcount(2, true).rawfilltype(0x20).solid(1, 2, 3);
    s.linecount(1, true).line(30, 4, 5, 6).bits(2, 1);
    s.change({.move = true, .fill0 = 2}).straight(40, 0).endshape();
    Bytes in = shapetag(code, 3, 0, 40, 0, 0, s.take());
    Shaperun<Tswftag_defineshape> run(in);
    ASSERT_FALSE(run.tag->keepraw);
    const SHAPEWITHSTYLE& sh = run.tag->Shapes;
    EXPECT_EQ(sh.FillStyles.FillStyleCount, 0xFF);
    EXPECT_EQ(sh.FillStyles.FillStyleCountExtended, 2);
    EXPECT_EQ(sh.FillStyles.FillStyles[0].FillStyleType, 0x20);
    EXPECT_EQ(sh.FillStyles.FillStyles[1].FillStyleType, 0x00);
    EXPECT_EQ(sh.LineStyles.LineStyleCount, 0xFF);
    EXPECT_EQ(run.write(), in);
}

TEST_P(ShapeRoundTrip, EveryCutOfTheBodyIsWrittenAsRead) {
    const int code = GetParam();
    Bytes full = richshape(code);
    size_t head = (full[0] & 63) == 63 ? 6 : 2;
    Bytes body(full.begin() + long(head), full.end());
    for (size_t n = 0; n < body.size(); ++n) {
        clearres();
        Bytes in = tag(code, Bytes(body.begin(), body.begin() + long(n)));
        Shaperun<Tswftag_defineshape> exact(in);
        ASSERT_EQ(exact.write(), in) << "cut at " << n;
        Shaperun<> opt(in);
        Bytes out = opt.write();
        if (opt.tag->keepraw) {
            EXPECT_EQ(out, in);
            EXPECT_NE(IDS[5].Kind, IDKIND_SHAPE);
        }
    }
}

TEST_P(ShapeRoundTrip, RecordListWithoutEndRecordStaysWithoutOne) {
    const int code = GetParam();
    ShapeWriter s(code);
    s.fillcount(0).linecount(0).bits(0, 0);
    // 13 + 11 bits: the list ends on a byte boundary at the end of the body.
    s.change({.move = true, .movebits = 1}).straight(1, 1);
    Bytes in = shapetag(code, 4, 0, 1, 0, 1, s.take());
    Shaperun<Tswftag_defineshape> run(in);
    ASSERT_FALSE(run.tag->keepraw);
    ASSERT_EQ(run.count(), 2u);
    EXPECT_EQ(run.records()[1].Kind, SHAPEREC_STRAIGHT);
    EXPECT_EQ(run.write(), in);
}

INSTANTIATE_TEST_SUITE_P(AllVersions, ShapeRoundTrip, ::testing::ValuesIn(kCodes));

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
