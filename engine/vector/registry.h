// Which characters draw which bitmaps at what scale, divided shapes and fonts,
// and what was last placed at each depth.
#pragma once
#include <cstdint>

#include "../core/lazytable.h"
#include "../core/records.h"

// A morph shape is divided like a shape, but players never swap one for the
// other at a depth.
enum Tidkind : uint8_t { IDKIND_NONE = 0, IDKIND_SHAPE = 1, IDKIND_BITMAP = 2, IDKIND_FONT = 3, IDKIND_MORPH = 4 };

struct TIDREC {
    uint8_t Kind;
    uint8_t Ratio;  // a shape's or morph shape's divisor once chosen, 0 before
    uint32_t BitmapIndex;
};

struct TBITMAPUSER {
    uint16_t UserId;
    double ScaleX, ScaleY;
};

struct TBITMAPREC {
    uint16_t BitmapId;
    TBITMAPUSER* Users;  // dynamic array
    double MaxScaleX, MaxScaleY;
    double ImageScaleX, ImageScaleY;
    // Where the bitmap as written starts in the one read, in its pixels.
    int32_t CropX, CropY;
};

struct TDEPTHREC {
    uint32_t CharacterId;
    MATRIX Matrix;
};

extern Tlazytable<TIDREC> IDS;
extern TBITMAPREC* BITMAPRECS;  // dynamic array, entry 0 reserved
extern Tlazytable<TDEPTHREC> DEPTHS;
extern Tlazytable<TDEPTHREC> SPRITEDEPTHS;

// The registry's own tables.
void clearregistry();
// The registry and what the vector tags keep beside it (font plan, scene,
// placement depths); defined above them, in vectorreset.cpp.
void clearres();
void addbmpid(uint16_t id);
void addusedmatrix(uint16_t child, uint16_t parent, const MATRIX& m);
void addused(uint16_t child, uint16_t parent, double sx, double sy);
// The linear part of m in real numbers: x' = a x + c y, y' = b x + d y (no
// scale reads as 1, no rotation as 0).
struct Tlinear {
    double a, b, c, d;
};
Tlinear matrixlinear(const MATRIX& m);
void matrixand(MATRIX& m, double sx, double sy, int scaleflag, int rotateflag, int translateflag);
void rectand(SRECT& r, double factor);
// Whether the character under id is a shape or morph shape that may be
// divided: not when the shape kind is skipped, which writes shapes as read.
bool dividedshape(uint32_t id);
// What a shape is divided by, and so what whatever shows it multiplies by:
// 1 for anything that is not a divided shape. Asked before the shape has
// chosen, it settles on the movie's shape ratio.
int shapedivisor(uint16_t id);
// The bitmap record of a character id, or null.
TBITMAPREC* bitmaprec(uint16_t id);
// What a matrix field may hold once rounded: beyond, matrixand clamps, and a
// clamped value would be written as a wrong one.
constexpr double kmatrixlimit = double(1 << 30);
// The fill matrix m of a bitmap as the writer makes it for the bitmap as
// rec says it was written: moved to where a cropped bitmap's first pixel was
// drawn, then scaled by the bitmap's own scale. tx, ty: that translation
// before rounding. False, with m left part way, when the result would not fit.
bool bitmapfillmatrix(const TBITMAPREC& rec, MATRIX& m, double& tx, double& ty);
