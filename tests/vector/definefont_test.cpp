// Font and text tags that cannot be read, and offsets that follow the glyphs written.
#include <gtest/gtest.h>

#include <array>

#include "vector/fonttest.h"

using namespace swfb;
using namespace fonttest;

TEST_F(FontTest, DamagedTagsAreWrittenAsRead) {
    // The tag's body changed by f, under its own code.
    auto damaged = [](const Bytes& t, auto f) {
        Bytes b = body(t);
        f(b);
        return tag(uint16_t((t[0] | t[1] << 8) >> 6), b);
    };
    const Bytes font = definefont(layoutfont(48));
    FontSpec cutglyph = layoutfont(48);
    cutglyph.glyphs[0] = {0x10, 0xFF, 0xFF};  // a record cut short inside the glyph
    const Bytes text = definetext(11, 5, {{.fontid = 3, .height = 240, .glyphs = {{1, 1}, {2, 2}, {3, 3}}}});
    const std::vector<Bytes> bad = {
        damaged(font, [](Bytes& b) { b[13] = 0xFF; }),  // first glyph offset no longer follows the table
        damaged(font, [](Bytes& b) { b.resize(b.size() - 20); }),  // cut inside the bounds table
        tag(10, {1, 0, 3, 0}),                                      // odd table size
        tag(10, {1, 0, 4, 0, 9, 0, 1}),                             // second glyph past the body
        definefont(cutglyph),
        damaged(text, [](Bytes& b) { b.resize(b.size() - 2); }),  // glyph entries cut off
        damaged(text, [](Bytes& b) { b[10] = 40; }),              // GlyphBits: indices wider than any field
        damaged(defineedittext({.fontid = 3, .text = "abc"}), [](Bytes& b) { b.pop_back(); }),  // text unterminated
    };
    Fontrun<Tswftag> run(bad);
    auto out = run.write();
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_EQ(run.tags[i]->keepraw, 1) << "tag " << i;
        EXPECT_EQ(out[i], bad[i]) << "tag " << i;
    }
}

// A glyph that shrinks, then one that outgrows narrow offsets.
TEST_F(FontTest, OffsetsFollowTheGlyphsWritten) {
    Fontrun<Tswftag_definefont> run({definefont(layoutfont(75))});
    auto& font = run.as<Tswftag_definefont>(0);
    pascal_com::setlength(font.Glyphs[0].Bytes, 1, 2);
    font.Glyphs[0].Bytes[0] = 0x10;
    font.Glyphs[0].Bytes[1] = 0x00;
    Fontrun<Tswftag_definefont> shrunk(run.write());
    auto& a = shrunk.as<Tswftag_definefont>(0);
    ASSERT_EQ(a.keepraw, 0);
    ASSERT_EQ(a.NumGlyphs, 3);
    // The table's own size, then two bytes on; the kerning read after the code table.
    EXPECT_EQ((std::array<uint32_t, 3>{a.OffsetTable[0], a.OffsetTable[1], a.FontFlagsWideOffsets}),
              (std::array<uint32_t, 3>{8, 10, 0}));
    EXPECT_EQ(a.CodeTableOffset, 10u + pascal_com::length(font.Glyphs[1].Bytes) + 2);
    EXPECT_EQ(a.FontKerningTable[1].FontKerningAdjustment, 35);

    pascal_com::setlength(font.Glyphs[1].Bytes, 1, 70000);
    Fontrun<Tswftag_definefont> grown(run.write());
    auto& b = grown.as<Tswftag_definefont>(0);
    ASSERT_EQ(b.keepraw, 0);
    EXPECT_EQ((std::array<uint32_t, 2>{b.OffsetTable[0], b.FontFlagsWideOffsets}), (std::array<uint32_t, 2>{16, 1}));
    EXPECT_EQ(pascal_com::length(b.Glyphs[1].Bytes), 70000u);
}
