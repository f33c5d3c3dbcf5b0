#include "defineshape.h"

#include <algorithm>

#include "../core/enginestate.h"
#include "../settings/effective.h"
#include "pointmap.h"
#include "registry.h"
#include "scene.h"
#include "shaperatio.h"
#include "shapesimplify.h"

using namespace pascal_com;

// ---- exact reader and writer

Tswftag_defineshape::~Tswftag_defineshape() { SHAPEWITHSTYLEfree(Shapes); }

void Tswftag_defineshape::doparse() {
    Tswftag_define::doparse();
    SHAPEWITHSTYLEfree(Shapes);
    SRECTparse(ShapeBounds);
    if (tagcode == DefineShape4) {
        SRECTparse(EdgeBounds);
        Reserved = uint8_t(UBparse(6));
        UsesNonScalingStrokes = uint8_t(UBparse(1));
        UsesScalingStrokes = uint8_t(UBparse(1));
    }
    SHAPEWITHSTYLEparse(*this, Shapes, int64_t(length(rawbody)) - 1, tagcode, characterid);
}

void Tswftag_defineshape::fillfromstru() {
    Tswftag_define::fillfromstru();
    beginfill(2 * length(rawbody));
    SRECTfill(ShapeBounds);
    if (tagcode == DefineShape4) {
        SRECTfill(EdgeBounds);
        UBfill(6, Reserved);
        UBfill(1, UsesNonScalingStrokes);
        UBfill(1, UsesScalingStrokes);
    }
    SHAPEWITHSTYLEfill(*this, Shapes, tagcode);
    endfill();
}

void Tswftag_defineshape::fillother() {}

// ---- optimizer

void Tswftag_defineshape_opt::doparse() {
    Tswftag_defineshape::doparse();
    IDS[characterid].Kind = IDKIND_SHAPE;
}

void Tswftag_defineshape_opt::fillfromstru() {
    try {
        if (divided_) {
            // Written before: start again from the body as read.
            setparse(rawbody, 0, 0);
            Tswftag_defineshape::doparse();
        }
        divided_ = true;
        const int k = divisor();
        rectand(ShapeBounds, 1.0 / k);
        if (tagcode == DefineShape4) rectand(EdgeBounds, 1.0 / k);
        LINESTYLEARRAYchgwidth(Shapes.LineStyles, k, tagcode);
        LINESTYLEARRAYchgfill(Shapes.LineStyles, k, tagcode);
        SHAPERECORD* r = Shapes.ShapeRecords;
        for (uint32_t i = 0; i < length(r); ++i)
            if (r[i].Kind == SHAPEREC_STYLECHANGE && r[i].StateNewStyles) FILLSTYLEARRAYupdbmp(r[i].FillStyles);
        FILLSTYLEARRAYupdbmp(Shapes.FillStyles);
        FILLSTYLEARRAYchgmatrix(Shapes.FillStyles, k, tagcode);
        SHAPERECORDdiv(Shapes.ShapeRecords, k, tagcode);
        SHAPERECORDsimplify(Shapes.ShapeRecords, simplifyrule(CCparams, displayscale(), k));
        Tswftag_defineshape::fillfromstru();
    } catch (...) {
        // Written as read, so whatever shows it must not enlarge it.
        IDS[characterid].Kind = IDKIND_NONE;
        throw;
    }
}

double Tswftag_defineshape_opt::displayscale() const {
    // A shape the scene never shows may still be drawn at its natural size.
    const double shown = scenescale(characterid);
    return shown > 0 ? shown : 1.0;
}

int Tswftag_defineshape_opt::divisor() {
    TIDREC& id = IDS[characterid];
    // Chosen once: whatever shows the shape relies on it, and may have asked
    // already.
    if (id.Kind == IDKIND_SHAPE && id.Ratio) return id.Ratio;
    Tshaperatiorule rule;
    rule.limit = shaperatio(CCparams);
    rule.quality = CCparams.Sha_Hifi != 0;
    rule.scale = displayscale();
    const int k = chooseshaperatio(*this, rule);
    if (id.Kind == IDKIND_SHAPE) id.Ratio = uint8_t(k);
    return k;
}

void LINESTYLEARRAYchgwidth(LINESTYLEARRAY& a, int k, int tagcode) {
    auto divide = [k](uint16_t w) -> uint16_t {
        int v = swf_round(double(w) / k);
        return uint16_t(v < 1 ? 1 : v);
    };
    if (tagcode == DefineShape4) {
        for (uint32_t i = 0; i < a.LineStyleCountExtended && i < length(a.LineStyles2); ++i) {
            LINESTYLE2& l = a.LineStyles2[i];
            // Strokes that scale with neither axis keep their width; one flag
            // alone still lets a uniform placement scale stretch them.
            if (l.NoHScaleFlag && l.NoVScaleFlag) continue;
            l.Width = divide(l.Width);
        }
    } else if (plainlines(tagcode)) {
        for (uint32_t i = 0; i < a.LineStyleCountExtended && i < length(a.LineStyles); ++i)
            a.LineStyles[i].Width = divide(a.LineStyles[i].Width);
    }
}

void LINESTYLEARRAYchgfill(LINESTYLEARRAY& a, int k, int tagcode) {
    if (tagcode != DefineShape4) return;
    for (uint32_t i = 0; i < length(a.LineStyles2); ++i) {
        LINESTYLE2& l = a.LineStyles2[i];
        if (!l.HasFillFlag) continue;
        FILLSTYLEupdbmp(l.FillType);
        FILLSTYLEchgmatrix(l.FillType, k);
    }
}

void FILLSTYLEchgmatrix(FILLSTYLE& f, int k) {
    if (isgradientfill(f.FillStyleType)) matrixand(f.GradientMatrix, 1.0 / k, 1.0 / k, 1, 1, 1);
    else if (isbitmapfill(f.FillStyleType)) matrixand(f.BitmapMatrix, 1.0 / k, 1.0 / k, 1, 1, 1);
}

void FILLSTYLEARRAYchgmatrix(FILLSTYLEARRAY& a, int k, int /*tagcode: the same for every version*/) {
    for (uint32_t i = 0; i < length(a.FillStyles); ++i) FILLSTYLEchgmatrix(a.FillStyles[i], k);
}

void FILLSTYLEupdbmp(FILLSTYLE& f) {
    if (!isbitmapfill(f.FillStyleType) || IDS[f.BitmapId].Kind != IDKIND_BITMAP) return;
    double tx, ty;
    if (const TBITMAPREC* rec = bitmaprec(f.BitmapId); rec && !bitmapfillmatrix(*rec, f.BitmapMatrix, tx, ty))
        throw Tparseerror("cropped or rescaled bitmap fill does not fit its matrix");
}

void FILLSTYLEARRAYupdbmp(FILLSTYLEARRAY& a) {
    for (uint32_t i = 0; i < length(a.FillStyles); ++i) FILLSTYLEupdbmp(a.FillStyles[i]);
}

void SHAPERECORDdiv(SHAPERECORD*& records, int k, int tagcode) {
    if (k < 1) k = 1;
    Tpointmap map(k);
    for (uint32_t i = 0; i < length(records); ++i) {
        SHAPERECORD& r = records[i];
        switch (r.Kind) {
        case SHAPEREC_STYLECHANGE:
            if (r.StateMoveTo) {
                int32_t nx, ny;
                map.moveto(r.MoveDeltaX, r.MoveDeltaY, nx, ny);
                r.MoveDeltaX = nx;
                r.MoveDeltaY = ny;
            }
            if (r.StateNewStyles) {
                LINESTYLEARRAYchgwidth(r.LineStyles, k, tagcode);
                LINESTYLEARRAYchgfill(r.LineStyles, k, tagcode);
                FILLSTYLEARRAYchgmatrix(r.FillStyles, k, tagcode);
            }
            break;
        case SHAPEREC_STRAIGHT: {
            int32_t dx, dy;
            map.lineto(r.DeltaX, r.DeltaY, dx, dy);
            if (dx == 0 && dy == 0) {
                r.Kind = SHAPEREC_DROPPED;
                break;
            }
            r.GeneralLineFlag = dx != 0 && dy != 0;
            r.VertLineFlag = dx == 0;
            r.DeltaX = dx;
            r.DeltaY = dy;
            break;
        }
        case SHAPEREC_CURVED: {
            int32_t cx, cy, ax, ay;
            map.lineto(r.ControlDeltaX, r.ControlDeltaY, cx, cy);
            map.lineto(r.AnchorDeltaX, r.AnchorDeltaY, ax, ay);
            // A curve that comes back to its start still draws a stroke out to
            // its control point; only one that collapses to a point goes.
            if (cx == 0 && cy == 0 && ax == 0 && ay == 0) {
                r.Kind = SHAPEREC_DROPPED;
                break;
            }
            r.ControlDeltaX = cx;
            r.ControlDeltaY = cy;
            r.AnchorDeltaX = ax;
            r.AnchorDeltaY = ay;
            break;
        }
        default:
            break;
        }
    }
}
