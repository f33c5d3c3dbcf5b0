#include <array>
#include <vector>

#include "placetest.h"
#include "vector/definebutton.h"

using namespace placetest;
using swfb::Writer;

namespace {

struct Rec {
    uint8_t flags = 0x0F;
    uint16_t id = 1;
    uint16_t depth = 1;
    Bytes matrix = Writer().matrix(100, 200).take();
    Bytes cxform = Writer().ub(1, 0).ub(1, 1).ub(4, 10).sb(10, 256).sb(10, 128).sb(10, 200).sb(10, 255).take();
    Bytes filters;
    uint8_t blend = 0;
};

Bytes records(int code, const std::vector<Rec>& recs) {
    Writer w;
    for (const Rec& r : recs) {
        w.u8(r.flags).u16(r.id).u16(r.depth).raw(r.matrix);
        if (code == 34) {
            w.raw(r.cxform);
            if (r.flags & 16) w.raw(r.filters);
            if (r.flags & 32) w.u8(r.blend);
        }
    }
    return w.take();
}

// Two condition actions: on release, stop; on roll over, play.
Bytes condactions() { return {0x06, 0x00, 0x08, 0x00, 0x07, 0x00, 0x00, 0x00, 0x01, 0x00, 0x06, 0x00}; }

// A DefineButton2 whose ActionOffset points `gap` bytes past the end flag.
Bytes button2(uint16_t id, const std::vector<Rec>& recs, const Bytes& actions, uint32_t gap = 0, uint8_t menu = 1) {
    Bytes recbytes = records(34, recs);
    uint32_t offset = actions.empty() ? 0 : uint32_t(2 + recbytes.size() + 1 + gap);
    Writer w;
    w.u16(id).u8(menu).u16(offset).raw(recbytes).u8(0).raw(Bytes(gap, 0xEE)).raw(actions);
    return swfb::tag(34, w.take());
}

Bytes actionbytes(const Tswftag_definebutton& b) {
    return Bytes(b.Actions, b.Actions + pascal_com::length(b.Actions));
}

}  // namespace

TEST_F(PlaceTest, DividedShapeRecordsAreScaledAndActionOffsetFollows) {
    IDS[1].Kind = IDKIND_SHAPE;
    Rec shape, other;
    other.id = 2;
    other.matrix = Writer().matrix(7, 7, 2 * kOne, 2 * kOne, kOne / 8, kOne / 8).take();
    Rec rotated = shape;
    rotated.matrix = Writer().matrix(7, 7, kOne / 2, kOne / 2, kOne / 8, -kOne / 8).take();
    Bytes in = button2(30, {shape, other, rotated}, condactions());
    auto b = parse<Tswftag_definebutton_opt>(in);
    Bytes out = write(*b);
    auto back = parse<Tswftag_definebutton>(out);
    ASSERT_EQ(back->keepraw, 0);
    const BUTTONRECORD* r = back->Records;
    EXPECT_EQ((std::array{r[0].PlaceMatrix.ScaleX, r[0].PlaceMatrix.TranslateX, r[1].PlaceMatrix.ScaleX,
                          r[1].PlaceMatrix.RotateSkew0, r[2].PlaceMatrix.ScaleY, r[2].PlaceMatrix.RotateSkew1}),
              (std::array{20 * kOne, 100, 2 * kOne, kOne / 8, 10 * kOne, -20 * kOne / 8}));
    // The records grew; the offset still lands on the first condition action.
    EXPECT_GT(out.size(), in.size());
    EXPECT_EQ(actionbytes(*back), condactions());
    EXPECT_EQ(back->ActionGap, 0u);
    // The tag keeps the movie's matrices: a second write is the same.
    EXPECT_EQ(b->Records[0].PlaceMatrix.HasScale, 0);
    EXPECT_EQ(write(*b), out);
}

TEST_F(PlaceTest, BytesBetweenRecordsAndActionsStayBetweenThem) {
    IDS[1].Kind = IDKIND_SHAPE;
    Bytes in = button2(31, {Rec{}}, condactions(), 3);
    auto b = parse<Tswftag_definebutton_opt>(in);
    ASSERT_EQ(b->keepraw, 0);
    EXPECT_EQ(b->ActionGap, 3u);
    auto back = parse<Tswftag_definebutton>(write(*b));
    ASSERT_EQ(back->keepraw, 0);
    EXPECT_EQ(back->ActionGap, 3u);
    Bytes expect = condactions();
    expect.insert(expect.begin(), 3, 0xEE);
    EXPECT_EQ(actionbytes(*back), expect);
}

TEST_F(PlaceTest, ButtonRecordsRegisterTheirScaleUnderTheButton) {
    const uint16_t bitmap = 7, shape = 10, button = 30;
    Rec r;
    r.id = shape;
    r.matrix = Writer().matrix(0, 0, 2 * kOne, 2 * kOne).take();
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
