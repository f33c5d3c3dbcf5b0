#include "definebutton.h"

#include <vector>

#include "../core/enginestate.h"
#include "registry.h"
#include "scene.h"

using namespace pascal_com;

Tswftag_definebutton::~Tswftag_definebutton() { release(); }

void Tswftag_definebutton::release() {
    for (uint32_t i = 0; i < length(Records); ++i) FILTERLISTfree(Records[i].FilterList);
    setlength(Records, sizeof(BUTTONRECORD), 0);
    setlength(Actions, 1, 0);
}

void Tswftag_definebutton::doparse() {
    Tswftag_define::doparse();
    release();
    EndFlagAbsent = 0;
    ActionGap = 0;
    uint32_t offsetfield = 0;
    if (tagcode == DefineButton2) {
        ReservedFlags = uint8_t(UBparse(7));
        TrackAsMenu = uint8_t(UBparse(1));
        offsetfield = parsepos;
        ActionOffset = U16parse();
    }
    for (;;) {
        if (parseleft() == 0) {
            EndFlag = 0;
            EndFlagAbsent = 1;
            break;
        }
        EndFlag = U8parse();
        if (EndFlag == 0) break;
        uint32_t n = length(Records);
        setlength(Records, sizeof(BUTTONRECORD), n + 1);
        BUTTONRECORD& r = Records[n];
        const uint8_t f = EndFlag;
        r.ButtonReserved = f & 0xC0;
        r.ButtonHasBlendMode = f & 32;
        r.ButtonHasFilterList = f & 16;
        r.ButtonStateHitTest = f & 8;
        r.ButtonStateDown = f & 4;
        r.ButtonStateOver = f & 2;
        r.ButtonStateUp = f & 1;
        r.CharacterId = U16parse();
        r.PlaceDepth = U16parse();
        Matrixparse(r.PlaceMatrix);
        if (tagcode == DefineButton2) {
            CXFORMWITHALPHAparse(r.ColorTransform);
            if (r.ButtonHasFilterList) FILTERLISTparse(r.FilterList);
            if (r.ButtonHasBlendMode) r.BlendMode = U8parse();
        }
    }
    const uint32_t recordsend = parsepos;
    if (tagcode == DefineButton2 && ActionOffset != 0) {
        // An offset that points into the records or past the body leaves
        // nothing that could be rewritten consistently.
        const uint64_t target = uint64_t(offsetfield) + ActionOffset;
        if (target < recordsend || target > length(rawbody)) throw Tparseerror("action offset outside the actions");
        ActionGap = uint32_t(target - recordsend);
    }
    Tbitarrayparse(Actions, parseleft());
}

void Tswftag_definebutton::fillfromstru() { writebody(nullptr); }

void Tswftag_definebutton::writebody(const MATRIX* placematrices) {
    Tswftag_define::fillfromstru();
    beginfill(2 * length(rawbody) + 100);
    uint32_t offsetfield = 0;
    if (tagcode == DefineButton2) {
        UBfill(7, ReservedFlags);
        UBfill(1, TrackAsMenu);
        offsetfield = fillpos;
        U16fill(ActionOffset);
    }
    for (uint32_t i = 0; i < length(Records); ++i) {
        const BUTTONRECORD& r = Records[i];
        U8fill(uint32_t(r.ButtonReserved) + r.ButtonHasBlendMode + r.ButtonHasFilterList + r.ButtonStateHitTest +
               r.ButtonStateDown + r.ButtonStateOver + r.ButtonStateUp);
        U16fill(r.CharacterId);
        U16fill(r.PlaceDepth);
        Matrixfill(placematrices ? placematrices[i] : r.PlaceMatrix);
        if (tagcode == DefineButton2) {
            CXFORMWITHALPHAfill(r.ColorTransform);
            if (r.ButtonHasFilterList) FILTERLISTfill(r.FilterList);
            if (r.ButtonHasBlendMode) U8fill(r.BlendMode);
        }
    }
    if (!EndFlagAbsent) U8fill(EndFlag);
    if (tagcode == DefineButton2 && ActionOffset != 0) {
        // The records may have changed length: the offset follows them.
        const uint64_t offset = uint64_t(fillpos) - offsetfield + ActionGap;
        if (offset > 0xFFFF) throw Tparseerror("action offset does not fit");
        (*fillbuf)[offsetfield] = uint8_t(offset);
        (*fillbuf)[offsetfield + 1] = uint8_t(offset >> 8);
    }
    endfill();
    bytearrayappend(newbody, Actions, 0, -1);
}

void Tswftag_definebutton_opt::doparse() {
    Tswftag_definebutton::doparse();
    for (uint32_t i = 0; i < length(Records); ++i) {
        addusedmatrix(Records[i].CharacterId, characterid, Records[i].PlaceMatrix);
        sceneaddedge(Records[i].CharacterId, characterid, Records[i].PlaceMatrix, false);
    }
}

void Tswftag_definebutton_opt::fillfromstru() {
    const uint32_t n = length(Records);
    // The records keep the movie's matrices; only what is written is scaled.
    std::vector<MATRIX> scaled(n);
    for (uint32_t i = 0; i < n; ++i) {
        scaled[i] = Records[i].PlaceMatrix;
        const double k = shapedivisor(Records[i].CharacterId);
        if (k != 1.0) matrixand(scaled[i], k, k, 1, 1, 0);
    }
    writebody(scaled.data());
}
