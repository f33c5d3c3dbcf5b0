// DefineButton and DefineButton2: the characters a button shows in each state.
#pragma once
#include <cstdint>

#include "../core/swftag.h"

struct BUTTONRECORD {
    // Flag byte, each flag as its bit value.
    uint8_t ButtonReserved;       // top two bits in place
    uint8_t ButtonHasBlendMode;   // 32
    uint8_t ButtonHasFilterList;  // 16
    uint8_t ButtonStateHitTest;   // 8
    uint8_t ButtonStateDown;      // 4
    uint8_t ButtonStateOver;      // 2
    uint8_t ButtonStateUp;        // 1
    uint16_t CharacterId;
    uint16_t PlaceDepth;
    MATRIX PlaceMatrix;
    CXFORMWITHALPHA ColorTransform;  // DefineButton2
    FILTERLIST FilterList;           // DefineButton2 with ButtonHasFilterList
    uint8_t BlendMode;               // DefineButton2 with ButtonHasBlendMode
};

class Tswftag_definebutton : public Tswftag_define {
public:
    using Tswftag_define::Tswftag_define;
    ~Tswftag_definebutton() override;

    BUTTONRECORD* Records = nullptr;  // dynamic array
    uint8_t EndFlag = 0;
    // A body that ends right after a whole record, without the end flag; it
    // is written back the same way.
    uint8_t EndFlagAbsent = 0;
    unsigned char* Actions = nullptr;  // the rest of the body after the records
    uint8_t ReservedFlags = 0;         // DefineButton2, 7 bits
    uint8_t TrackAsMenu = 0;           // DefineButton2, 1 bit
    uint16_t ActionOffset = 0;         // DefineButton2, as read
    // Bytes between the end flag and the first action that ActionOffset
    // points at; kept so that the offset still lands on the actions.
    uint32_t ActionGap = 0;

    void doparse() override;
    void fillfromstru() override;
    void fillother() override {}

protected:
    void release();
    // Writes the tag with the given placement matrices, one per record, in
    // place of the records' own (null: their own).
    void writebody(const MATRIX* placematrices);
};

// Shows divided shapes at their size again and reports what the records show.
class Tswftag_definebutton_opt : public Tswftag_definebutton {
public:
    using Tswftag_definebutton::Tswftag_definebutton;
    void doparse() override;
    void fillfromstru() override;
};
