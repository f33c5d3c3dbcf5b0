// Fonts divided and the texts that draw with them enlarged by the same ratio.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "support/shapebuilder.h"
#include "vector/definefontalignzones.h"
#include "vector/fontplan.h"
#include "vector/fonttest.h"
#include "vector/htmlsize.h"

using namespace swfb;
using namespace fonttest;

namespace {

FontSpec font(uint16_t id, const std::string& name = "Arial", int code = 48, uint16_t descent = 280,
              int16_t leading = -80) {
    // By default a line height (1280) that every ratio up to 20 but 3, 6, 7, 9... divides.
    return {.code = code, .id = id, .name = name, .glyphs = {glyphsquare(512, -700, 300), glyphsquare(0, 0, 10)},
            .layout = true, .ascent = 1000, .descent = descent, .leading = leading, .advances = {1000, 10},
            .bounds = {{-100, 1000, -700, -400}, {0, 10, 0, 10}}, .kerning = {{'A', 'B', -60}}};
}

TextRec rec(int fontid, uint16_t height) { return {.fontid = fontid, .height = height, .glyphs = {{0, 200}, {1, 150}}}; }

EditText edit(int fontid, uint16_t height, const std::string& text = "", bool html = false) {
    return {.id = 50, .fontid = fontid, .height = height, .text = text, .html = html};
}

// The glyph outline after writing: its move and the first edge.
SHAPERECORD* glyph(Tswftag_definefont& f, uint32_t i, SHAPE& s) {
    Tparsefill reader(f.Glyphs[i].Bytes, 0, 0);
    SHAPEparse(reader, s, int64_t(pascal_com::length(f.Glyphs[i].Bytes)) - 1, f.tagcode, f.characterid);
    return s.ShapeRecords;
}

}  // namespace

TEST_F(FontTest, GlyphsMetricsAndKerningAreDividedAndTextsEnlarged) {
    TextRec plain = rec(-1, 0);  // keeps the height of the record before
    Fontrun<> run({definefont(font(3, "Arial", 48, 255, -30)), definetext(11, 5, {rec(3, 240), plain})});
    run.write();
    auto& f = run.as<Tswftag_definefont>(0);
    EXPECT_EQ(IDS[3].Kind, IDKIND_FONT);
    SHAPE s{};
    SHAPERECORD* r = glyph(f, 0, s);
    EXPECT_EQ((std::array{r[0].MoveDeltaX, r[0].MoveDeltaY}), (std::array{26, -35}));
    SHAPEfree(s);
    // Ascent, descent, leading (-1.5 rounds away from zero), advance, bounds, kerning.
    EXPECT_EQ((std::array<int, 7>{f.FontAscent, f.FontDescent, f.FontLeading, f.FontAdvanceTable[0],
                                  f.FontBoundsTable[0].Xmin, f.FontBoundsTable[0].Xmax,
                                  f.FontKerningTable[0].FontKerningAdjustment}),
              (std::array{50, 13, -2, 50, -5, 50, -3}));
    auto& t = run.as<Tswftag_definetext>(1);
    EXPECT_EQ((std::array<int, 2>{t.TextRecords[0].TextHeight, t.TextRecords[1].TextHeight}), (std::array{4800, 0}));
    // Written offsets match the new glyph sizes.
    Fontrun<Tswftag_definefont> reread({run.write()[0]});
    EXPECT_EQ(reread.tags[0]->keepraw, 0);
}

TEST_F(FontTest, RatioOneOnlyTidiesGlyphs) {
    CCparams.Sha_FontCCR = 1;
    FontSpec f = font(3, "Arial", 10);
    ShapeWriter g(10);
    // The move is written wider than it needs.
    g.bits(1, 0).change({.movex = 5, .movey = 5, .move = true, .movebits = 20});
    g.straight(100, 0).straight(0, 0).straight(0, 100).endshape();
    f.glyphs = {g.take()};
    Fontrun<> run({definefont(f), definetext(11, 5, {rec(3, 240)})});
    auto out = run.write();
    SHAPE s{};
    SHAPERECORD* r = glyph(run.as<Tswftag_definefont>(0), 0, s);
    ASSERT_EQ(pascal_com::length(r), 4u);  // the zero-length edge is gone
    EXPECT_EQ((std::array<int, 3>{r[0].MoveDeltaX, r[0].MoveBits, r[2].DeltaY}), (std::array{5, 4, 100}));
    SHAPEfree(s);
    EXPECT_EQ(run.as<Tswftag_definetext>(1).TextRecords[0].TextHeight, 240);
}

TEST_F(FontTest, HeightsThatWouldOverflowLowerTheFontsRatio) {
    // 4000 x 20 does not fit 16 bits; 4000 x 16 does (DefineFont3 units are fine enough for 4000 twips).
    Fontrun<> run({definefont(font(3, "Arial", 75)), definetext(11, 5, {rec(3, 240)}), definetext(33, 6, {rec(3, 4000)}),
               defineedittext(edit(3, 200))});
    run.write();
    // Descent 1280 / 16 - round(1000 / 16).
    EXPECT_EQ((std::array<int, 4>{run.as<Tswftag_definefont>(0).FontDescent,
                                  run.as<Tswftag_definetext>(1).TextRecords[0].TextHeight,
                                  run.as<Tswftag_definetext>(2).TextRecords[0].TextHeight,
                                  run.as<Tswftag_definetext>(3).FontHeight}),
              (std::array{17, 240 * 16, 64000, 200 * 16}));
}

TEST_F(FontTest, EditTextFontsKeepTheirLinePitchExact) {
    // Lines of an edit text are stacked by ascent + descent (+ leading): a ratio that does not divide them would shift
    // every line a little more.
    Fontrun<> run({definefont(font(3, "Arial", 48, 255, -30)), definefont(font(4, "Other", 48, 255, -30)),
                   defineedittext(edit(3, 240)), definetext(11, 5, {rec(4, 240)})});
    run.write();
    auto& f = run.as<Tswftag_definefont>(0);
    EXPECT_EQ(fontplandivisor(3), 5u);  // the largest up to 20 dividing 1255 and -30
    EXPECT_EQ(f.FontAscent + f.FontDescent, 1255 / 5);
    EXPECT_EQ(f.FontLeading, -6);
    EXPECT_EQ(run.as<Tswftag_definetext>(2).FontHeight, 240 * 5);
    // A font only static texts draw with keeps the whole ratio.
    EXPECT_EQ(fontplandivisor(4), 20u);
}

// Only with the quality option on; off, the plain font ratio applies.
TEST_F(FontTest, LargeTextsKeepGlyphUnitsWithinAPixel) {
    CCparams.Sha_FontHifi = 1;
    // 960 twips: a 1024-unit em divided by 20 would make a unit 18.75 twips.
    Fontrun<> run({definefont(font(3)), definetext(11, 5, {rec(3, 960)}), definefont(font(4, "Other")),
                   defineedittext(edit(4, 1024)), definefont(font(6, "Fine", 75)),
                   definetext(11, 7, {rec(6, 1920)})});
    run.write();
    EXPECT_EQ(fontplandivisor(3), 10u);  // 10240 / 960
    EXPECT_EQ(run.as<Tswftag_definetext>(1).TextRecords[0].TextHeight, 9600);
    EXPECT_EQ(fontplandivisor(4), 10u);  // 10240 / 1024, which also divides its line height
    EXPECT_EQ(fontplandivisor(6), 20u);  // DefineFont3 units are 20 times finer
    CCparams.Sha_FontHifi = 0;
    EXPECT_EQ(fontplandivisor(3), 20u);
}

// The text comes first: it is enlarged all the same.
TEST_F(FontTest, LineHeightRoundsAsAWhole) {
    FontSpec f = font(3);
    f.ascent = 1010;  // 50.5 and 12.5 would both round up
    f.descent = 250;
    Fontrun<> run({definetext(11, 5, {rec(3, 240)}), definefont(f)});
    run.write();
    auto& g = run.as<Tswftag_definefont>(1);
    EXPECT_EQ((std::array<int, 2>{g.FontAscent, g.FontDescent}), (std::array{51, 12}));  // 1260 / 20 - 51
    EXPECT_EQ(run.as<Tswftag_definetext>(0).TextRecords[0].TextHeight, 4800);
}

TEST_F(FontTest, OnlyTextsOfDividedFontsChange) {
    FontSpec device = font(4, "Courier");
    device.glyphs.clear();  // a device font: nothing to divide
    FontSpec broken = font(6, "Broken");
    broken.glyphs[1] = {0x10, 0xFF};
    FontSpec twice = font(7, "Twice");
    Fontrun<> run({definefont(font(3)), definefont(device), definefont(broken), definefont(twice), definefont(twice),
                   definetext(11, 5, {rec(4, 240), rec(6, 240), rec(7, 240)}),
                   defineedittext({.fontid = 3, .text = "abc", .useoutlines = false})});
    auto out = run.write();
    // Font 3: only a device text uses it.
    for (int id : {3, 4, 6, 7}) EXPECT_EQ(IDS[id].Kind, IDKIND_NONE) << id;
    auto& t = run.as<Tswftag_definetext>(5);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(t.TextRecords[i].TextHeight, 240) << i;
    EXPECT_EQ(run.as<Tswftag_definetext>(6).FontHeight, 240);
    EXPECT_EQ(out[1], definefont(device));
}

TEST_F(FontTest, HtmlSizesAreMultipliedWithinWhatPlayersAccept) {
    // 12 x 10 = 120 stays under 127, 12 x 11 would not.
    const std::string html = "<p><FONT FACE=\"Arial\" SIZE='12'>a<font size=-2 color=\"#FF0000\">b</font></FONT>"
                             "<font size=\"9px\">c</font> size=12</p>";
    CCparams.Sha_FontCCR = 10;
    Fontrun<> run({definefont(font(3)), defineedittext(edit(3, 240, html, true)), definetext(11, 5, {rec(3, 240)})});
    run.write();
    auto& e = run.as<Tswftag_definetext>(1);
    EXPECT_EQ(e.FontHeight, 2400);
    EXPECT_STREQ(reinterpret_cast<const char*>(e.InitialText),
                 "<p><FONT FACE=\"Arial\" SIZE='120'>a<font size=-20 color=\"#FF0000\">b</font></FONT><font "
                 "size=\"90px\">c</font> size=12</p>");
    EXPECT_EQ(run.as<Tswftag_definetext>(2).TextRecords[0].TextHeight, 2400);
}

TEST_F(FontTest, HtmlThatCannotKeepItsSizeLeavesItsFontsUndivided) {
    const struct {
        const char* html;
        int ratio;
    } cases[] = {
        {"<font size=\"12\">a</font>", 11},             // 132 would be clamped to 127
        {"<font size=\"1\">a<font size=\"-1\">b", 20},  // 0 is raised to 1
        {"<font face=\"Times\">a</font>", 20},          // a face that is not embedded
        {"<font face=\"arial\">a</font>", 20},          // names match exactly
        {"<font size=\"12\">a < b</font>", 20},         // markup players stop reading at
    };
    for (const auto& [html, ratio] : cases) {
        clearres();
        CCparams.Sha_FontCCR = ratio;
        const Bytes in = defineedittext(edit(3, 240, html, true));
        Fontrun<> run({definefont(font(3)), in, definetext(11, 5, {rec(3, 240)})});
        auto out = run.write();
        EXPECT_EQ(out[1], in) << html;
        EXPECT_EQ(run.as<Tswftag_definetext>(2).TextRecords[0].TextHeight, 240) << html;
        EXPECT_EQ(run.as<Tswftag_definefont>(0).FontDescent, 280) << html;
    }
}

TEST_F(FontTest, FontsAnHtmlTextNamesShareOneRatio) {
    // Bold Arial is found by name for the <b> run; Verdana by its face. The
    // static text of Verdana allows 16 at most, so all three get 16.
    FontSpec bold = font(4);
    bold.bold = true;
    const std::string html = "<b>x</b><font face=\"Verdana\">y</font>";
    Fontrun<> run({definefont(font(3)), definefont(bold), definefont(font(8, "Verdana", 75)),
               defineedittext(edit(3, 240, html, true)), definetext(11, 5, {rec(8, 4000)})});
    run.write();
    for (uint16_t id : {3, 4, 8}) EXPECT_EQ(fontplandivisor(id), 16u) << id;
    EXPECT_EQ(run.as<Tswftag_definetext>(3).FontHeight, 240 * 16);
}

TEST_F(FontTest, EditTextsFindFontsByClassName) {
    // SymbolClass: font 3 is the class "Fonts.Main".
    const Bytes sc = Writer().u16(1).u16(3).str("Fonts.Main").take();
    Fontrun<> run({definefont(font(3)), defineedittext({.fontclass = "Fonts.Main"}),
                   defineedittext({.fontclass = "Elsewhere"}), tag(76, sc)});
    // The class table is read from the loaded movie's tag list.
    pascal_com::setlength(tags, sizeof(Tswftag*), run.tags.size());
    for (size_t i = 0; i < run.tags.size(); ++i) tags[i] = run.tags[i].get();
    run.write();
    pascal_com::setlength(tags, sizeof(Tswftag*), 0);
    EXPECT_EQ(run.as<Tswftag_definetext>(1).FontHeight, 4800);
    EXPECT_EQ(run.as<Tswftag_definetext>(2).FontHeight, 240);
}

TEST_F(FontTest, HintingZonesFollowTheirDividedFont) {
    const uint16_t at = floattofloat16(0.48f), range = floattofloat16(3.326f);
    const Bytes unused = alignzones(4, at, {range, range});
    Fontrun<> run({definefont(font(3, "Arial", 75)), alignzones(3, at, {range, range}),
                   definefont(font(4, "Other", 75)), unused, definetext(33, 5, {rec(3, 240)})});
    auto out = run.write();
    auto& z = run.as<Tswftag_definefontalignzones>(1);
    EXPECT_NEAR(float16tofloat(z.ZoneTable[1].ZoneData[0].AlignmentCoordinate), 0.024f, 0.0001f);
    EXPECT_NEAR(float16tofloat(z.ZoneTable[1].ZoneData[1].Range), 0.1663f, 0.0002f);
    EXPECT_EQ(z.ZoneTable[1].ZoneMaskX, 1);
    EXPECT_EQ(out[3], unused);
}

TEST_F(FontTest, Float16ValuesSurviveTheRoundTrip) {
    for (uint32_t h = 0; h < 0x10000; ++h) {
        float f = float16tofloat(uint16_t(h));
        if (std::isnan(f)) continue;
        ASSERT_EQ(floattofloat16(f), h) << h;
    }
    // 1e-7 is subnormal and rounded; 70000 is too large: infinity.
    EXPECT_EQ(
        (std::array{floattofloat16(1.0f), floattofloat16(-2.5f), floattofloat16(1e-7f), floattofloat16(70000.0f)}),
              (std::array<uint16_t, 4>{0x3C00, 0xC100, 0x0002, 0x7C00}));
}
