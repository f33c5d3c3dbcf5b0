#include "jpgtable.h"

#include "../core/container.h"

using namespace pascal_com;

Tswftag_jpgtable::~Tswftag_jpgtable() {
    // Tables must not leak into the next movie read in this process.
    if (settables_) freearray(JPGTABLE);
}

void Tswftag_jpgtable::doparse() {
    if (!length(rawbody)) return;
    bytearrayreplace(JPGTABLE, rawbody, 0, -1);
    settables_ = true;
}

bool Tswftag_jpgtable::tablesneeded() {
    const int64_t at = loadedtagindex(this);
    if (at < 0) return true;
    const uint32_t n = length(tags);
    startimagebatch(uint32_t(at) + 1);
    for (uint32_t i = uint32_t(at) + 1; i < n; ++i) {
        Tswftag* t = tags[i];
        if (t->tagcode == JPEGTables && length(t->rawbody)) break;
        if (t->tagcode != DefineBits) continue;
        auto* b = dynamic_cast<Tswftag_definejpeg*>(t);
        if (!b || b->writtenasread()) return true;
    }
    return false;
}

void Tswftag_jpgtable::fillfromstru() {
    setlength(newbody, 1, 0);
    if (length(rawbody) && tablesneeded()) bytearrayreplace(newbody, rawbody, 0, -1);
}
