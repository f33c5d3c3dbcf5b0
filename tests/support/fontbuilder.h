// Font and text tags built field by field, for the font and text tests.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/swfbuilder.h"

namespace swfb {

// A glyph SHAPE: a closed square with its corner at (x, y).
Bytes glyphsquare(int32_t x, int32_t y, int32_t size);

struct Kern {
    uint16_t code1, code2;
    int16_t adjustment;
};

// DefineFont (10), DefineFont2 (48) or DefineFont3 (75). DefineFont writes
// the id, the offset table and the glyphs only.
struct FontSpec {
    int code = 48;
    uint16_t id = 1;
    std::string name = "Test";  // FontNameLen bytes, as given
    std::vector<Bytes> glyphs{};
    std::vector<uint16_t> codes{};  // 'A' + i when empty
    bool wideoffsets = false, widecodes = false, bold = false, italic = false;
    bool layout = false;
    uint16_t ascent = 0, descent = 0;
    int16_t leading = 0;
    std::vector<int16_t> advances{};                 // 0 when missing
    std::vector<std::array<int32_t, 4>> bounds{};    // xmin, xmax, ymin, ymax; 0 when missing
    std::vector<Kern> kerning{};
    bool withbounds = true, withkerning = true;    // older layouts stop early
    Bytes tail{};                                    // bytes after the fields
};
Bytes definefont(const FontSpec& f);

struct GlyphRef {
    uint32_t index;
    int32_t advance;
};

// One record of DefineText (11) or DefineText2 (33); fontid -1 keeps the font.
struct TextRec {
    int fontid = -1;
    uint16_t height = 0;
    bool color = false;
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool hasx = false, hasy = false;
    int16_t x = 0, y = 0;
    std::vector<GlyphRef> glyphs{};
};
// glyphbits / advancebits -1: the smallest that hold the entries.
Bytes definetext(int code, uint16_t id, const std::vector<TextRec>& records, int glyphbits = -1,
                 int advancebits = -1, bool endflag = true);

// DefineEditText (37): optional fields are written when their value is set.
struct EditText {
    uint16_t id = 1;
    int32_t xmin = 0, xmax = 2000, ymin = 0, ymax = 400;
    int fontid = -1;           // HasFont when >= 0
    std::string fontclass{};     // HasFontClass when not empty
    uint16_t height = 240;     // with a font id or class
    bool hastext = true;
    std::string text{};
    bool html = false, useoutlines = true;
    bool wordwrap = false, multiline = false, password = false, readonly = false, autosize = false;
    bool noselect = false, border = false, wasstatic = false;
    bool hascolor = false;
    uint32_t rgba = 0;
    int maxlength = -1;        // HasMaxLength when >= 0
    bool haslayout = false;
    uint8_t align = 0;
    uint16_t leftmargin = 0, rightmargin = 0, indent = 0;
    int16_t leading = 0;
    std::string variable{};
};
Bytes defineedittext(const EditText& e);

}  // namespace swfb
