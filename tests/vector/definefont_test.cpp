// Font and text tags read and written unchanged, and tags that cannot be read.
#include <gtest/gtest.h>

#include "vector/fonttest.h"

using namespace swfb;
using namespace fonttest;

namespace {

FontSpec layoutfont(int code) {
    FontSpec f;
    f.code = code;
    f.id = 3;
    f.name = std::string("Arial\0", 6);
    f.glyphs = {glyphsquare(10, 20, 300), glyphsquare(-1024, 0, 512), Bytes{0x10, 0x00}};
    f.layout = true;
    f.ascent = 900;
    f.descent = 212;
    f.leading = -40;
    f.advances = {600, -12, 0};
    // -1024 needs 11 bits; a writer of its own would choose 12.
    f.bounds = {{0, 300, -1024, 300}, {-1024, -512, 0, 512}, {0, 0, 0, 0}};
    f.kerning = {{'A', 'B', -60}, {'B', 'C', 35}};
    return f;
}

template <class T>
void expectsame(const std::vector<Bytes>& tags) {
    Fontrun<T> run(tags);
    auto out = run.write();
    for (size_t i = 0; i < tags.size(); ++i) {
        EXPECT_EQ(run.tags[i]->keepraw, 0) << "tag " << i;
        EXPECT_EQ(out[i], tags[i]) << "tag " << i;
    }
}

}  // namespace

TEST_F(FontTest, FontsOfEveryVersionRoundTrip) {
    FontSpec v1;
    v1.code = 10;
    v1.glyphs = {glyphsquare(0, 0, 100), glyphsquare(5, 5, 40000)};
    FontSpec device1;  // outlines come from nowhere: the body is the id alone
    device1.code = 10;
    device1.id = 2;
    FontSpec wide = layoutfont(48);
    wide.wideoffsets = true;
    wide.widecodes = true;
    wide.codes = {0x4E00, 0x4E01, 0x20};
    wide.kerning = {{0x4E00, 0x4E01, -7}};
    FontSpec nolayout = layoutfont(48);
    nolayout.layout = false;
    FontSpec nobounds = layoutfont(48);
    nobounds.withbounds = false;
    FontSpec nokerning = layoutfont(75);
    nokerning.withkerning = false;
    FontSpec narrow3 = layoutfont(75);  // DefineFont3 whose codes are narrow stays narrow
    FontSpec device2;
    device2.name = "_sans";
    device2.layout = true;
    device2.tail = {0x00, 0x00, 0x84, 0x03};  // an offset or a layout: kept either way
    FontSpec trailing = layoutfont(48);
    trailing.tail = {1, 2, 3};
    expectsame<Tswftag_definefont>({definefont(v1), definefont(device1), definefont(layoutfont(48)),
                                     definefont(layoutfont(75)), definefont(wide), definefont(nolayout),
                                     definefont(nobounds), definefont(nokerning), definefont(narrow3),
                                     definefont(device2), definefont(trailing)});
}

TEST_F(FontTest, TextsOfEveryVersionRoundTrip) {
    TextRec a;
    a.fontid = 3;
    a.height = 240;
    a.color = true;
    a.r = 200;
    a.hasx = a.hasy = true;
    a.x = -40;
    a.y = 300;
    a.glyphs = {{0, 120}, {1, -3}, {2, 0}};
    TextRec b;  // no font: keeps the height of the record before
    b.hasy = true;
    b.y = 600;
    b.glyphs = {{1, 77}};
    EditText full;
    full.fontid = 3;
    full.text = "hello";
    full.html = true;
    full.wordwrap = full.multiline = full.password = full.readonly = full.autosize = true;
    full.noselect = full.border = full.wasstatic = true;
    full.hascolor = true;
    full.rgba = 0x11223344;
    full.maxlength = 12;
    full.haslayout = true;
    full.align = 2;
    full.leftmargin = 40;
    full.rightmargin = 60;
    full.indent = 20;
    full.leading = -2;
    full.variable = "score";
    full.xmin = -1024;  // stored narrower than a writer of its own would
    EditText byclass;
    byclass.fontclass = "MyFont";
    byclass.height = 300;
    EditText bare;
    bare.hastext = false;
    bare.useoutlines = false;
    expectsame<Tswftag_definetext>({definetext(11, 5, {a, b}), definetext(33, 6, {a, b}),
                                     definetext(11, 7, {a}, 9, 17), definetext(33, 8, {a, b}, -1, -1, false),
                                     definetext(11, 9, {}), defineedittext(full), defineedittext(byclass),
                                     defineedittext(bare)});
}

TEST_F(FontTest, OptimizingClassesLeaveUnusedFontsAndPlainTextsAlone) {
    // No text draws with font 3, so only scripts could: it stays as it is.
    EditText device;
    device.fontid = 4;
    device.useoutlines = false;
    device.text = "x";
    FontSpec f4 = layoutfont(48);
    f4.id = 4;
    expectsame<Tswftag>({definefont(layoutfont(48)), definefont(f4), defineedittext(device)});
    EXPECT_EQ(IDS[3].Kind, IDKIND_NONE);
    EXPECT_EQ(IDS[4].Kind, IDKIND_NONE);
}

TEST_F(FontTest, DamagedTagsAreWrittenAsRead) {
    Bytes good = definefont(layoutfont(48));
    std::vector<Bytes> bad;
    {
        Bytes b = body(good);
        b[13] = 0xFF;  // first glyph offset no longer follows the table
        bad.push_back(tag(48, b));
    }
    {
        Bytes b = body(good);
        b.resize(b.size() - 20);  // cut inside the bounds table
        bad.push_back(tag(48, b));
    }
    bad.push_back(tag(10, {1, 0, 3, 0}));           // odd table size
    bad.push_back(tag(10, {1, 0, 4, 0, 9, 0, 1}));  // second glyph past the body
    {
        FontSpec f = layoutfont(48);
        f.glyphs[0] = {0x10, 0xFF, 0xFF};  // a record cut short inside the glyph
        bad.push_back(definefont(f));
    }
    TextRec r;
    r.fontid = 3;
    r.height = 240;
    r.glyphs = {{1, 1}, {2, 2}, {3, 3}};
    {
        Bytes b = body(definetext(11, 5, {r}));
        b.resize(b.size() - 2);  // glyph entries cut off
        bad.push_back(tag(11, b));
    }
    {
        Bytes b = body(definetext(11, 5, {r}));
        b[10] = 40;  // GlyphBits: indices wider than any field
        bad.push_back(tag(11, b));
    }
    {
        EditText e;
        e.fontid = 3;
        e.text = "abc";
        Bytes b = body(defineedittext(e));
        b.pop_back();  // the text loses its terminator
        bad.push_back(tag(37, b));
    }
    Fontrun<Tswftag> run(bad);
    auto out = run.write();
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_EQ(run.tags[i]->keepraw, 1) << "tag " << i;
        EXPECT_EQ(out[i], bad[i]) << "tag " << i;
    }
}

TEST_F(FontTest, OffsetsFollowGlyphsThatShrink) {
    FontSpec f = layoutfont(48);
    Fontrun<Tswftag_definefont> run({definefont(f)});
    auto& font = run.as<Tswftag_definefont>(0);
    pascal_com::setlength(font.Glyphs[0].Bytes, 1, 2);  // a glyph of two bytes now
    font.Glyphs[0].Bytes[0] = 0x10;
    font.Glyphs[0].Bytes[1] = 0x00;
    Fontrun<Tswftag_definefont> reread(run.write());
    auto& again = reread.as<Tswftag_definefont>(0);
    ASSERT_EQ(again.keepraw, 0);
    ASSERT_EQ(again.NumGlyphs, 3);
    EXPECT_EQ(again.OffsetTable[0], 8u);  // the table's own size
    EXPECT_EQ(again.OffsetTable[1], 10u);
    EXPECT_EQ(again.CodeTableOffset, 10u + pascal_com::length(font.Glyphs[1].Bytes) + 2);
    EXPECT_EQ(again.FontKerningTable[1].FontKerningAdjustment, 35);
}

TEST_F(FontTest, NarrowOffsetsBecomeWideWhenGlyphsOutgrowThem) {
    FontSpec f = layoutfont(75);
    Fontrun<Tswftag_definefont> run({definefont(f)});
    auto& font = run.as<Tswftag_definefont>(0);
    pascal_com::setlength(font.Glyphs[1].Bytes, 1, 70000);
    Fontrun<Tswftag_definefont> reread(run.write());
    auto& again = reread.as<Tswftag_definefont>(0);
    ASSERT_EQ(again.keepraw, 0);
    EXPECT_EQ(again.FontFlagsWideOffsets, 1);
    EXPECT_EQ(again.OffsetTable[0], 16u);
    EXPECT_EQ(pascal_com::length(again.Glyphs[1].Bytes), 70000u);
}
