// Shape bodies built record by record, for the shape and font tests.
#pragma once
#include <cstdint>
#include <vector>

#include "support/swfbuilder.h"

namespace swfb {

// Scale and skew in 16.16 (0 = absent unless forced), translation in twips.
struct Mat {
    int32_t tx = 0, ty = 0, sx = 0, sy = 0, r0 = 0, r1 = 0;
    bool hasscale = false, hasrotate = false;
};

struct Stop {
    uint8_t ratio;
    uint8_t r, g, b, a;
};

// LINESTYLE2 fields other than the width; a fill style follows when hasfill.
struct Line2 {
    int startcap = 0, join = 0, endcap = 0;
    bool hasfill = false, nohscale = false, novscale = false, pixelhinting = false, noclose = false;
    int reserved = 0;
    uint16_t miter = 0;  // written when join is 2
};

// Style change: fields left at -1 are not set.
struct Change {
    int32_t movex = 0, movey = 0;
    bool move = false;
    int movebits = -1;  // -1: smallest
    int fill0 = -1, fill1 = -1, line = -1;
    bool newstyles = false;
};

// Colours and the line style layout follow the tag code (2, 22, 32, 83).
class ShapeWriter {
public:
    explicit ShapeWriter(int code) : code_(code) {}

    // Count byte, or 0xFF and a U16 when extended or n > 254.
    ShapeWriter& fillcount(uint32_t n, bool extended = false);
    ShapeWriter& solid(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
    // type 0x10, 0x12 or 0x13 (the focal point only with 0x13).
    ShapeWriter& gradient(uint8_t type, const Mat& m, const std::vector<Stop>& stops, uint16_t focal = 0,
                          int spread = 0, int interpolation = 0);
    ShapeWriter& bitmap(uint8_t type, uint16_t id, const Mat& m);
    ShapeWriter& rawfilltype(uint8_t type);
    ShapeWriter& linecount(uint32_t n, bool extended = false);
    // LINESTYLE (codes 2, 22, 32), or under 83 a LINESTYLE2 with a colour.
    ShapeWriter& line(uint16_t width, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
    // LINESTYLE2; with hasfill, the fill style is written next by the caller.
    ShapeWriter& line2(uint16_t width, const Line2& l, uint8_t r = 0, uint8_t g = 0, uint8_t b = 0, uint8_t a = 255);
    // NumFillBits, NumLineBits: the widths of the style indices that follow.
    ShapeWriter& bits(int fill, int line);

    ShapeWriter& change(const Change& c);
    // numbits -1: smallest; a zero-length edge is written as a general line.
    ShapeWriter& straight(int32_t dx, int32_t dy, int numbits = -1);
    ShapeWriter& curve(int32_t cx, int32_t cy, int32_t ax, int32_t ay, int numbits = -1);
    ShapeWriter& endshape();

    Bytes take() { return w_.take(); }

private:
    Writer& colour(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
    Writer& mat(const Mat& m);
    int code_;
    int fillbits_ = 0, linebits_ = 0;
    Writer w_;
};

// A whole shape tag around a SHAPEWITHSTYLE; DefineShape4 gets the same edge
// bounds and flags as its last byte (reserved 6 bits, non-scaling, scaling).
Bytes shapetag(int code, uint16_t id, int32_t xmin, int32_t xmax, int32_t ymin, int32_t ymax, const Bytes& shape,
               uint8_t flags4 = 0);

}  // namespace swfb
