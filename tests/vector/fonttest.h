// Font and text tags parsed and written the way the container does it: every
// tag parsed first, then every tag written in order.
#pragma once
#include <vector>

#include "core/tagfactory.h"
#include "support/fontbuilder.h"
#include "vector/definefont.h"
#include "vector/definetext.h"
#include "vector/shapetest.h"

namespace fonttest {

using swfb::Bytes;

// One tag object of class T (or the factory's class when T is Tswftag) per tag.
template <class T = Tswftag>
struct Fontrun {
    explicit Fontrun(const std::vector<Bytes>& input) {
        for (const Bytes& b : input) {
            unsigned char* data = nullptr;
            bytearrayappendraw(data, b.data(), b.size());
            uint16_t code = uint16_t((b[0] | b[1] << 8) >> 6);
            Tswftag* t = std::is_same_v<T, Tswftag> ? createtag(data, 0, code) : new T(data, 0);
            pascal_com::setlength(data, 1, 0);
            t->safeparse();
            tags.emplace_back(t);
        }
    }
    std::vector<Bytes> write() {
        std::vector<Bytes> out;
        for (auto& t : tags) out.push_back(swfb::write(*t));
        return out;
    }
    template <class C>
    C& as(size_t i) {
        return dynamic_cast<C&>(*tags[i]);
    }
    std::vector<std::unique_ptr<Tswftag>> tags;
};

using FontTest = ::VectorTest;

// DefineFontAlignZones (CSMTableHint 1): per glyph two zones, one at `coordinate` and one of its range, both masks.
inline Bytes alignzones(uint16_t fontid, uint16_t coordinate, std::initializer_list<uint16_t> ranges) {
    swfb::Writer w;
    w.u16(fontid).u8(0x40);
    for (uint16_t range : ranges) w.u8(2).u16(coordinate).u16(0).u16(0).u16(range).u8(3);
    return swfb::tag(73, w.take());
}

// Every layout field, with a bound stored narrower than a writer of its own would.
inline swfb::FontSpec layoutfont(int code) {
    // -1024 needs 11 bits; a writer of its own would choose 12.
    return {.code = code, .id = 3, .name = std::string("Arial\0", 6),
            .glyphs = {swfb::glyphsquare(10, 20, 300), swfb::glyphsquare(-1024, 0, 512), swfb::Bytes{0x10, 0x00}},
            .layout = true, .ascent = 900, .descent = 212, .leading = -40, .advances = {600, -12, 0},
            .bounds = {{0, 300, -1024, 300}, {-1024, -512, 0, 512}, {0, 0, 0, 0}},
            .kerning = {{'A', 'B', -60}, {'B', 'C', 35}}};
}

}  // namespace fonttest
