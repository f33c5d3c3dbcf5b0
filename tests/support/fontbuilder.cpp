#include "support/fontbuilder.h"

#include "support/shapebuilder.h"

namespace swfb {

Bytes glyphsquare(int32_t x, int32_t y, int32_t size) {
    ShapeWriter s(48);
    s.bits(1, 0).change({.movex = x, .movey = y, .move = true, .fill1 = 1});
    s.straight(size, 0).straight(0, size).straight(-size, 0).straight(0, -size).endshape();
    return s.take();
}

Bytes definefont(const FontSpec& f) {
    Writer w;
    w.u16(f.id);
    const size_t n = f.glyphs.size();
    const bool v1 = f.code == 10;  // no flags, name or count, and no end offset
    if (!v1) {
        w.ub(1, f.layout).ub(3, 0).ub(1, f.wideoffsets).ub(1, f.widecodes).ub(1, f.italic).ub(1, f.bold);
        w.u8(1).u8(uint32_t(f.name.size())).raw(Bytes(f.name.begin(), f.name.end())).u16(uint32_t(n));
    }
    if (n || v1) {
        const size_t entries = v1 ? n : n + 1, width = f.wideoffsets && !v1 ? 4 : 2;
        uint32_t offset = uint32_t(entries * width);
        for (size_t i = 0; i < entries; ++i) {
            if (width == 4) w.u32(offset);
            else w.u16(offset);
            if (i < n) offset += uint32_t(f.glyphs[i].size());
        }
        for (const Bytes& g : f.glyphs) w.raw(g);
    }
    if (n && !v1) {
        for (size_t i = 0; i < n; ++i) {
            uint32_t code = i < f.codes.size() ? f.codes[i] : uint32_t('A' + i);
            if (f.widecodes) w.u16(code);
            else w.u8(code);
        }
        if (f.layout) {
            w.u16(f.ascent).u16(f.descent).u16(uint16_t(f.leading));
            for (size_t i = 0; i < n; ++i) w.u16(uint16_t(i < f.advances.size() ? f.advances[i] : 0));
            if (f.withbounds) {
                for (size_t i = 0; i < n; ++i) {
                    std::array<int32_t, 4> b = i < f.bounds.size() ? f.bounds[i] : std::array<int32_t, 4>{};
                    w.rect(b[0], b[1], b[2], b[3]);
                }
                if (f.withkerning) {
                    w.u16(uint32_t(f.kerning.size()));
                    for (const Kern& k : f.kerning) {
                        if (f.widecodes) w.u16(k.code1).u16(k.code2);
                        else w.u8(k.code1).u8(k.code2);
                        w.u16(uint16_t(k.adjustment));
                    }
                }
            }
        }
    }
    w.raw(f.tail);
    return tag(f.code, w.take());
}

Bytes definetext(int code, uint16_t id, const std::vector<TextRec>& records, int glyphbits, int advancebits,
                 bool endflag) {
    uint32_t maxindex = 0;
    int advbits = 0;
    for (const TextRec& r : records)
        for (const GlyphRef& g : r.glyphs) {
            if (g.index > maxindex) maxindex = g.index;
            int n = sbits({g.advance});
            if (n > advbits) advbits = n;
        }
    if (glyphbits < 0) glyphbits = ubits(maxindex);
    if (advancebits < 0) advancebits = advbits;
    Writer w;
    w.u16(id).rect(0, 2000, 0, 400).matrix(0, 0);
    w.u8(uint32_t(glyphbits)).u8(uint32_t(advancebits));
    for (const TextRec& r : records) {
        w.ub(1, 1).ub(3, 0).ub(1, r.fontid >= 0).ub(1, r.color).ub(1, r.hasy).ub(1, r.hasx);
        if (r.fontid >= 0) w.u16(uint32_t(r.fontid));
        if (r.color) {
            w.u8(r.r).u8(r.g).u8(r.b);
            if (code != 11) w.u8(r.a);
        }
        if (r.hasx) w.u16(uint16_t(r.x));
        if (r.hasy) w.u16(uint16_t(r.y));
        if (r.fontid >= 0) w.u16(r.height);
        w.u8(uint32_t(r.glyphs.size()));
        for (const GlyphRef& g : r.glyphs) w.ub(glyphbits, g.index).sb(advancebits, g.advance);
        w.align();
    }
    if (endflag) w.u8(0);
    return tag(code, w.take());
}

Bytes defineedittext(const EditText& e) {
    Writer w;
    w.u16(e.id).rect(e.xmin, e.xmax, e.ymin, e.ymax);
    const bool hasfont = e.fontid >= 0, hasclass = !e.fontclass.empty();
    w.ub(1, e.hastext).ub(1, e.wordwrap).ub(1, e.multiline).ub(1, e.password);
    w.ub(1, e.readonly).ub(1, e.hascolor).ub(1, e.maxlength >= 0).ub(1, hasfont);
    w.ub(1, hasclass).ub(1, e.autosize).ub(1, e.haslayout).ub(1, e.noselect);
    w.ub(1, e.border).ub(1, e.wasstatic).ub(1, e.html).ub(1, e.useoutlines);
    if (hasfont) w.u16(uint32_t(e.fontid));
    if (hasclass) w.str(e.fontclass);
    if (hasfont || hasclass) w.u16(e.height);
    if (e.hascolor) w.u8(e.rgba >> 24).u8(e.rgba >> 16).u8(e.rgba >> 8).u8(e.rgba);
    if (e.maxlength >= 0) w.u16(uint32_t(e.maxlength));
    if (e.haslayout) w.u8(e.align).u16(e.leftmargin).u16(e.rightmargin).u16(e.indent).u16(uint16_t(e.leading));
    w.str(e.variable);
    if (e.hastext) w.str(e.text);
    return tag(37, w.take());
}

}  // namespace swfb
