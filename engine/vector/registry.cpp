#include "registry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "../core/enginestate.h"
#include "../core/pascal_com.h"
#include "../settings/effective.h"

using namespace pascal_com;

Tlazytable<TIDREC> IDS;
TBITMAPREC* BITMAPRECS = nullptr;
Tlazytable<TDEPTHREC> DEPTHS;
Tlazytable<TDEPTHREC> SPRITEDEPTHS;

namespace {
// For each character id, the bitmap records that it is the bitmap of or a
// user of, so that a registration touches only the records concerned.
Tlazytable<std::vector<uint32_t>>& concerned() {
    static Tlazytable<std::vector<uint32_t>> table;
    return table;
}
void note(uint16_t id, uint32_t record) { concerned()[id].push_back(record); }
}  // namespace

void clearregistry() {
    IDS.clear();
    DEPTHS.clear();
    SPRITEDEPTHS.clear();
    for (uint32_t i = 0; i < length(BITMAPRECS); ++i) setlength(BITMAPRECS[i].Users, sizeof(TBITMAPUSER), 0);
    setlength(BITMAPRECS, sizeof(TBITMAPREC), 0);
    concerned().clear();
}

bool dividedshape(uint32_t id) {
    return id < 65536 &&
           ((IDS[id].Kind == IDKIND_SHAPE && !kindskipped(KIND_SHAPE, CCparams)) || IDS[id].Kind == IDKIND_MORPH);
}

int shapedivisor(uint16_t id) {
    if (!dividedshape(id)) return 1;
    TIDREC& r = IDS[id];
    if (!r.Ratio) r.Ratio = uint8_t(shaperatio(CCparams));
    return r.Ratio;
}

TBITMAPREC* bitmaprec(uint16_t id) {
    uint32_t index = IDS[id].BitmapIndex;
    return index && index < length(BITMAPRECS) ? &BITMAPRECS[index] : nullptr;
}

bool bitmapfillmatrix(const TBITMAPREC& rec, MATRIX& m, double& tx, double& ty) {
    auto over = [](double v) { return !(v > -kmatrixlimit && v < kmatrixlimit); };
    tx = m.TranslateX;
    ty = m.TranslateY;
    if (rec.CropX || rec.CropY) {
        const Tlinear l = matrixlinear(m);
        tx += l.a * rec.CropX + l.c * rec.CropY;
        ty += l.b * rec.CropX + l.d * rec.CropY;
        if (over(tx) || over(ty)) return false;
        m.TranslateX = swf_round(tx);
        m.TranslateY = swf_round(ty);
    }
    if (!(rec.ImageScaleX > 0) || !(rec.ImageScaleY > 0)) return true;
    if (rec.ImageScaleX == 1.0 && rec.ImageScaleY == 1.0) return true;
    const double sx = 1.0 / rec.ImageScaleX, sy = 1.0 / rec.ImageScaleY;
    if (over((m.HasScale ? m.ScaleX : 65536.0) * sx) || over((m.HasScale ? m.ScaleY : 65536.0) * sy) ||
        (m.HasRotate && (over(m.RotateSkew0 * sx) || over(m.RotateSkew1 * sy))))
        return false;
    matrixand(m, sx, sy, 1, 1, 0);
    return true;
}

void addbmpid(uint16_t id) {
    IDS[id].Kind = IDKIND_BITMAP;
    if (IDS[id].BitmapIndex != 0) return;
    uint32_t n = length(BITMAPRECS);
    if (n == 0) n = 1;  // entry 0 stands for "none"
    setlength(BITMAPRECS, sizeof(TBITMAPREC), n + 1);
    TBITMAPREC& r = BITMAPRECS[n];
    r.BitmapId = id;
    r.Users = nullptr;
    r.MaxScaleX = r.MaxScaleY = 0.0;
    r.ImageScaleX = r.ImageScaleY = 1.0;
    r.CropX = r.CropY = 0;
    IDS[id].BitmapIndex = n;
    note(id, n);
}

void addusedmatrix(uint16_t child, uint16_t parent, const MATRIX& m) {
    double sx = 1.0, sy = 1.0;
    if (m.HasScale || m.HasRotate) {
        // The length of each transformed axis, so that fractional, rotated and
        // mirrored drawing count at the size they really show.
        const Tlinear l = matrixlinear(m);
        sx = std::sqrt(l.a * l.a + l.b * l.b);
        sy = std::sqrt(l.d * l.d + l.c * l.c);
        if (IDS[child].Kind == IDKIND_BITMAP) {
            sx /= 20.0;
            sy /= 20.0;
        }
    }
    addused(child, parent, sx, sy);
}

void addused(uint16_t child, uint16_t parent, double sx, double sy) {
    // Copy: registering a new user may add to the list being walked.
    std::vector<uint32_t> records = concerned().peek(child);
    for (uint32_t index : records) {
        TBITMAPREC& r = BITMAPRECS[index];
        double x, y;
        if (r.BitmapId == child) {
            x = sx;
            y = sy;
        } else {
            TBITMAPUSER* u = nullptr;
            for (uint32_t k = 0; k < length(r.Users); ++k)
                if (r.Users[k].UserId == child) { u = &r.Users[k]; break; }
            if (!u) continue;
            x = u->ScaleX * sx;
            y = u->ScaleY * sy;
        }
        TBITMAPUSER* p = nullptr;
        for (uint32_t k = 0; k < length(r.Users); ++k)
            if (r.Users[k].UserId == parent) { p = &r.Users[k]; break; }
        if (p) {
            if (x > p->ScaleX) p->ScaleX = x;
            if (y > p->ScaleY) p->ScaleY = y;
        } else {
            uint32_t n = length(r.Users);
            setlength(r.Users, sizeof(TBITMAPUSER), n + 1);
            r.Users[n] = TBITMAPUSER{parent, x, y};
            if (parent != r.BitmapId) note(parent, index);
        }
        if (x > r.MaxScaleX) r.MaxScaleX = x;
        if (y > r.MaxScaleY) r.MaxScaleY = y;
    }
}

Tlinear matrixlinear(const MATRIX& m) {
    return {m.HasScale ? m.ScaleX / 65536.0 : 1.0, m.HasRotate ? m.RotateSkew0 / 65536.0 : 0.0,
            m.HasRotate ? m.RotateSkew1 / 65536.0 : 0.0, m.HasScale ? m.ScaleY / 65536.0 : 1.0};
}

void matrixand(MATRIX& m, double sx, double sy, int scaleflag, int rotateflag, int translateflag) {
    if (scaleflag) {
        if (m.HasScale) {
            m.ScaleX = swf_round(m.ScaleX * sx);
            m.ScaleY = swf_round(m.ScaleY * sy);
        } else {
            m.ScaleX = swf_round(65536.0 * sx);
            m.ScaleY = swf_round(65536.0 * sy);
        }
        m.HasScale = 1;
    }
    if (rotateflag && m.HasRotate) {
        m.RotateSkew0 = swf_round(m.RotateSkew0 * sx);
        m.RotateSkew1 = swf_round(m.RotateSkew1 * sy);
    }
    if (translateflag) {
        m.TranslateX = swf_round(m.TranslateX * sx);
        m.TranslateY = swf_round(m.TranslateY * sy);
    }
}

void rectand(SRECT& r, double f) {
    r.Xmin = swf_round(r.Xmin * f);
    r.Xmax = swf_round(r.Xmax * f);
    r.Ymin = swf_round(r.Ymin * f);
    r.Ymax = swf_round(r.Ymax * f);
}
