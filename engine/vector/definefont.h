// DefineFont, DefineFont2 and DefineFont3 (codes 10, 48, 75). Glyph outlines
// are held as the bytes of each glyph's SHAPE and decoded only to divide them;
// the writer rebuilds every offset from the glyph sizes.
#pragma once
#include <cstdint>
#include <string>

#include "../core/swftag.h"
#include "shaperecords.h"

struct TGLYPH {
    SHAPE Shape;          // decoded only while the glyph is being divided
    unsigned char* Bytes; // dynamic array, the encoded SHAPE
};

struct TKERNINGRECORD {
    uint16_t FontKerningCode1;
    uint16_t FontKerningCode2;
    int16_t FontKerningAdjustment;
};

class Tswftag_definefont : public Tswftag_define {
public:
    using Tswftag_define::Tswftag_define;
    ~Tswftag_definefont() override;

    uint16_t* OffsetTable16 = nullptr;  // DefineFont
    TGLYPH* Glyphs = nullptr;
    uint8_t FontFlagsHasLayout = 0, FontFlagsShiftJIS = 0, FontFlagsSmallText = 0, FontFlagsANSI = 0;
    uint8_t FontFlagsWideOffsets = 0, FontFlagsWideCodes = 0, FontFlagsItalic = 0, FontFlagsBold = 0;
    uint8_t LanguageCode = 0;
    uint8_t FontNameLen = 0;
    unsigned char* FontName = nullptr;
    uint16_t NumGlyphs = 0;
    uint32_t* OffsetTable = nullptr;  // DefineFont2, DefineFont3
    uint32_t CodeTableOffset = 0;
    uint16_t* CodeTable = nullptr;
    int16_t FontAscent = 0, FontDescent = 0, FontLeading = 0;
    int16_t* FontAdvanceTable = nullptr;
    SRECT* FontBoundsTable = nullptr;
    uint16_t KerningCount = 0;
    TKERNINGRECORD* FontKerningTable = nullptr;

    // Older movies end the layout after the advances or after the bounds.
    uint8_t hasbounds = 0, haskerning = 0;
    // Set when the bounds were changed: otherwise they are written as read,
    // whatever field widths they were stored with.
    uint8_t boundschanged = 0;

    void doparse() override;
    void fillfromstru() override;
    void fillother() override {}

    // The font name up to its first zero byte.
    std::string fontname() const;

protected:
    uint32_t boundsstart = 0, boundsend = 0;  // the bounds table in rawbody
    unsigned char* tail = nullptr;            // bytes after the parsed fields

private:
    void parsefont1();
    void parsefont2();
    void fillfont1();
    void fillfont2();
};

// Divides glyph outlines and metrics by the font's ratio when written; the
// texts that draw with the font multiply their heights back.
class Tswftag_definefont_opt : public Tswftag_definefont {
public:
    using Tswftag_definefont::Tswftag_definefont;
    void doparse() override;
    void fillfromstru() override;

    // Divides glyphs and layout by d (at least 1).
    void divide(uint32_t d);

private:
    bool divided_ = false;
    uint32_t ratio_ = 0;
};
