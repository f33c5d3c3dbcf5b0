// DefineFontAlignZones (code 73): the hinting zones of a DefineFont3's
// glyphs, in the glyphs' own units. When the font's glyphs are divided the
// zones are divided with them, or players that hint text would snap the
// glyphs to zones that no longer fit them.
#pragma once
#include <cstdint>

#include "../core/swftag.h"

struct ZONEDATA {
    uint16_t AlignmentCoordinate;  // FLOAT16 as stored
    uint16_t Range;                // FLOAT16 as stored
};

struct ZONERECORD {
    uint8_t NumZoneData;
    ZONEDATA* ZoneData;  // dynamic array
    uint8_t Reserved;    // 6 bits
    uint8_t ZoneMaskY, ZoneMaskX;
};

class Tswftag_definefontalignzones : public Tswftag {
public:
    using Tswftag::Tswftag;
    ~Tswftag_definefontalignzones() override;

    uint16_t FontID = 0;
    uint8_t CSMTableHint = 0;
    uint8_t Reserved = 0;
    ZONERECORD* ZoneTable = nullptr;  // dynamic array, one per glyph

    void doparse() override;
    void fillfromstru() override;
    void fillother() override {}
};

class Tswftag_definefontalignzones_opt : public Tswftag_definefontalignzones {
public:
    using Tswftag_definefontalignzones::Tswftag_definefontalignzones;
    void fillfromstru() override;

private:
    bool divided_ = false;
};

// FLOAT16 (1 sign, 5 exponent, 10 fraction bits) and back, rounding to nearest.
float float16tofloat(uint16_t h);
uint16_t floattofloat16(float f);
