// Maps absolute points of a path to round(point / k).
#pragma once
#include <cstdint>

#include "../core/parsefill.h"
#include "../core/pascal_com.h"

// The same input point always lands on the same output point and deltas are
// differences of mapped points, so rounding never accumulates along a path
// and closed outlines stay closed; the mapping is a pure function, so no table
// of points met before is needed.
class Tpointmap {
public:
    explicit Tpointmap(int k) : k_(k < 1 ? 1 : k) {}
    void moveto(int32_t x, int32_t y, int32_t& nx, int32_t& ny) {
        x_ = x;
        y_ = y;
        nx = mx_ = map(x);
        ny = my_ = map(y);
    }
    // The pen moved by (dx, dy): the mapped delta.
    void lineto(int32_t dx, int32_t dy, int32_t& ndx, int32_t& ndy) {
        const int32_t px = mx_, py = my_;
        int32_t nx, ny;
        moveto(checked(x_ + dx), checked(y_ + dy), nx, ny);
        ndx = checked(int64_t(nx) - px);
        ndy = checked(int64_t(ny) - py);
    }

private:
    int32_t map(int32_t v) const { return pascal_com::swf_round(double(v) / k_); }
    static int32_t checked(int64_t v) {
        if (v < INT32_MIN || v > INT32_MAX) throw Tparseerror("shape coordinate out of range");
        return int32_t(v);
    }
    int k_;
    int64_t x_ = 0, y_ = 0;
    int32_t mx_ = 0, my_ = 0;
};
