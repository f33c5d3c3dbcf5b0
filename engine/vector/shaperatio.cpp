#include "shaperatio.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "../core/pascal_com.h"
#include "../core/tagcode.h"
#include "registry.h"

using namespace pascal_com;

namespace {

constexpr double kfillpixels = 1.0 / 16;  // how far a divided fill may move a bitmap
constexpr double kqualitypixels = 1.0 / 4;

struct Tpoint {
    int32_t x, y;
};

struct Tshapefacts {
    std::vector<Tpoint> points;   // every absolute point the divider maps
    std::vector<uint16_t> widths; // line widths that scale with the shape
    std::vector<const FILLSTYLE*> fills;
    double xmin, xmax, ymin, ymax;  // twips
};

void addfill(Tshapefacts& f, const FILLSTYLE& s) {
    if (isbitmapfill(s.FillStyleType) || isgradientfill(s.FillStyleType)) f.fills.push_back(&s);
}

void addstyles(Tshapefacts& f, const FILLSTYLEARRAY& fills, const LINESTYLEARRAY& lines, int tagcode) {
    for (uint32_t i = 0; i < length(fills.FillStyles); ++i) addfill(f, fills.FillStyles[i]);
    if (tagcode == DefineShape4) {
        for (uint32_t i = 0; i < length(lines.LineStyles2); ++i) {
            const LINESTYLE2& l = lines.LineStyles2[i];
            if (l.HasFillFlag) addfill(f, l.FillType);
            if (!(l.NoHScaleFlag && l.NoVScaleFlag)) f.widths.push_back(l.Width);
        }
    } else {
        for (uint32_t i = 0; i < length(lines.LineStyles); ++i) f.widths.push_back(lines.LineStyles[i].Width);
    }
}

Tshapefacts gather(const SHAPEWITHSTYLE& shapes, int code, const SRECT& bounds, bool withpoints) {
    Tshapefacts f;
    addstyles(f, shapes.FillStyles, shapes.LineStyles, code);
    const SHAPERECORD* r = shapes.ShapeRecords;
    const uint32_t n = length(r);
    if (withpoints) f.points.reserve(n + 1);
    int64_t x = 0, y = 0;
    auto add = [&f, withpoints](int64_t px, int64_t py) {
        if (withpoints) f.points.push_back({int32_t(px), int32_t(py)});
    };
    for (uint32_t i = 0; i < n; ++i) {
        switch (r[i].Kind) {
        case SHAPEREC_STYLECHANGE:
            if (r[i].StateMoveTo) {
                x = r[i].MoveDeltaX;
                y = r[i].MoveDeltaY;
                add(x, y);
            }
            if (r[i].StateNewStyles) addstyles(f, r[i].FillStyles, r[i].LineStyles, code);
            break;
        case SHAPEREC_STRAIGHT:
            x += r[i].DeltaX;
            y += r[i].DeltaY;
            add(x, y);
            break;
        case SHAPEREC_CURVED:
            x += r[i].ControlDeltaX;
            y += r[i].ControlDeltaY;
            add(x, y);
            x += r[i].AnchorDeltaX;
            y += r[i].AnchorDeltaY;
            add(x, y);
            break;
        default:
            break;
        }
    }
    f.xmin = bounds.Xmin;
    f.xmax = bounds.Xmax;
    f.ymin = bounds.Ymin;
    f.ymax = bounds.Ymax;
    return f;
}

// Twips to screen pixels where the shape is shown.
double pixels(double twips, const Tshaperatiorule& rule) { return std::abs(twips) * rule.scale / 20.0; }

// The linear part and translation of a matrix, in units of its own space.
struct Taffine {
    double a, b, c, d, tx, ty;
};

Taffine affine(const MATRIX& m) {
    const Tlinear l = matrixlinear(m);
    return {l.a, l.b, l.c, l.d, double(m.TranslateX), double(m.TranslateY)};
}

// How far the divided fill puts its pattern from the exact one, at the corners
// of the shape: in screen pixels (linear part alone, and with the translation)
// and in pixels of the bitmap itself.
struct Tfillerror {
    double linear = 0, full = 0, texels = 0;
};

bool fillerror(const FILLSTYLE& f, const Tshapefacts& facts, int r, const Tshaperatiorule& rule, Tfillerror& e) {
    const bool bitmap = isbitmapfill(f.FillStyleType);
    MATRIX m = bitmap ? f.BitmapMatrix : f.GradientMatrix;
    Taffine exact = affine(m);
    double ax = 1.0, ay = 1.0;
    if (bitmap && IDS[f.BitmapId].Kind == IDKIND_BITMAP) {
        if (const TBITMAPREC* rec = bitmaprec(f.BitmapId)) {
            // As the writer makes it; where it refuses, the shape is kept as read.
            if (!bitmapfillmatrix(*rec, m, exact.tx, exact.ty)) return false;
            if (rec->ImageScaleX > 0 && rec->ImageScaleY > 0) {
                ax = rec->ImageScaleX;
                ay = rec->ImageScaleY;
            }
        }
    }
    matrixand(m, 1.0 / r, 1.0 / r, 1, 1, 1);
    const Taffine got = affine(m);
    exact.a /= ax * r;
    exact.b /= ax * r;
    exact.c /= ay * r;
    exact.d /= ay * r;
    exact.tx /= r;
    exact.ty /= r;
    const double det = exact.a * exact.d - exact.b * exact.c;
    if (!(std::abs(det) > 1e-12)) return false;
    const double corners[4][2] = {{facts.xmin, facts.ymin}, {facts.xmax, facts.ymin},
                                  {facts.xmin, facts.ymax}, {facts.xmax, facts.ymax}};
    for (const auto& p : corners) {
        // The fill's own coordinates at this corner of the divided shape.
        const double px = p[0] / r - exact.tx, py = p[1] / r - exact.ty;
        const double u = (exact.d * px - exact.c * py) / det;
        const double v = (-exact.b * px + exact.a * py) / det;
        const double lx = (got.a - exact.a) * u + (got.c - exact.c) * v;
        const double ly = (got.b - exact.b) * u + (got.d - exact.d) * v;
        const double fx = lx + got.tx - exact.tx, fy = ly + got.ty - exact.ty;
        // Divided units are r twips.
        e.linear = std::max(e.linear, pixels(std::hypot(lx, ly) * r, rule));
        e.full = std::max(e.full, pixels(std::max(std::abs(fx), std::abs(fy)) * r, rule));
        e.texels = std::max(e.texels, std::hypot((exact.d * lx - exact.c * ly) / det, (-exact.b * lx + exact.a * ly) / det));
    }
    return true;
}

bool fillsfit(const Tshapefacts& facts, int r, const Tshaperatiorule& rule) {
    for (const FILLSTYLE* f : facts.fills) {
        Tfillerror e;
        if (!fillerror(*f, facts, r, rule, e)) continue;
        const bool bitmap = isbitmapfill(f->FillStyleType);
        if (bitmap && (e.linear > kfillpixels || e.texels > kfillpixels)) return false;
        if (rule.quality && e.full > kqualitypixels) return false;
    }
    return true;
}

bool pointsfit(const Tshapefacts& facts, int r, const Tshaperatiorule& rule) {
    // No point moves by more than r / 2 twips on each axis.
    const bool pointsclose = pixels(r / 2.0, rule) <= kqualitypixels;
    for (const Tpoint& p : facts.points) {
        if (pointsclose) break;
        const double dx = swf_round(double(p.x) / r) * double(r) - p.x;
        const double dy = swf_round(double(p.y) / r) * double(r) - p.y;
        if (pixels(std::max(std::abs(dx), std::abs(dy)), rule) > kqualitypixels) return false;
    }
    for (uint16_t w : facts.widths) {
        // A hairline stays one; the divider makes the others at least one unit.
        if (w == 0) continue;
        int nw = swf_round(double(w) / r);
        if (nw < 1) nw = 1;
        if (pixels(double(nw) * r - w, rule) > kqualitypixels) return false;
    }
    return true;
}

}  // namespace

int chooseshaperatio(const SHAPEWITHSTYLE& shapes, int tagcode, const SRECT& bounds, const Tshaperatiorule& rule) {
    const int limit = rule.limit < 1 ? 1 : rule.limit;
    if (limit == 1) return 1;
    const Tshapefacts facts = gather(shapes, tagcode, bounds, rule.quality);
    for (int r = limit; r > 1; --r) {
        if (!fillsfit(facts, r, rule)) continue;
        if (rule.quality && !pointsfit(facts, r, rule)) continue;
        return r;
    }
    return 1;
}
