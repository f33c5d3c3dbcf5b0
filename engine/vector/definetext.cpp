#include "definetext.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "../core/container.h"
#include "fontplan.h"
#include "htmlsize.h"

using namespace pascal_com;

namespace {

int movieversion() { return length(_head) > 3 ? _head[3] : 0; }

std::string stringof(const unsigned char* s) {
    uint32_t n = length(s);
    return std::string(reinterpret_cast<const char*>(s), n && s[n - 1] == 0 ? n - 1 : n);
}

uint16_t multiplied(uint32_t value, uint32_t factor) {
    uint64_t v = uint64_t(value) * factor;
    // The plan keeps every product in range; a text that would overflow is
    // kept as read rather than written wrong.
    if (v > 0xFFFF) throw Tparseerror("text height out of range");
    return uint16_t(v);
}

}  // namespace

Tswftag_definetext::~Tswftag_definetext() {
    for (uint32_t i = 0; i < length(TextRecords); ++i) freearray(TextRecords[i].GlyphEntries);
    freearray(TextRecords);
    freearray(FontClass);
    freearray(VariableName);
    freearray(InitialText);
    freearray(tail);
}

void Tswftag_definetext::doparse() {
    Tswftag_define::doparse();
    if (tagcode == DefineEditText) parseedittext();
    else parsetext();
    if (parsepos < length(rawbody)) bytearrayappend(tail, rawbody, int(parsepos), -1);
}

void Tswftag_definetext::parsetext() {
    const uint32_t n = length(rawbody);
    headstart = parsepos;
    SRECTparse(TextBounds);
    Matrixparse(TextMatrix);
    headend = parsepos;
    GlyphBits = U8parse();
    AdvanceBits = U8parse();
    if (GlyphBits > 32 || AdvanceBits > 32) throw Tparseerror("glyph field wider than 32 bits");
    uint32_t count = 0;
    for (;;) {
        if (parsepos >= n) {
            noendflag = 1;
            break;
        }
        endflag = U8parse();
        if (endflag == 0) break;
        --parsepos;
        setlen(TextRecords, count + 1);
        TEXTRECORD& r = TextRecords[count++];
        r.TextRecordType = uint8_t(UBparse(1));
        r.StyleFlagsReserved = uint8_t(UBparse(3));
        r.StyleFlagsHasFont = uint8_t(UBparse(1));
        r.StyleFlagsHasColor = uint8_t(UBparse(1));
        r.StyleFlagsHasYOffset = uint8_t(UBparse(1));
        r.StyleFlagsHasXOffset = uint8_t(UBparse(1));
        if (r.StyleFlagsHasFont) r.FontID = U16parse();
        if (r.StyleFlagsHasColor) {
            if (tagcode == DefineText) RGBparse(r.TextColor);
            else RGBAparse(r.TextColorAlpha);
        }
        if (r.StyleFlagsHasXOffset) r.XOffset = S16parse();
        if (r.StyleFlagsHasYOffset) r.YOffset = S16parse();
        if (r.StyleFlagsHasFont) r.TextHeight = U16parse();
        r.GlyphCount = U8parse();
        need((uint64_t(r.GlyphCount) * (GlyphBits + AdvanceBits) + 7) / 8);
        setlen(r.GlyphEntries, r.GlyphCount);
        for (uint32_t k = 0; k < r.GlyphCount; ++k) {
            r.GlyphEntries[k].GlyphIndex = UBparse(GlyphBits);
            r.GlyphEntries[k].GlyphAdvance = UBparse(AdvanceBits);
        }
        truncbitparse();
    }
}

void Tswftag_definetext::parseedittext() {
    headstart = parsepos;
    SRECTparse(Bounds);
    headend = parsepos;
    uint8_t* flags[] = {&HasText, &WordWrap, &Multiline, &Masked,    &ReadOnly, &HasTextColor, &HasMaxLength, &HasFont,
                        &HasFontClass, &AutoSize, &HasLayout, &NoSelect, &Border, &WasStatic, &HTML, &UseOutlines};
    for (uint8_t* f : flags) *f = uint8_t(UBparse(1));
    if (HasFont) FontID = U16parse();
    if (HasFontClass) Stringparse(FontClass);
    if (hasfontheight()) FontHeight = U16parse();
    if (HasTextColor) RGBAparse(TextColor);
    if (HasMaxLength) MaxLength = U16parse();
    if (HasLayout) {
        Align = U8parse();
        LeftMargin = U16parse();
        RightMargin = U16parse();
        Indent = U16parse();
        Leading = S16parse();
    }
    Stringparse(VariableName);
    if (HasText) Stringparse(InitialText);
}

void Tswftag_definetext::fillfromstru() {
    Tswftag_define::fillfromstru();
    beginfill(length(rawbody) + 100);
    room(headend - headstart);
    std::memcpy(*fillbuf + fillpos, rawbody + headstart, headend - headstart);
    fillpos += headend - headstart;
    if (tagcode == DefineEditText) filledittext();
    else filltext();
    Tbitarrayfill(tail);
    endfill();
}

void Tswftag_definetext::filltext() {
    U8fill(GlyphBits);
    U8fill(AdvanceBits);
    for (uint32_t i = 0; i < length(TextRecords); ++i) {
        const TEXTRECORD& r = TextRecords[i];
        UBfill(1, r.TextRecordType);
        UBfill(3, r.StyleFlagsReserved);
        UBfill(1, r.StyleFlagsHasFont);
        UBfill(1, r.StyleFlagsHasColor);
        UBfill(1, r.StyleFlagsHasYOffset);
        UBfill(1, r.StyleFlagsHasXOffset);
        if (r.StyleFlagsHasFont) U16fill(r.FontID);
        if (r.StyleFlagsHasColor) {
            if (tagcode == DefineText) RGBfill(r.TextColor);
            else RGBAfill(r.TextColorAlpha);
        }
        if (r.StyleFlagsHasXOffset) S16fill(r.XOffset);
        if (r.StyleFlagsHasYOffset) S16fill(r.YOffset);
        if (r.StyleFlagsHasFont) U16fill(r.TextHeight);
        U8fill(r.GlyphCount);
        for (uint32_t k = 0; k < length(r.GlyphEntries); ++k) {
            UBfill(GlyphBits, r.GlyphEntries[k].GlyphIndex);
            UBfill(AdvanceBits, r.GlyphEntries[k].GlyphAdvance);
        }
        truncbitfill();
    }
    if (!noendflag) U8fill(endflag);
}

void Tswftag_definetext::filledittext() {
    const uint8_t flags[] = {HasText,  WordWrap,  Multiline, Masked,   ReadOnly,  HasTextColor,
                             HasMaxLength, HasFont, HasFontClass, AutoSize, HasLayout, NoSelect, Border,
                             WasStatic, HTML, UseOutlines};
    for (uint8_t f : flags) UBfill(1, f);
    if (HasFont) U16fill(FontID);
    if (HasFontClass) Stringfill(FontClass);
    if (hasfontheight()) U16fill(FontHeight);
    if (HasTextColor) RGBAfill(TextColor);
    if (HasMaxLength) U16fill(MaxLength);
    if (HasLayout) {
        U8fill(Align);
        U16fill(LeftMargin);
        U16fill(RightMargin);
        U16fill(Indent);
        S16fill(Leading);
    }
    Stringfill(VariableName);
    if (HasText) Stringfill(InitialText);
}

void Tswftag_definetext_opt::doparse() {
    Tswftag_definetext::doparse();
    if (tagcode != DefineEditText) {
        for (uint32_t i = 0; i < length(TextRecords); ++i)
            if (TextRecords[i].StyleFlagsHasFont) fontplanaddheight(TextRecords[i].FontID, TextRecords[i].TextHeight);
        return;
    }
    // Device text is drawn at its own height whatever happens to the font.
    if (!UseOutlines || !hasfontheight()) return;
    Tfontuse use;
    if (HasFont) use.fontid = FontID;
    if (HasFontClass) use.fontclass = stringof(FontClass);
    use.cap = FontHeight ? 65535u / FontHeight : UINT32_MAX;
    use.height = FontHeight;
    use.html = HTML != 0;
    if (HTML && HasText) {
        uint32_t n = length(InitialText);
        Thtmlsizes h = htmlsizes(InitialText, n ? n - 1 : 0, FontHeight / 20.0, movieversion());
        use.faces = std::move(h.faces);
        use.cap = std::min(use.cap, h.cap);
    }
    fontplanadduse(use);
}

void Tswftag_definetext_opt::fillfromstru() {
    if (!multiplied_) {
        if (tagcode != DefineEditText) {
            for (uint32_t i = 0; i < length(TextRecords); ++i) {
                TEXTRECORD& r = TextRecords[i];
                // Records without a font keep the height of the one before.
                if (!r.StyleFlagsHasFont) continue;
                uint32_t f = fontplanfactor(r.FontID);
                if (f > 1) r.TextHeight = multiplied(r.TextHeight, f);
            }
        } else if (UseOutlines && hasfontheight()) {
            int32_t font = HasFont ? FontID : fontplanclassid(stringof(FontClass));
            uint32_t f = font < 0 ? 1 : fontplanfactor(uint16_t(font));
            if (f > 1) {
                FontHeight = multiplied(FontHeight, f);
                if (HTML && HasText) strprocsize(InitialText, f);
            }
        }
        multiplied_ = true;
    }
    Tswftag_definetext::fillfromstru();
}
