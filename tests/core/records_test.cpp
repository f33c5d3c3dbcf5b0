#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "core/parsefill.h"
#include "coretest.h"

using namespace pascal_com;
using Bytes = std::vector<uint8_t>;

namespace {

// Runs a writer on a fresh array and returns the bytes written.
template <typename F>
Bytes written(F f) {
    Dynbytes out(Bytes{});
    Tparsefill w;
    w.setfill(out.p);
    f(w);
    return Bytes(out.p, out.p + w.fillpos);
}

struct Reader {
    Dynbytes d;
    Tparsefill r{d.p, 0, 0};
    explicit Reader(const Bytes& b) : d(b) {}
};

}  // namespace

// Each field in turn the widest: the width written must follow whichever it is. A negative power of two gets one bit
// more than it needs (-512 in 11 bits, -1 in 2), as the players' own writers do.
TEST(Rect, WidthFollowsTheWidestFieldBothWaysAndBadOnesThrow) {
    const struct {
        int32_t xmin, xmax, ymin, ymax;
        Bytes bytes;
    } rows[] = {
        {0, 0, 0, 0, {0x08, 0x00}},
        {0, 50, 0, 400, {0x50, 0x00, 0x19, 0x00, 0x0C, 0x80}},
        {0, 400, 0, 50, {0x50, 0x00, 0xC8, 0x00, 0x01, 0x90}},
        {-400, 0, 0, 50, {0x54, 0xE0, 0x00, 0x00, 0x01, 0x90}},
        {0, 50, -400, 0, {0x50, 0x00, 0x19, 0x4E, 0x00, 0x00}},
        {0, 50, 0, -512, {0x58, 0x00, 0x06, 0x40, 0x03, 0x00, 0x00}},
        {0, 50, 0, -513, {0x58, 0x00, 0x06, 0x40, 0x02, 0xFF, 0x80}},
        {-1, 0, 0, 0, {0x16, 0x00}},
        {-10, 11000, 0, 8000, {0x7F, 0xFF, 0x65, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.xmin << " " << row.xmax << " " << row.ymin << " " << row.ymax);
        // The stored width is ignored.
        EXPECT_EQ(written([&](Tparsefill& w) { w.SRECTfill(SRECT{31, row.xmin, row.xmax, row.ymin, row.ymax}); }),
                  row.bytes);
        Reader in(row.bytes);
        SRECT back{};
        in.r.SRECTparse(back);
        EXPECT_EQ(in.r.parsepos, row.bytes.size());
        EXPECT_EQ(back.Nbits, row.bytes[0] >> 3);
        EXPECT_EQ((std::array{back.Xmin, back.Xmax, back.Ymin, back.Ymax}),
                  (std::array{row.xmin, row.xmax, row.ymin, row.ymax}));
    }
    Reader in({0xF8, 0x00, 0x00});  // 31-bit fields in three bytes
    SRECT r{};
    EXPECT_THROW(in.r.SRECTparse(r), Tparseerror);
    EXPECT_THROW(written([](Tparsefill& w) { w.SRECTfill(SRECT{0, INT32_MIN, 0, 0, 0}); }), Tparseerror);
}

// Scale, skew and translation each get their own width from their widest value.
TEST(Matrix, EachPartGetsTheWidthOfItsWidestValueBothWays) {
    const struct {
        int32_t tx, ty, sx, sy, r0, r1;
        bool hasscale, hasrotate;
        Bytes bytes;
    } rows[] = {
        // Unit scale and zero skews count as absent.
        {0, 0, 0x10000, 0x10000, 0, 0, true, true, {0x00}},
        {1, 0, 0, 0, 0, 0, false, false, {0x04, 0x80}},
        {-300, 45, 0x2C000, -0x18000, 0x8000, -0x14000, true, true,
         {0xCD, 0x60, 0x00, 0x68, 0x00, 0x0C, 0x88, 0x00, 0x0B, 0x00, 0x01, 0x56, 0xA0, 0x5A}},
        {3, 0, 0x100, -0x30000, 0, 0, true, false, {0xCC, 0x00, 0x80, 0x50, 0x00, 0x00, 0xD8}},
        {0, 7, 0, 0, 1, 0x7FFFF, false, true, {0x68, 0x00, 0x00, 0x2F, 0xFF, 0xFE, 0x40, 0x70}},
        {5, -16384, 0, 0, 0, 0, false, false, {0x20, 0x00, 0x0B, 0x80, 0x00}},
        {-1024, 1023, 0, 0, 0, 0, false, false, {0x19, 0x80, 0x07, 0xFE}},
        {1023, -1024, 0, 0, 0, 0, false, false, {0x18, 0x7F, 0xF8, 0x00}},
        // A scale without translation writes a zero translation width.
        {0, 0, 0x20000, 0x20000, 0, 0, true, false, {0xCD, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00}},
        {0, 0, -0x10000, 0x10000, 0, 0, true, false, {0xCB, 0x00, 0x00, 0x40, 0x00, 0x00}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << "translate " << row.tx << " " << row.ty << " scale " << row.sx << " "
                                          << row.sy << " skew " << row.r0 << " " << row.r1);
        // Fields in declaration order; the stored widths (31) are ignored.
        const MATRIX m{row.hasscale, 31, 0, 0, row.hasrotate, 31, 0, 0, 31, row.tx, row.ty, row.sx, row.sy,
                       row.r0, row.r1};
        EXPECT_EQ(written([&](Tparsefill& w) { w.Matrixfill(m); }), row.bytes);
        if (row.bytes.size() == 1) continue;
        Reader in(row.bytes);
        MATRIX back;
        std::memset(&back, 0x5A, sizeof back);  // every field is set by the parse
        in.r.Matrixparse(back);
        EXPECT_EQ(in.r.parsepos, row.bytes.size());
        EXPECT_EQ((std::array{back.TranslateX, back.TranslateY, back.ScaleX, back.ScaleY, back.RotateSkew0,
                              back.RotateSkew1}),
                  (std::array{row.tx, row.ty, row.sx, row.sy, row.r0, row.r1}));
    }
    // Integer parts are truncated toward zero.
    Reader in(rows[2].bytes);
    MATRIX m{};
    in.r.Matrixparse(m);
    EXPECT_EQ((std::array{m.HasScale, m.ScaleXInt, m.ScaleYInt, m.HasRotate, m.RotateSkew0Int, m.RotateSkew1Int}),
              (std::array{1, 2, -1, 1, 0, -1}));
    Reader cut({0xFC});  // has scale, 31-bit scales, nothing more
    EXPECT_THROW(cut.r.Matrixparse(m), Tparseerror);
}

TEST(BitWidth, SmallestSignedWidthByTheWidestValue) {
    // {a, b, c, d, zerobits, width}; negative powers of two get one bit more.
    const int cases[][6] = {
        {0, 0, 0, 0, 0, 0},       {0, 0, 0, 0, 1, 1},     {1, 0, 0, 0, 1, 2},        {-1, 0, 0, 0, 0, 2},
        {-2, 0, 0, 0, 0, 3},      {-3, 0, 0, 0, 0, 3},    {-4, 0, 0, 0, 0, 4},       {3, 0, 0, 0, 0, 3},
        {4, 0, 0, 0, 0, 4},       {-1024, 0, 0, 0, 0, 12}, {1023, 0, 0, 0, 0, 11},   {1024, 0, 0, 0, 0, 12},
        {0, 50, 0, 400, 1, 10},   {400, 0, 0, -401, 1, 10}, {-8, 7, 0, 0, 0, 5},     {7, -8, 0, 0, 0, 5},
        {0, 0, 0, 1 << 29, 1, 31},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fieldbits(c[0], c[1], c[2], c[3], c[4]), c[5]) << c[0] << " " << c[1] << " " << c[2] << " " << c[3];
    EXPECT_THROW(fieldbits(INT32_MIN, 0, 0, 0, 1), Tparseerror);
    EXPECT_THROW(fieldbits(0, INT32_MAX, 0, 0, 1), Tparseerror);
    EXPECT_THROW(fieldbits(-16384, 0, 0, 0, 0, 15), Tparseerror);
    EXPECT_EQ(fieldbits(-16383, 0, 0, 0, 0, 15), 15);
}

TEST(ColorTransform, WidthComesFromTheValuesAndAbsentTermsStayUntouched) {
    // Nbits 15 as read is ignored; RedAddTerm is not present, so not written.
    const CXFORM c{0, 1, 15, 256, -3, 0, 99, 0, 0};
    Bytes b = written([&](Tparsefill& w) { w.CXFORMfill(c); });
    EXPECT_EQ(b, (Bytes{0x69, 0x00, 0xff, 0x40, 0x00}));
    Reader in(b);
    CXFORM back{};
    back.RedAddTerm = 77;
    in.r.CXFORMparse(back);
    EXPECT_EQ((std::array{int32_t(back.Nbits), back.RedMultTerm, back.GreenMultTerm, back.RedAddTerm}), (std::array{10, 256, -3, 77}));

    // AlphaAddTerm is the widest: 9 bits.
    const CXFORMWITHALPHA a{1, 1, 0, 0, 0, 0, 128, 5, 0, 0, -255};
    Bytes ab = written([&](Tparsefill& w) { w.CXFORMWITHALPHAfill(a); });
    EXPECT_EQ(ab.size(), size_t((6 + 8 * 9 + 7) / 8));
    Reader ain(ab);
    CXFORMWITHALPHA aback{};
    ain.r.CXFORMWITHALPHAparse(aback);
    EXPECT_EQ((std::array{int32_t(aback.Nbits), aback.AlphaMultTerm, aback.AlphaAddTerm, aback.RedAddTerm}),
              (std::array{9, 128, -255, 5}));
    EXPECT_EQ(ain.r.parsepos, ab.size());

    const CXFORM none{1, 0, 0, 0, 0, 0, 0, 0, 0};  // all zero: no bits at all
    EXPECT_EQ(written([&](Tparsefill& w) { w.CXFORMfill(none); }), (Bytes{0x80}));
}

TEST(Gradient, FocalPointRoundTripsAndTruncationDoesNotLeak) {
    Bytes b{0x01, 0, 1, 2, 3, 4, 0x80, 0xFF};
    Reader in(b);
    FOCALGRADIENT f{};
    in.r.FOCALGRADIENTparse(f, 83);
    EXPECT_EQ(f.FocalPoint, 0xFF80);
    EXPECT_EQ(written([&](Tparsefill& w) { w.FOCALGRADIENTfill(f, 83); }), b);
    // A second parse into the same record, cut off inside its stops: the
    // records allocated stay with f (freed below, checked by the sanitizer).
    Reader cut({0x03, 0, 1, 2, 3, 4, 9});
    EXPECT_THROW(cut.r.FOCALGRADIENTparse(f, 83), Tparseerror);
    FOCALGRADIENTfree(f);
    EXPECT_EQ(f.GradientRecords, nullptr);
}

namespace {

Bytes allfilters() {
    swfb::Writer w;
    w.u8(9);
    w.u8(0).raw({1, 2, 3, 4}).u32(0x10000).u32(0x20000).u32(0x30000).u32(0x40000).u16(0x180);
    w.ub(1, 1).ub(1, 0).ub(1, 1).ub(5, 3);
    // blur
    w.u8(1).u32(0x50000).u32(0x60000).ub(5, 2).ub(3, 0);
    // glow
    w.u8(2).raw({5, 6, 7, 8}).u32(1).u32(2).u16(3).ub(1, 0).ub(1, 1).ub(1, 0).ub(5, 1);
    // bevel
    w.u8(3).raw({9, 9, 9, 9, 8, 8, 8, 8}).u32(1).u32(2).u32(3).u32(4).u16(5).ub(1, 1).ub(1, 1).ub(1, 0).ub(1, 1).ub(4, 2);
    // gradient glow, two colours
    w.u8(4).u8(2).raw({1, 1, 1, 1, 2, 2, 2, 2}).raw({0, 255}).u32(1).u32(2).u32(3).u32(4).u16(5);
    w.ub(1, 0).ub(1, 0).ub(1, 1).ub(1, 1).ub(4, 1);
    // convolution 2 x 3
    w.u8(5).u8(2).u8(3).u32(0x3F800000).u32(0);
    for (int i = 0; i < 6; ++i) w.u32(uint32_t(i));
    w.raw({4, 3, 2, 1}).ub(6, 0).ub(1, 1).ub(1, 0);
    // colour matrix
    w.u8(6);
    for (int i = 0; i < 20; ++i) w.u32(uint32_t(i * 3));
    // gradient bevel, one colour
    w.u8(7).u8(1).raw({7, 7, 7, 7}).raw({128}).u32(9).u32(8).u32(7).u32(6).u16(5).ub(1, 1).ub(1, 0).ub(1, 0).ub(1, 0).ub(4, 15);
    // unknown filter: its id byte alone
    w.u8(200);
    return w.take();
}

}  // namespace

TEST(Filters, EveryKindRoundTripsAndEveryTruncationThrowsAndFreesCleanly) {
    const Bytes b = allfilters();
    Reader in(b);
    FILTERLIST list{};
    in.r.FILTERLISTparse(list);
    EXPECT_EQ(in.r.parsepos, b.size());
    ASSERT_EQ(list.NumberOfFilters, 9);
    const FILTER* f = list.Filters;
    EXPECT_EQ((std::array<int64_t, 8>{f[0].DropShadow.Strength, f[0].DropShadow.Passes, f[3].Bevel.HighlightColor.R,
                                      f[4].Gradient.GradientRatio[1], f[5].Convolution.Matrix[5],
                                      f[5].Convolution.Clamp, f[6].ColorMatrix.Matrix[19], f[7].Gradient.Passes}),
              (std::array<int64_t, 8>{0x180, 3, 8, 255, 5, 1, 57, 15}));
    EXPECT_EQ(written([&](Tparsefill& w) { w.FILTERLISTfill(list); }), b);
    FILTERLISTfree(list);
    EXPECT_EQ(list.Filters, nullptr);
    for (size_t n = 0; n < b.size(); ++n) {
        Reader cut(Bytes(b.begin(), b.begin() + long(n)));
        EXPECT_THROW(cut.r.FILTERLISTparse(list), Tparseerror) << n;
        FILTERLISTfree(list);  // what was allocated stays in the list
    }
    // A convolution whose matrix count runs far past the data.
    Reader huge({1, 5, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_THROW(huge.r.FILTERLISTparse(list), Tparseerror);
    FILTERLISTfree(list);
}
