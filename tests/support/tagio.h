// One tag parsed and written the way the container does it, for tests that look at a single tag object.
#pragma once
#include <memory>

#include "core/container.h"
#include "core/pascal_com.h"
#include "core/swftag.h"
#include "support/swfbuilder.h"

namespace swfb {

// A tag object made from one tag's bytes and parsed; spriteref as the container sets it (-1 on the main timeline).
template <class T>
std::unique_ptr<T> parse(const Bytes& tagbytes, int32_t spriteref = -1) {
    unsigned char* data = nullptr;
    bytearrayappendraw(data, tagbytes.data(), tagbytes.size());
    auto t = std::make_unique<T>(data, 0);
    pascal_com::setlength(data, 1, 0);
    t->spriteref = spriteref;
    t->safeparse();
    return t;
}

// The body of one tag's bytes, after its short or long header.
inline Bytes body(const Bytes& tagbytes) {
    return Bytes(tagbytes.begin() + ((tagbytes[0] & 63) == 63 ? 6 : 2), tagbytes.end());
}

// The movie header the tag classes read their version from.
inline void setmovieversion(int version) {
    pascal_com::setlength(_head, 1, 0);
    const uint8_t h[] = {'F', 'W', 'S', uint8_t(version), 0, 0, 0, 0};
    bytearrayappendraw(_head, h, sizeof h);
}

// Header and body as the tag writes them.
inline Bytes write(Tswftag& t) {
    unsigned char* out = nullptr;
    t.dofill(out);
    Bytes b(out, out + pascal_com::length(out));
    pascal_com::setlength(out, 1, 0);
    return b;
}

}  // namespace swfb
