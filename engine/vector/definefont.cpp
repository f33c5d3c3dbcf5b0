#include "definefont.h"

#include <algorithm>

#include <cstring>

#include "defineshape.h"
#include "fontplan.h"
#include "registry.h"

using namespace pascal_com;

namespace {

void checkfits(uint64_t value, uint32_t bytes) {
    if (bytes < 4 && value >> (8 * bytes)) throw Tparseerror("offset does not fit its field");
}

}  // namespace

Tswftag_definefont::~Tswftag_definefont() {
    for (uint32_t i = 0; i < length(Glyphs); ++i) {
        SHAPEfree(Glyphs[i].Shape);
        setlength(Glyphs[i].Bytes, 1, 0);
    }
    freearray(Glyphs);
    freearray(OffsetTable16);
    freearray(FontName);
    freearray(OffsetTable);
    freearray(CodeTable);
    freearray(FontAdvanceTable);
    freearray(FontBoundsTable);
    freearray(FontKerningTable);
    freearray(tail);
}

std::string Tswftag_definefont::fontname() const {
    uint32_t n = length(FontName);
    const void* zero = n ? std::memchr(FontName, 0, n) : nullptr;
    if (zero) n = uint32_t(static_cast<const unsigned char*>(zero) - FontName);
    return std::string(reinterpret_cast<const char*>(FontName), n);
}

void Tswftag_definefont::doparse() {
    Tswftag_define::doparse();
    if (tagcode == DefineFont) parsefont1();
    else parsefont2();
}

void Tswftag_definefont::parsefont1() {
    const uint32_t n = length(rawbody);
    // A body that ends after the id: a font without outlines.
    if (parsepos >= n) return;
    const uint32_t table = parsepos;
    const uint32_t first = U16parse();
    if (first == 0 || (first & 1) || uint64_t(table) + first > n) throw Tparseerror("bad DefineFont offset table");
    NumGlyphs = uint16_t(first / 2);
    setlen(OffsetTable16, NumGlyphs);
    OffsetTable16[0] = uint16_t(first);
    for (uint32_t i = 1; i < NumGlyphs; ++i) OffsetTable16[i] = U16parse();
    setlen(Glyphs, NumGlyphs);
    for (uint32_t i = 0; i < NumGlyphs; ++i) {
        uint64_t start = OffsetTable16[i];
        uint64_t end = i + 1 < NumGlyphs ? OffsetTable16[i + 1] : n - table;
        if (end < start || table + end > n) throw Tparseerror("DefineFont glyph offsets out of order");
        Tbitarrayparse(Glyphs[i].Bytes, uint32_t(end - start));
    }
}

void Tswftag_definefont::parsefont2() {
    const uint32_t n = length(rawbody);
    FontFlagsHasLayout = uint8_t(UBparse(1));
    FontFlagsShiftJIS = uint8_t(UBparse(1));
    FontFlagsSmallText = uint8_t(UBparse(1));
    FontFlagsANSI = uint8_t(UBparse(1));
    FontFlagsWideOffsets = uint8_t(UBparse(1));
    FontFlagsWideCodes = uint8_t(UBparse(1));
    FontFlagsItalic = uint8_t(UBparse(1));
    FontFlagsBold = uint8_t(UBparse(1));
    LanguageCode = U8parse();
    FontNameLen = U8parse();
    Tbitarrayparse(FontName, FontNameLen);
    NumGlyphs = U16parse();
    if (NumGlyphs == 0) {
        // Without glyphs, files differ on whether a code table offset and a
        // layout follow; the rest is kept as it is.
        bytearrayappend(tail, rawbody, int(parsepos), -1);
        parsepos = n;
        return;
    }
    const uint32_t w = FontFlagsWideOffsets ? 4 : 2;
    const uint32_t table = parsepos;
    need(uint64_t(NumGlyphs + 1) * w);
    setlen(OffsetTable, NumGlyphs);
    for (uint32_t i = 0; i < NumGlyphs; ++i) OffsetTable[i] = w == 4 ? U32parse() : U16parse();
    CodeTableOffset = w == 4 ? U32parse() : U16parse();
    // Glyphs are read one after another; offsets that say otherwise would
    // be rebuilt differently from what players read.
    if (OffsetTable[0] != uint32_t(NumGlyphs + 1) * w) throw Tparseerror("glyphs do not follow the offset table");
    for (uint32_t i = 0; i < NumGlyphs; ++i) {
        uint32_t end = i + 1 < NumGlyphs ? OffsetTable[i + 1] : CodeTableOffset;
        if (end < OffsetTable[i]) throw Tparseerror("glyph offsets out of order");
    }
    if (uint64_t(table) + CodeTableOffset > n) throw Tparseerror("code table beyond the body");
    setlen(Glyphs, NumGlyphs);
    for (uint32_t i = 0; i < NumGlyphs; ++i) {
        uint32_t end = i + 1 < NumGlyphs ? OffsetTable[i + 1] : CodeTableOffset;
        Tbitarrayparse(Glyphs[i].Bytes, end - OffsetTable[i]);
    }
    const uint32_t cw = FontFlagsWideCodes ? 2 : 1;
    need(uint64_t(NumGlyphs) * cw);
    setlen(CodeTable, NumGlyphs);
    for (uint32_t i = 0; i < NumGlyphs; ++i) CodeTable[i] = cw == 2 ? U16parse() : U8parse();
    if (FontFlagsHasLayout) {
        FontAscent = S16parse();
        FontDescent = S16parse();
        FontLeading = S16parse();
        need(uint64_t(NumGlyphs) * 2);
        setlen(FontAdvanceTable, NumGlyphs);
        for (uint32_t i = 0; i < NumGlyphs; ++i) FontAdvanceTable[i] = S16parse();
        if (parsepos < n) {
            hasbounds = 1;
            need(NumGlyphs);  // at least a byte per rectangle
            boundsstart = parsepos;
            setlen(FontBoundsTable, NumGlyphs);
            for (uint32_t i = 0; i < NumGlyphs; ++i) SRECTparse(FontBoundsTable[i]);
            boundsend = parsepos;
        }
        if (parsepos < n) {
            haskerning = 1;
            KerningCount = U16parse();
            need(uint64_t(KerningCount) * (2 * cw + 2));
            setlen(FontKerningTable, KerningCount);
            for (uint32_t i = 0; i < KerningCount; ++i) {
                TKERNINGRECORD& k = FontKerningTable[i];
                k.FontKerningCode1 = cw == 2 ? U16parse() : U8parse();
                k.FontKerningCode2 = cw == 2 ? U16parse() : U8parse();
                k.FontKerningAdjustment = S16parse();
            }
        }
    }
    if (parsepos < n) bytearrayappend(tail, rawbody, int(parsepos), -1);
}

void Tswftag_definefont::fillfromstru() {
    Tswftag_define::fillfromstru();
    beginfill(2 * length(rawbody) + 100);
    if (tagcode == DefineFont) fillfont1();
    else fillfont2();
    endfill();
}

void Tswftag_definefont::fillfont1() {
    if (NumGlyphs == 0) return;
    // Entry 0 is the size of the table itself, as read.
    uint64_t offset = OffsetTable16[0];
    for (uint32_t i = 0; i < NumGlyphs; ++i) {
        checkfits(offset, 2);
        U16fill(i == 0 ? OffsetTable16[0] : uint32_t(offset));
        offset += length(Glyphs[i].Bytes);
    }
    for (uint32_t i = 0; i < NumGlyphs; ++i) Tbitarrayfill(Glyphs[i].Bytes);
}

void Tswftag_definefont::fillfont2() {
    uint64_t glyphbytes = 0;
    for (uint32_t i = 0; i < NumGlyphs; ++i) glyphbytes += length(Glyphs[i].Bytes);
    // Narrow offsets that the glyphs outgrew become wide rather than wrong.
    if (NumGlyphs && !FontFlagsWideOffsets && uint64_t(NumGlyphs + 1) * 2 + glyphbytes > 0xFFFF)
        FontFlagsWideOffsets = 1;
    UBfill(1, FontFlagsHasLayout);
    UBfill(1, FontFlagsShiftJIS);
    UBfill(1, FontFlagsSmallText);
    UBfill(1, FontFlagsANSI);
    UBfill(1, FontFlagsWideOffsets);
    UBfill(1, FontFlagsWideCodes);
    UBfill(1, FontFlagsItalic);
    UBfill(1, FontFlagsBold);
    U8fill(LanguageCode);
    U8fill(FontNameLen);
    Tbitarrayfill(FontName);
    U16fill(NumGlyphs);
    if (NumGlyphs) {
        const uint32_t w = FontFlagsWideOffsets ? 4 : 2;
        uint64_t offset = uint64_t(NumGlyphs + 1) * w;
        for (uint32_t i = 0; i <= NumGlyphs; ++i) {
            checkfits(offset, w);
            if (w == 4) U32fill(uint32_t(offset));
            else U16fill(uint32_t(offset));
            if (i < NumGlyphs) offset += length(Glyphs[i].Bytes);
        }
        for (uint32_t i = 0; i < NumGlyphs; ++i) Tbitarrayfill(Glyphs[i].Bytes);
        for (uint32_t i = 0; i < NumGlyphs; ++i) {
            if (FontFlagsWideCodes) U16fill(CodeTable[i]);
            else U8fill(CodeTable[i]);
        }
        if (FontFlagsHasLayout) {
            S16fill(FontAscent);
            S16fill(FontDescent);
            S16fill(FontLeading);
            for (uint32_t i = 0; i < NumGlyphs; ++i) S16fill(FontAdvanceTable[i]);
            if (hasbounds) {
                if (boundschanged) {
                    for (uint32_t i = 0; i < NumGlyphs; ++i) SRECTfill(FontBoundsTable[i]);
                } else {
                    room(boundsend - boundsstart);
                    std::memcpy(*fillbuf + fillpos, rawbody + boundsstart, boundsend - boundsstart);
                    fillpos += boundsend - boundsstart;
                }
            }
            if (haskerning) {
                U16fill(KerningCount);
                for (uint32_t i = 0; i < KerningCount; ++i) {
                    const TKERNINGRECORD& k = FontKerningTable[i];
                    if (FontFlagsWideCodes) {
                        U16fill(k.FontKerningCode1);
                        U16fill(k.FontKerningCode2);
                    } else {
                        U8fill(k.FontKerningCode1);
                        U8fill(k.FontKerningCode2);
                    }
                    S16fill(k.FontKerningAdjustment);
                }
            }
        }
    }
    Tbitarrayfill(tail);
}

void Tswftag_definefont_opt::doparse() {
    Tswftag_definefont::doparse();
    // Every glyph must decode now: a font that failed to divide when written
    // would leave the texts written before it enlarged.
    for (uint32_t i = 0; i < length(Glyphs); ++i) {
        uint32_t n = length(Glyphs[i].Bytes);
        if (n == 0) continue;
        Tparsefill reader(Glyphs[i].Bytes, 0, 0);
        SHAPE s{};
        SHAPEparse(reader, s, int64_t(n) - 1, tagcode, characterid);
        SHAPEfree(s);
    }
    fontplanaddfont(characterid, tagcode, NumGlyphs > 0, fontname());
    if (tagcode != DefineFont && FontFlagsHasLayout)
        fontplanaddlayout(characterid, uint16_t(FontAscent), uint16_t(FontDescent), FontLeading);
}

void Tswftag_definefont_opt::divide(uint32_t d) {
    if (d < 1) d = 1;
    for (uint32_t i = 0; i < length(Glyphs); ++i) {
        TGLYPH& g = Glyphs[i];
        uint32_t n = length(g.Bytes);
        if (n == 0) continue;
        unsigned char* out = nullptr;
        try {
            Tparsefill reader(g.Bytes, 0, 0);
            SHAPEparse(reader, g.Shape, int64_t(n) - 1, tagcode, characterid);
            SHAPERECORDdiv(g.Shape.ShapeRecords, int(d), tagcode);
            setlength(out, 1, 2 * n + 10);
            Tparsefill writer;
            writer.setfill(out, 0, 0);
            SHAPEfill(writer, g.Shape, tagcode);
            writer.truncbitfill();
            setlength(out, 1, writer.fillpos);
        } catch (...) {
            setlength(out, 1, 0);
            SHAPEfree(g.Shape);
            throw;
        }
        SHAPEfree(g.Shape);
        setlength(g.Bytes, 1, 0);
        g.Bytes = out;
    }
    if (tagcode == DefineFont || !FontFlagsHasLayout) return;
    // Ascent and descent are unsigned in the file, leading and advances signed.
    // The descent is what is left of the rounded line height, so that lines
    // laid out one under another do not drift by the sum of two roundings.
    const double ascent = uint16_t(FontAscent), descent = uint16_t(FontDescent);
    const int64_t newascent = swf_round(ascent / d);
    FontAscent = int16_t(newascent);
    FontDescent = int16_t(std::max<int64_t>(0, swf_round((ascent + descent) / d) - newascent));
    FontLeading = int16_t(swf_round(double(FontLeading) / d));
    for (uint32_t i = 0; i < length(FontAdvanceTable); ++i)
        FontAdvanceTable[i] = int16_t(swf_round(double(FontAdvanceTable[i]) / d));
    for (uint32_t i = 0; i < length(FontBoundsTable); ++i) rectand(FontBoundsTable[i], 1.0 / d);
    if (hasbounds) boundschanged = 1;
    // Kerning is in the same units as the advances.
    for (uint32_t i = 0; i < length(FontKerningTable); ++i) {
        int16_t& a = FontKerningTable[i].FontKerningAdjustment;
        a = int16_t(swf_round(double(a) / d));
    }
}

void Tswftag_definefont_opt::fillfromstru() {
    const uint32_t d = divided_ ? ratio_ : fontplandivisor(characterid);
    if (d == 0) {
        Tswftag_definefont::fillfromstru();
        fontplanwritten(characterid, 0);
        return;
    }
    try {
        if (!divided_) {
            divide(d);
            divided_ = true;
            ratio_ = d;
        }
        Tswftag_definefont::fillfromstru();
    } catch (...) {
        // Written as read: texts still to come keep their heights.
        fontplanwritten(characterid, 0);
        throw;
    }
    IDS[characterid].Kind = IDKIND_FONT;
    fontplanwritten(characterid, d);
}
