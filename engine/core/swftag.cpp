#include "swftag.h"

#include <cstring>
#include <new>

using namespace pascal_com;

bool Tswftag::peekheader(const unsigned char* bytes, uint32_t size, uint32_t offset, uint16_t& code,
                         uint32_t& bodylen, uint32_t& headlen) {
    if (uint64_t(offset) + 2 > size) return false;
    uint32_t word = bytes[offset] | bytes[offset + 1] << 8;
    code = uint16_t(word >> 6);
    bodylen = word & 63;
    headlen = 2;
    if (bodylen == 63) {
        if (uint64_t(offset) + 6 > size) return false;
        const unsigned char* p = bytes + offset + 2;
        bodylen = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        headlen = 6;
    }
    return true;
}

Tswftag::Tswftag(unsigned char* bytes, uint32_t offset) : Tparsefill(bytes, offset, 0) {
    uint32_t size = length(bytes);
    uint32_t bodylen = 0;
    if (!peekheader(bytes, size, offset, tagcode, bodylen, headlen)) {
        // Callers check the header first; an impossible header becomes an empty tag.
        keepraw = 1;
        parsebuf = nullptr;
        parsepos = 0;
        return;
    }
    uint64_t avail = size - offset - headlen;
    uint64_t full = uint64_t(headlen) + bodylen;
    taglen = full > UINT32_MAX ? UINT32_MAX : uint32_t(full);
    uint64_t take = bodylen;
    if (tagcode == DefineSprite && bodylen >= 4) {
        spriteref = int32_t(full > INT32_MAX ? INT32_MAX : full);
        taglen = headlen + 4;
        take = 4;
    }
    if (take > avail) {
        take = avail;
        keepraw = 1;
    }
    if (take) {
        setlength(rawbody, 1, size_t(take));
        std::memcpy(rawbody, bytes + offset + headlen, size_t(take));
    }
    setparse(rawbody, 0, 0);
}

Tswftag* Tswftag::makerun(const unsigned char* data, uint32_t from, uint32_t to) {
    auto* t = new Tswftag(nullptr, 0);
    t->tagcode = krun;
    t->headlen = 0;
    t->extendrun(data, from, to);
    return t;
}

void Tswftag::extendrun(const unsigned char* data, uint32_t from, uint32_t to) {
    // Each header in its shortest form, as every other tag is written.
    while (from < to) {
        uint16_t code;
        uint32_t bodylen, headlen;
        if (!peekheader(data, to, from, code, bodylen, headlen) || uint64_t(from) + headlen + bodylen > to) {
            bytearrayappendraw(rawbody, data + from, to - from);
            break;
        }
        appendtagheader(rawbody, code, bodylen);
        bytearrayappendraw(rawbody, data + from + headlen, bodylen);
        from += headlen + bodylen;
    }
    taglen = length(rawbody);
}

Tswftag::~Tswftag() {
    setlength(rawbody, 1, 0);
    setlength(newbody, 1, 0);
}

void Tswftag::fillother() { bytearrayreplace(newbody, rawbody, 0, -1); if (!rawbody) setlength(newbody, 1, 0); }

void Tswftag::safeparse() {
    if (keepraw) return;
    setparse(rawbody, 0, 0);
    try {
        doparse();
    } catch (const std::exception&) {
        keepraw = 1;
    }
}

void Tswftag::beginfill(uint32_t reserve) {
    uint64_t want = uint64_t(fillpos) + reserve + 1;
    if (length(newbody) < want) setlength(newbody, 1, size_t(want));
    fillbuf = &newbody;
}

void Tswftag::endfill() {
    truncbitfill();
    setlength(newbody, 1, fillpos);
}

void appendtagheader(unsigned char*& output, uint16_t code, uint32_t bodylength) {
    unsigned char head[6];
    const bool longform = bodylength > 62 || code == DefineSprite;
    const uint32_t word = uint32_t(code) * 64 + (longform ? 63 : bodylength);
    head[0] = uint8_t(word);
    head[1] = uint8_t(word >> 8);
    for (int k = 0; k < 4; ++k) head[2 + k] = uint8_t(bodylength >> (8 * k));
    bytearrayappendraw(output, head, longform ? 6 : 2);
}

uint32_t Tswftag::dofill(unsigned char*& output) {
    if (tagcode == krun) return dofillraw(output);
    bool built = false;
    if (!keepraw) {
        try {
            setlength(newbody, 1, 0);
            setfill(newbody, 0, 0);
            fillfromstru();
            fillother();
            built = true;
        } catch (const std::exception&) {
            keepraw = 1;
        }
    }
    if (!built) {
        // Straight from what was read: a large tag is not copied once more.
        setlength(newbody, 1, 0);
        if (tagcode == SoundStreamBlock && !rawbody) {
            taglen = 0;
            return 0;
        }
        return dofillraw(output);
    }
    uint32_t n = length(newbody);
    if (tagcode == SoundStreamBlock && n == 0) {
        taglen = 0;
        return 0;
    }
    appendtagheader(output, writtencode(), n);
    bytearrayappendraw(output, newbody, n);
    return n;
}

uint32_t Tswftag::dofillraw(unsigned char*& output) {
    uint32_t n = length(rawbody);
    if (tagcode == krun) {
        bytearrayappendraw(output, rawbody, n);
        return n;
    }
    appendtagheader(output, tagcode, n);
    bytearrayappendraw(output, rawbody, n);
    return n;
}

void Tswftag_define::doparse() { characterid = U16parse(); }

void Tswftag_define::fillfromstru() {
    setlength(newbody, 1, 2);
    setfill(newbody, 0, 0);
    U16fill(characterid);
}

void Tswftag_define::fillother() { bytearrayappend(newbody, rawbody, 2, -1); }
