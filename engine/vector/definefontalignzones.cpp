#include "definefontalignzones.h"

#include <cmath>

#include "fontplan.h"

using namespace pascal_com;

float float16tofloat(uint16_t h) {
    const uint32_t e = (h >> 10) & 31, m = h & 1023;
    float v;
    if (e == 0) v = std::ldexp(float(m), -24);
    else if (e == 31) v = m ? NAN : INFINITY;
    else v = std::ldexp(float(m | 1024), int(e) - 25);
    return (h & 0x8000) ? -v : v;
}

uint16_t floattofloat16(float f) {
    const uint16_t sign = std::signbit(f) ? 0x8000 : 0;
    if (std::isnan(f)) return sign | 0x7E00;
    const float a = std::fabs(f);
    if (a >= 65520.0f) return sign | 0x7C00;  // rounds to infinity
    if (a < std::ldexp(1.0f, -14)) {
        // Subnormal: a count of 2^-24 steps; 1024 of them is the smallest normal.
        return uint16_t(sign | uint16_t(std::nearbyint(std::ldexp(a, 24))));
    }
    int exp = 0;
    const float fraction = std::frexp(a, &exp);  // a = fraction * 2^exp, fraction in [0.5, 1)
    uint32_t m = uint32_t(std::nearbyint(std::ldexp(fraction, 11)));
    int e = exp - 1 + 15;
    if (m == 2048) {
        m = 1024;
        ++e;
    }
    if (e >= 31) return sign | 0x7C00;
    return uint16_t(sign | uint16_t(e << 10) | uint16_t(m - 1024));
}

Tswftag_definefontalignzones::~Tswftag_definefontalignzones() {
    for (uint32_t i = 0; i < length(ZoneTable); ++i) freearray(ZoneTable[i].ZoneData);
    freearray(ZoneTable);
}

void Tswftag_definefontalignzones::doparse() {
    FontID = U16parse();
    CSMTableHint = uint8_t(UBparse(2));
    Reserved = uint8_t(UBparse(6));
    const uint32_t n = length(rawbody);
    uint32_t count = 0;
    while (parsepos < n) {
        setlen(ZoneTable, count + 1);
        ZONERECORD& z = ZoneTable[count++];
        z.NumZoneData = U8parse();
        need(uint64_t(z.NumZoneData) * 4 + 1);
        setlen(z.ZoneData, z.NumZoneData);
        for (uint32_t k = 0; k < z.NumZoneData; ++k) {
            z.ZoneData[k].AlignmentCoordinate = U16parse();
            z.ZoneData[k].Range = U16parse();
        }
        z.Reserved = uint8_t(UBparse(6));
        z.ZoneMaskY = uint8_t(UBparse(1));
        z.ZoneMaskX = uint8_t(UBparse(1));
    }
}

void Tswftag_definefontalignzones::fillfromstru() {
    setlength(newbody, 1, length(rawbody) + 16);
    setfill(newbody, 0, 0);
    U16fill(FontID);
    UBfill(2, CSMTableHint);
    UBfill(6, Reserved);
    for (uint32_t i = 0; i < length(ZoneTable); ++i) {
        const ZONERECORD& z = ZoneTable[i];
        U8fill(z.NumZoneData);
        for (uint32_t k = 0; k < length(z.ZoneData); ++k) {
            U16fill(z.ZoneData[k].AlignmentCoordinate);
            U16fill(z.ZoneData[k].Range);
        }
        UBfill(6, z.Reserved);
        UBfill(1, z.ZoneMaskY);
        UBfill(1, z.ZoneMaskX);
    }
    endfill();
}

void Tswftag_definefontalignzones_opt::fillfromstru() {
    // Zones follow their font, so it has been written by now; a font kept
    // as read (or fonts not rewritten at all) keeps its zones too.
    const uint32_t f = fontplanwrittenratio(FontID);
    if (f > 1 && !divided_) {
        auto divide = [f](uint16_t& v) { v = floattofloat16(float16tofloat(v) / float(f)); };
        for (uint32_t i = 0; i < length(ZoneTable); ++i)
            for (uint32_t k = 0; k < length(ZoneTable[i].ZoneData); ++k) {
                divide(ZoneTable[i].ZoneData[k].AlignmentCoordinate);
                divide(ZoneTable[i].ZoneData[k].Range);
            }
        divided_ = true;
    }
    Tswftag_definefontalignzones::fillfromstru();
}
