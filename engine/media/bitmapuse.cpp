#include "bitmapuse.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "../core/enginestate.h"
#include "../core/pascal_com.h"
#include "../core/swftag.h"
#include "../vector/definebutton.h"
#include "../vector/definemorphshape.h"
#include "../vector/defineshape.h"
#include "../vector/placeobject.h"
#include "../vector/registry.h"
#include "../vector/scene.h"
#include "../vector/shaperecords.h"

using namespace pascal_com;

namespace {

bool isbitmapid(uint16_t id) { return IDS[id].Kind == IDKIND_BITMAP; }

void pin(std::vector<uint8_t>& keep, uint16_t id, Tkeepsize why) {
    if (isbitmapid(id) && keep[id] == KEEPSIZE_NO) keep[id] = why;
}

void namedids(const Tswftag* t, std::vector<uint8_t>& keep) {
    std::vector<uint16_t> ids;
    symbolids(t, ids);
    for (uint16_t id : ids) pin(keep, id, KEEPSIZE_NAMED);
}

// Every bitmap fill starts with its type byte and the bitmap id, on a byte
// boundary; in a body that could not be parsed, any such three bytes may be one.
void fillpatterns(const Tswftag* t, std::vector<uint8_t>& keep) {
    const unsigned char* b = t->rawbody;
    const uint32_t n = length(b);
    for (uint32_t i = 0; i + 2 < n; ++i)
        if (b[i] >= 0x40 && b[i] <= 0x43) pin(keep, uint16_t(b[i + 1] | b[i + 2] << 8), KEEPSIZE_UNCORRECTED);
}

// A placement or button that could not be parsed may name the bitmap anywhere.
void anyid(const Tswftag* t, std::vector<uint8_t>& keep, uint32_t from) {
    const unsigned char* b = t->rawbody;
    const uint32_t n = length(b);
    for (uint32_t i = from; i + 1 < n; ++i) pin(keep, uint16_t(b[i] | b[i + 1] << 8), KEEPSIZE_PLACED);
}

void fillids(const FILLSTYLE& f, std::vector<int64_t>& firstuse, uint32_t at) {
    if (isbitmapfill(f.FillStyleType) && firstuse[f.BitmapId] < 0) firstuse[f.BitmapId] = at;
}

void styleids(const FILLSTYLEARRAY& fills, const LINESTYLEARRAY& lines, std::vector<int64_t>& firstuse, uint32_t at) {
    for (uint32_t k = 0; k < length(fills.FillStyles); ++k) fillids(fills.FillStyles[k], firstuse, at);
    for (uint32_t k = 0; k < length(lines.LineStyles2); ++k)
        if (lines.LineStyles2[k].HasFillFlag) fillids(lines.LineStyles2[k].FillType, firstuse, at);
}

// Records, for each bitmap id, the index of the first parsed shape that fills with it.
void shapeids(const SHAPEWITHSTYLE& s, std::vector<int64_t>& firstuse, uint32_t at) {
    styleids(s.FillStyles, s.LineStyles, firstuse, at);
    const SHAPERECORD* r = s.ShapeRecords;
    for (uint32_t k = 0; k < length(r); ++k)
        if (r[k].Kind == SHAPEREC_STYLECHANGE && r[k].StateNewStyles) styleids(r[k].FillStyles, r[k].LineStyles, firstuse, at);
}

// Room around what a fill shows: in the shape, for the antialiased pixels
// along its edges; in the bitmap, for smoothing, which reads neighbours.
constexpr double kedgetwips = 40;
constexpr double kedgepixels = 4;

struct Tbox {
    double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
    void add(double x, double y) {
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
    }
    bool empty() const { return !(x0 <= x1 && y0 <= y1); }
};

struct Tuses {
    std::unordered_map<uint16_t, Tshownarea> area;
    std::unordered_set<uint16_t> blocked;
};

// A fill that can show any part of its bitmap.
void blockfill(const FILLSTYLE& f, Tuses& u) {
    if (isbitmapfill(f.FillStyleType)) u.blocked.insert(f.BitmapId);
}

void blocklines(const LINESTYLEARRAY& lines, Tuses& u) {
    // A stroke reaches past the edges by half its width, or more when it
    // does not scale: it is not worth bounding.
    for (uint32_t k = 0; k < length(lines.LineStyles2); ++k)
        if (lines.LineStyles2[k].HasFillFlag) blockfill(lines.LineStyles2[k].FillType, u);
}

void blockall(const SHAPEWITHSTYLE& s, Tuses& u) {
    for (uint32_t k = 0; k < length(s.FillStyles.FillStyles); ++k) blockfill(s.FillStyles.FillStyles[k], u);
    blocklines(s.LineStyles, u);
    const SHAPERECORD* r = s.ShapeRecords;
    for (uint32_t k = 0; k < length(r); ++k)
        if (r[k].Kind == SHAPEREC_STYLECHANGE && r[k].StateNewStyles) {
            for (uint32_t i = 0; i < length(r[k].FillStyles.FillStyles); ++i) blockfill(r[k].FillStyles.FillStyles[i], u);
            blocklines(r[k].LineStyles, u);
        }
}

// A clipped fill shows the pixels under the edges that bound it, box, mapped
// back through its matrix; outside the bitmap it repeats the edge pixels.
void showfill(const FILLSTYLE& f, const Tbox& box, Tuses& u) {
    if (!isbitmapfill(f.FillStyleType)) return;
    if (f.FillStyleType != 0x41 && f.FillStyleType != 0x43) return blockfill(f, u);
    const MATRIX& m = f.BitmapMatrix;
    const Tlinear l = matrixlinear(m);
    const double det = l.a * l.d - l.b * l.c;
    // The translation moves by at most the matrix times the bitmap's size;
    // one that might not fit its field would leave the shape as read.
    const double reach = (std::abs(l.a) + std::abs(l.b) + std::abs(l.c) + std::abs(l.d)) * 65536.0;
    if (!(std::abs(det) > 1e-9) || !(std::abs(double(m.TranslateX)) + reach < kmatrixlimit) ||
        !(std::abs(double(m.TranslateY)) + reach < kmatrixlimit))
        return blockfill(f, u);
    if (box.empty()) return;
    Tbox shown;
    const double xs[2] = {box.x0 - kedgetwips, box.x1 + kedgetwips}, ys[2] = {box.y0 - kedgetwips, box.y1 + kedgetwips};
    for (double x : xs)
        for (double y : ys) {
            const double dx = x - m.TranslateX, dy = y - m.TranslateY;
            shown.add((l.d * dx - l.c * dy) / det, (l.a * dy - l.b * dx) / det);
        }
    const Tshownarea a{shown.x0 - kedgepixels, shown.y0 - kedgepixels, shown.x1 + kedgepixels, shown.y1 + kedgepixels};
    auto [at, fresh] = u.area.emplace(f.BitmapId, a);
    if (!fresh) {
        Tshownarea& o = at->second;
        o = {std::min(o.x0, a.x0), std::min(o.y0, a.y0), std::max(o.x1, a.x1), std::max(o.y1, a.y1)};
    }
}

// Each fill style of a shape bounded by the edges that name it on either
// side. An index left unset after new styles is kept: counting its edges
// can only widen what is shown.
void shapeshows(const SHAPEWITHSTYLE& s, Tuses& u) {
    const FILLSTYLEARRAY* fills = &s.FillStyles;
    blocklines(s.LineStyles, u);
    std::vector<Tbox> boxes(length(fills->FillStyles));
    auto flush = [&] {
        for (uint32_t k = 0; k < boxes.size(); ++k) showfill(fills->FillStyles[k], boxes[k], u);
    };
    double x = 0, y = 0;
    uint32_t f0 = 0, f1 = 0;
    auto add = [&](double px, double py) {
        for (uint32_t f : {f0, f1})
            if (f >= 1 && f <= boxes.size()) boxes[f - 1].add(px, py);
    };
    const SHAPERECORD* r = s.ShapeRecords;
    for (uint32_t k = 0; k < length(r); ++k) {
        const SHAPERECORD& e = r[k];
        switch (e.Kind) {
        case SHAPEREC_STYLECHANGE:
            if (e.StateNewStyles) {
                flush();
                fills = &e.FillStyles;
                blocklines(e.LineStyles, u);
                boxes.assign(length(fills->FillStyles), Tbox{});
            }
            if (e.StateFillStyle0) f0 = e.FillStyle0;
            if (e.StateFillStyle1) f1 = e.FillStyle1;
            if (e.StateMoveTo) {
                x = e.MoveDeltaX;
                y = e.MoveDeltaY;
            }
            break;
        case SHAPEREC_STRAIGHT:
            add(x, y);
            x += e.DeltaX;
            y += e.DeltaY;
            add(x, y);
            break;
        case SHAPEREC_CURVED:
            // A quadratic curve stays inside the triangle of its points.
            add(x, y);
            x += e.ControlDeltaX;
            y += e.ControlDeltaY;
            add(x, y);
            x += e.AnchorDeltaX;
            y += e.AnchorDeltaY;
            add(x, y);
            break;
        default:
            break;
        }
    }
    flush();
}

}  // namespace

Tshownareas bitmapshownareas(Tswftag* const* list, uint32_t count, const std::vector<uint8_t>& keepsize) {
    Tuses u;
    for (uint32_t i = 0; i < count; ++i) {
        const Tswftag* t = list[i];
        if (!t) continue;
        switch (t->tagcode) {
        case FileAttributes:
            if (length(t->rawbody) < 1 || !(t->rawbody[0] & 0x08)) break;
            [[fallthrough]];
        case DoABC:
        case DoABCDefine:
            return {};
        case DefineShape:
        case DefineShape2:
        case DefineShape3:
        case DefineShape4:
            // Kept as read, its fills already pinned their bitmaps.
            if (auto* s = dynamic_cast<const Tswftag_defineshape*>(t); s && !t->keepraw) shapeshows(s->Shapes, u);
            break;
        case DefineMorphShape:
        case DefineMorphShape2:
            if (auto* m = dynamic_cast<const Tswftag_definemorphshape*>(t); m && !t->keepraw) {
                blockall(m->Start, u);
                blockall(m->End, u);
            }
            break;
        default:
            break;
        }
    }
    Tshownareas out;
    for (const auto& [id, a] : u.area)
        if (!u.blocked.count(id) && id < keepsize.size() && keepsize[id] == KEEPSIZE_NO) out.emplace(id, a);
    return out;
}

std::vector<uint8_t> bitmapkeepsize(Tswftag* const* list, uint32_t count, Tbitmapdef bitmapdef) {
    std::vector<uint8_t> keep(65536, KEEPSIZE_NO);
    // Index of the first parsed shape that fills with each bitmap id.
    std::vector<int64_t> firstuse(65536, -1);
    std::vector<uint8_t> defined(65536, 0);
    for (uint32_t i = 0; i < count; ++i) {
        const Tswftag* t = list[i];
        if (!t) continue;
        switch (t->tagcode) {
        case ExportAssets:
        case SymbolClass:
            namedids(t, keep);
            break;
        case DefineShape:
        case DefineShape2:
        case DefineShape3:
        case DefineShape4:
            // Shapes of a skipped kind are written as read: their fills are not corrected.
            if (t->keepraw || kindskipped(KIND_SHAPE, CCparams)) {
                fillpatterns(t, keep);
            } else if (auto* s = dynamic_cast<const Tswftag_defineshape*>(t)) {
                shapeids(s->Shapes, firstuse, i);
            }
            break;
        case DefineMorphShape:
        case DefineMorphShape2:
            // The end styles fill with the same bitmaps as the start styles.
            if (auto* m = dynamic_cast<const Tswftag_definemorphshape*>(t); m && !t->keepraw && CCparams.Sha_Imo) {
                shapeids(m->Start, firstuse, i);
            } else {
                fillpatterns(t, keep);
            }
            break;
        case DefineSprite:
            // A sprite kept as opaque bytes holds its placements inside.
            if (length(t->rawbody) > 4) anyid(t, keep, 4);
            break;
        case PlaceObject:
        case PlaceObject2:
        case PlaceObject3:
            if (auto* p = dynamic_cast<const Tswftag_placeobject*>(t); p && !t->keepraw) {
                if (p->placescharacter()) pin(keep, p->CharacterId, KEEPSIZE_PLACED);
            } else {
                anyid(t, keep, 0);
            }
            break;
        case DefineButton:
        case DefineButton2:
            if (auto* btn = dynamic_cast<const Tswftag_definebutton*>(t); btn && !t->keepraw) {
                for (uint32_t k = 0; k < length(btn->Records); ++k) pin(keep, btn->Records[k].CharacterId, KEEPSIZE_PLACED);
            } else {
                anyid(t, keep, 2);
            }
            break;
        default:
            break;
        }
    }
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t id = 0;
        if (!list[i] || !bitmapdef(list[i], id)) continue;
        if (defined[id]++) pin(keep, id, KEEPSIZE_TWICE);
        if (firstuse[id] >= 0 && firstuse[id] < int64_t(i)) pin(keep, id, KEEPSIZE_EARLY);
    }
    return keep;
}

bool croprect(int width, int height, const Tshownarea& area, int gridx, int gridy, int& x, int& y, int& w, int& h) {
    if (width <= 0 || height <= 0 || gridx <= 0 || gridy <= 0) return false;
    auto span = [](double lo, double hi, int n, int grid, int& at, int& len) {
        if (!std::isfinite(lo) || !std::isfinite(hi) || lo > hi) return false;
        // Past either end, the end pixel is what shows.
        const double l = std::clamp(std::floor(lo), 0.0, double(n - 1));
        const double r = std::clamp(std::ceil(hi), l + 1, double(n));
        at = int(l) / grid * grid;
        len = std::min((int(r) + grid - 1) / grid * grid, n) - at;
        return true;
    };
    if (!span(area.x0, area.x1, width, gridx, x, w) || !span(area.y0, area.y1, height, gridy, y, h)) return false;
    return double(w) * h < 0.95 * double(width) * height;
}
