// DefineText, DefineText2 and DefineEditText (codes 11, 33, 37).
#pragma once
#include <cstdint>

#include "../core/swftag.h"

struct TGLYPHENTRY {
    uint32_t GlyphIndex;
    uint32_t GlyphAdvance;  // the field's bits as stored
};

struct TEXTRECORD {
    uint8_t TextRecordType;
    uint8_t StyleFlagsReserved;
    uint8_t StyleFlagsHasFont, StyleFlagsHasColor, StyleFlagsHasYOffset, StyleFlagsHasXOffset;
    uint16_t FontID;
    RGB TextColor;        // DefineText
    RGBA TextColorAlpha;  // DefineText2
    int16_t XOffset, YOffset;
    uint16_t TextHeight;
    uint8_t GlyphCount;
    TGLYPHENTRY* GlyphEntries;  // dynamic array
};

class Tswftag_definetext : public Tswftag_define {
public:
    using Tswftag_define::Tswftag_define;
    ~Tswftag_definetext() override;

    // DefineText, DefineText2.
    SRECT TextBounds{};
    MATRIX TextMatrix{};
    uint8_t GlyphBits = 0;
    uint8_t AdvanceBits = 0;
    TEXTRECORD* TextRecords = nullptr;
    uint8_t endflag = 0;

    // DefineEditText.
    SRECT Bounds{};
    uint8_t HasText = 0, WordWrap = 0, Multiline = 0, Masked = 0, ReadOnly = 0, HasTextColor = 0,
            HasMaxLength = 0, HasFont = 0, HasFontClass = 0, AutoSize = 0, HasLayout = 0, NoSelect = 0,
            Border = 0, WasStatic = 0, HTML = 0, UseOutlines = 0;
    uint16_t FontID = 0;
    unsigned char* FontClass = nullptr;
    uint16_t FontHeight = 0;
    RGBA TextColor{};
    uint16_t MaxLength = 0;
    uint8_t Align = 0;
    uint16_t LeftMargin = 0, RightMargin = 0, Indent = 0;
    int16_t Leading = 0;
    unsigned char* VariableName = nullptr;
    unsigned char* InitialText = nullptr;

    // The records ran to the end of the body without an end flag.
    uint8_t noendflag = 0;

    void doparse() override;
    void fillfromstru() override;
    void fillother() override {}

    // FontHeight is stored with a font id and with a font class alike.
    bool hasfontheight() const { return HasFont || HasFontClass; }

protected:
    // The rectangle and matrix before the records, written as read: they
    // never change, and their field widths may not be the smallest.
    uint32_t headstart = 0, headend = 0;
    unsigned char* tail = nullptr;  // bytes after the parsed fields

private:
    void parsetext();
    void parseedittext();
    void filltext();
    void filledittext();
};

// Multiplies the heights of texts whose font was divided.
class Tswftag_definetext_opt : public Tswftag_definetext {
public:
    using Tswftag_definetext::Tswftag_definetext;
    void doparse() override;
    void fillfromstru() override;

private:
    bool multiplied_ = false;
};
