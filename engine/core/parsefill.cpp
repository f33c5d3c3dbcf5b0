#include "parsefill.h"

#include <cstring>

using namespace pascal_com;

Tparsefill::Tparsefill(unsigned char* buffer, uint32_t position, uint32_t bit)
    : parsebuf(buffer), parsepos(position), parsebit(bit), fillbuf(nullptr), fillpos(position), fillbit(bit) {}

uint32_t Tparsefill::getbitvalue(uint32_t n) {
    if (n == 0) return 0;
    need((uint64_t(parsebit) + n + 7) / 8);
    // Byte by byte, so fields wider than 32 - parsebit bits read correctly;
    // only the low 32 bits of a wider field are kept.
    uint32_t value = 0;
    uint32_t left = n;
    while (left > 0) {
        uint32_t k = 8 - parsebit;
        if (k > left) k = left;
        uint32_t byte = parsebuf[parsepos];
        uint32_t bits = (byte >> (8 - parsebit - k)) & ((1u << k) - 1u);
        value = (k >= 32 ? 0 : (value << k)) | bits;
        left -= k;
        parsebit += k;
        if (parsebit > 7) { parsepos += parsebit / 8; parsebit %= 8; }
    }
    return value;
}

int32_t Tparsefill::getsbitvalue(uint32_t n) {
    uint32_t v = getbitvalue(n);
    if (n > 0 && n < 32 && (v >> (n - 1)) & 1u) v |= ~((1u << n) - 1u);
    return int32_t(v);
}

void Tparsefill::room(uint32_t n) {
    uint64_t want = uint64_t(fillpos) + n + (fillbit ? 1 : 0);
    uint32_t have = length(*fillbuf);
    if (want <= have) return;
    uint64_t grow = uint64_t(have) * 2;
    if (grow < want) grow = want;
    if (grow > UINT32_MAX - 16) grow = want;
    setlength(*fillbuf, 1, size_t(grow));
}

void Tparsefill::setbitvalue(uint32_t n, uint32_t value) {
    if (n == 0) return;
    room((n + fillbit + 7) / 8);
    unsigned char* out = *fillbuf;
    uint32_t remaining = n;
    while (remaining > 0) {
        uint32_t k = 8 - fillbit;
        if (k > remaining) k = remaining;
        uint32_t bits = remaining - k >= 32 ? 0 : (value >> (remaining - k)) & ((1u << k) - 1u);
        uint32_t keep = fillbit ? (out[fillpos] & (0xFFu << (8 - fillbit)) & 0xFFu) : 0u;
        out[fillpos] = uint8_t(keep | (bits << (8 - fillbit - k)));
        remaining -= k;
        fillbit += k;
        fillpos += fillbit / 8;
        fillbit %= 8;
    }
}

void Tparsefill::setsbitvalue(uint32_t n, int32_t value) {
    if (n == 0) return;
    setbitvalue(n, uint32_t(value));
}

uint8_t Tparsefill::U8parse() {
    need(1);
    return parsebuf[parsepos++];
}
uint16_t Tparsefill::U16parse() {
    need(2);
    uint16_t v = uint16_t(parsebuf[parsepos] | (parsebuf[parsepos + 1] << 8));
    parsepos += 2;
    return v;
}
uint32_t Tparsefill::U32parse() {
    need(4);
    const unsigned char* p = parsebuf + parsepos;
    uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    parsepos += 4;
    return v;
}
uint32_t Tparsefill::U24parse_moto() {
    need(3);
    const unsigned char* p = parsebuf + parsepos;
    parsepos += 3;
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}
uint32_t Tparsefill::U32parse_moto() {
    need(4);
    const unsigned char* p = parsebuf + parsepos;
    parsepos += 4;
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void Tparsefill::U8fill(uint32_t v) {
    room(1);
    (*fillbuf)[fillpos++] = uint8_t(v);
}
void Tparsefill::U16fill(uint32_t v) {
    room(2);
    unsigned char* p = *fillbuf + fillpos;
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    fillpos += 2;
}
void Tparsefill::U32fill(uint32_t v) {
    room(4);
    unsigned char* p = *fillbuf + fillpos;
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
    fillpos += 4;
}
void Tparsefill::U24fill_moto(uint32_t v) {
    room(3);
    unsigned char* p = *fillbuf + fillpos;
    p[0] = uint8_t(v >> 16);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v);
    fillpos += 3;
}
void Tparsefill::U32fill_moto(uint32_t v) {
    room(4);
    unsigned char* p = *fillbuf + fillpos;
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
    fillpos += 4;
}

void Tparsefill::Tbitarrayparse(unsigned char*& array, uint32_t n) {
    need(n);
    setlength(array, 1, n);
    if (n) std::memcpy(array, parsebuf + parsepos, n);
    parsepos += n;
}

void Tparsefill::Tbitarrayfill(const unsigned char* array) {
    uint32_t n = length(array);
    if (!n) return;
    room(n);
    std::memcpy(*fillbuf + fillpos, array, n);
    fillpos += n;
}

void Tparsefill::Stringparse(unsigned char*& array) {
    uint32_t left = parseleft();
    const void* zero = left ? std::memchr(parsebuf + parsepos, 0, left) : nullptr;
    if (!zero) throw Tparseerror("unterminated string");
    uint32_t n = uint32_t(static_cast<const unsigned char*>(zero) - (parsebuf + parsepos)) + 1;
    Tbitarrayparse(array, n);
}

void Tparsefill::Stringfill(const unsigned char* array) { Tbitarrayfill(array); }
