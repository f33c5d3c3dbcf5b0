// Which fonts are divided, and by how much. Font and text tags report here
// while they are parsed; the plan is made once all tags are parsed (at the
// first question asked while writing), so a text sees the ratio of its font
// even when the font comes later in the file.
//
// A font is divided only when every text that draws with it can be enlarged
// by the same ratio without leaving its field: text heights stay within 16
// bits, HTML font sizes within what players accept; and, with Sha_FontHifi, a
// font unit, once divided, stays within half a pixel at the largest height a
// text draws it. The ratio of such a font
// is the largest one up to the font ratio that every user allows. Fonts that
// an edit text reaches by name (its own font's name, HTML faces) share one
// ratio, and that ratio divides their line height exactly, since an edit
// text stacks its lines by it and any rounding would add up line after line;
// a font that no text uses is left as it is, since only scripts could
// draw with it and their sizes cannot be adjusted.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A font tag as parsed. name: the font name up to its first zero byte.
void fontplanaddfont(uint16_t fontid, int tagcode, bool hasglyphs, const std::string& name);
// The layout metrics of a font that has them (font units).
void fontplanaddlayout(uint16_t fontid, uint32_t ascent, uint32_t descent, int32_t leading);
// A DefineText or DefineText2 record drawing with fontid at height (twips).
void fontplanaddheight(uint16_t fontid, uint32_t height);

// An edit text that draws with embedded outlines.
struct Tfontuse {
    int32_t fontid = -1;             // FontID, -1 without HasFont
    std::string fontclass;           // FontClass, empty without HasFontClass
    // HTML texts name more fonts in their markup; a run in a font that is
    // not embedded cannot be enlarged.
    bool html = false;
    std::vector<std::string> faces;  // face names of its HTML font tags
    uint32_t cap = UINT32_MAX;       // the largest ratio its sizes allow
    uint32_t height = 0;             // FontHeight, 0 without HasFont
};
void fontplanadduse(const Tfontuse& use);

// The ratio a font is divided by when written: 0 when it is written as read.
uint32_t fontplandivisor(uint16_t fontid);
// The font tag has been written divided by ratio (0: written as read).
void fontplanwritten(uint16_t fontid, uint32_t ratio);
// What a text drawing with fontid multiplies its heights by: the ratio the
// font was written with, or will be written with if it comes later; 1 when
// the font is not divided.
uint32_t fontplanfactor(uint16_t fontid);
// The ratio the font tag was written with: 0 when it was written as read or
// has not been written.
uint32_t fontplanwrittenratio(uint16_t fontid);
// The font an edit text's FontClass names, through the movie's SymbolClass
// and ExportAssets tags; -1 when none.
int32_t fontplanclassid(const std::string& fontclass);

void fontplanclear();
