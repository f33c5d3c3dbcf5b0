#include "tagfactory.h"

#include "swftag.h"

namespace {

using Tcreator = Tswftag* (*)(unsigned char*, uint32_t);

template <typename T>
Tswftag* make(unsigned char* bytes, uint32_t offset) {
    return new T(bytes, offset);
}

struct Tfactoryentry {
    uint16_t code;
    Tcreator create;
};

// One line per tag code whose class does more than pass the body through.
const Tfactoryentry factory[] = {
    {0, nullptr},
};

}  // namespace

Tswftag* createtag(unsigned char* bytes, uint32_t offset, uint16_t tagcode) {
    for (const auto& e : factory)
        if (e.code == tagcode && e.create) return e.create(bytes, offset);
    return new Tswftag(bytes, offset);
}
