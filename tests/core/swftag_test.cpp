#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "core/swftag.h"
#include "coretest.h"

using namespace pascal_com;
using Bytes = std::vector<uint8_t>;

namespace {

using Data = Dynbytes;

Bytes body(const Tswftag& t) { return Bytes(t.rawbody, t.rawbody + length(t.rawbody)); }

Bytes filled(Tswftag& t) {
    Data out({'x', 'y'});  // output already holding earlier tags
    t.dofill(out.p);
    return Bytes(out.p + 2, out.p + length(out.p));
}

Bytes seq(size_t n, uint8_t start = 0) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = uint8_t(start + i);
    return b;
}

// Reads a u16 and a u32 after the character id; writes them back swapped.
class Tswapper : public Tswftag_define {
public:
    using Tswftag_define::Tswftag_define;
    uint16_t a = 0;
    uint32_t b = 0;
    void doparse() override {
        Tswftag_define::doparse();
        a = U16parse();
        b = U32parse();
    }
    void fillfromstru() override {
        Tswftag_define::fillfromstru();
        beginfill(length(rawbody) * 2);
        U32fill(b);
        U16fill(a);
        endfill();
    }
    void fillother() override { bytearrayappend(newbody, rawbody, 8, -1); }
};

// Rebuilds nothing and drops its body.
class Tdropper : public Tswftag {
public:
    using Tswftag::Tswftag;
    void fillother() override { setlength(newbody, 1, 0); }
};

// Starts writing, then meets a value it cannot write.
class Tfailingwriter : public Tswftag_define {
public:
    using Tswftag_define::Tswftag_define;
    void fillfromstru() override {
        Tswftag_define::fillfromstru();
        beginfill(16);
        U32fill(0xDEADBEEF);
        throw Tparseerror("cannot write");
    }
};

}  // namespace

// The header form follows the body written, never the form read; DefineSprite
// is always long and counts only its own four bytes.
TEST(TagHeader, FormWrittenFollowsTheBody) {
    const struct {
        const char* name;
        Bytes in, out;
    } rows[] = {
        {"long header, short body", swfb::tag(12, seq(10), true), swfb::tag(12, seq(10))},
        {"62 bytes", swfb::tag(12, seq(62), true), swfb::tag(12, seq(62))},
        {"63 bytes", swfb::tag(12, seq(63)), swfb::tag(12, seq(63), true)},
        {"empty body", swfb::tag(1, {}), {0x40, 0x00}},
        {"plain tag", swfb::setbackground(10, 20, 30), swfb::setbackground(10, 20, 30)},
        {"DefineSprite", swfb::sprite(7, 3, {swfb::showframe()}), {0xFF, 0x09, 4, 0, 0, 0, 7, 0, 3, 0}},
        {"short DefineSprite", swfb::tag(39, {1, 2}), {0xFF, 0x09, 2, 0, 0, 0, 1, 2}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Data d(row.in);
        Tswftag t(d.p, 0);
        t.safeparse();
        EXPECT_EQ(filled(t), row.out);
        EXPECT_EQ(filled(t), row.out);  // writing twice gives the same bytes
    }
    // Only a whole DefineSprite holds tags: the container goes on inside it.
    Data sp(swfb::sprite(7, 3, {swfb::showframe()}));
    Tswftag whole(sp.p, 0);
    EXPECT_EQ((std::array<int64_t, 2>{whole.taglen, whole.spriteref}), (std::array<int64_t, 2>{10, 14}));
    EXPECT_EQ(body(whole), (Bytes{7, 0, 3, 0}));
    Data two(swfb::tag(39, {1, 2}));
    Tswftag part(two.p, 0);
    EXPECT_EQ((std::array<int64_t, 2>{part.taglen, part.spriteref}), (std::array<int64_t, 2>{4, -1}));
}

TEST(TagHeader, HeaderOrBodyBeyondTheDataGivesAKeptTag) {
    Bytes file = swfb::tag(12, seq(20));
    file.resize(10);
    Data d(file);
    Tswftag cut(d.p, 0), beyond(d.p, 9), null(nullptr, 0);
    EXPECT_EQ((std::array<int64_t, 4>{cut.keepraw, length(cut.rawbody), beyond.keepraw, null.keepraw}),
              (std::array<int64_t, 4>{1, 8, 1, 1}));
    EXPECT_EQ(beyond.rawbody, nullptr);
    uint16_t code;
    uint32_t len, head;
    EXPECT_FALSE(Tswftag::peekheader(d.p, 10, 9, code, len, head));
    ASSERT_TRUE(Tswftag::peekheader(d.p, 10, 0, code, len, head));
    EXPECT_EQ(len, 20u);
}

TEST(SoundBlock, EmptiedBlockIsDroppedOtherTagsAreNot) {
    Data blk(swfb::tag(19, {1, 2, 3}));
    Tdropper b(blk.p, 0);
    unsigned char* out = nullptr;
    b.dofill(out);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(b.taglen, 0u);
    Data other(swfb::tag(12, {1, 2, 3}));
    Tdropper o(other.p, 0);
    EXPECT_EQ(filled(o), (Bytes{0x00, 0x03}));
}

TEST(Subclass, ReadPastTheBodyFailsOnlyThatTag) {
    Bytes file = swfb::tag(900, {0x01, 0x00, 0xAA, 0xBB, 1});  // u32 cut short
    Bytes next = swfb::tag(900, {0x02, 0x00, 0xAA, 0xBB, 1, 2, 3, 4});
    file.insert(file.end(), next.begin(), next.end());
    Data d(file);
    Tswapper bad(d.p, 0);
    bad.safeparse();
    EXPECT_EQ(bad.keepraw, 1);
    bad.characterid = 99;  // ignored: the tag goes out as read
    EXPECT_EQ(filled(bad), swfb::tag(900, {0x01, 0x00, 0xAA, 0xBB, 1}));
    Tswapper good(d.p, bad.taglen);
    good.safeparse();
    EXPECT_EQ((std::array<int, 2>{good.keepraw, good.characterid}), (std::array{0, 2}));
}

// Fields rebuilt and the rest kept; a kept tag, a failed write and the raw writer send the tag out as read.
TEST(Subclass, ConventionRebuildsFieldsAndWhatIsNotRebuiltGoesOutAsRead) {
    const Bytes raw{0x34, 0x12, 0xAA, 0xBB, 1, 2, 3, 4, 9, 9};
    Data d(swfb::tag(900, raw));
    Tswapper t(d.p, 0), kept(d.p, 0), rawonly(d.p, 0);
    Tfailingwriter failing(d.p, 0);
    for (Tswftag* x : std::initializer_list<Tswftag*>{&t, &kept, &rawonly, &failing}) x->safeparse();
    EXPECT_EQ((std::array<int, 3>{t.keepraw, t.characterid, t.a}), (std::array{0, 0x1234, 0xBBAA}));
    t.characterid = 0x5678;
    EXPECT_EQ(filled(t), swfb::tag(900, {0x78, 0x56, 1, 2, 3, 4, 0xAA, 0xBB, 9, 9}));
    kept.keepraw = 1;
    EXPECT_EQ(filled(kept), swfb::tag(900, raw));
    EXPECT_EQ(filled(failing), swfb::tag(900, raw));
    EXPECT_EQ(failing.keepraw, 1);
    Data out(Bytes{});
    rawonly.dofillraw(out.p);
    EXPECT_EQ(Bytes(out.p, out.p + length(out.p)), swfb::tag(900, raw));
}
