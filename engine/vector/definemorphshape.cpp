#include "definemorphshape.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "../core/container.h"

#include "../core/enginestate.h"
#include "../settings/effective.h"
#include "defineshape.h"
#include "placeobject.h"
#include "pointmap.h"
#include "registry.h"
#include "scene.h"
#include "shaperatio.h"

using namespace pascal_com;

namespace {

// Players build each frame in between in the morph's own units, rounding
// every blended point to a whole unit (Ruffle also flattens its curves by a
// fixed tolerance in those units): past this ratio those frames coarsen
// visibly, though both ends stay within bounds.
constexpr int kmorphratio = 2;
// Ruffle draws a morph's thin strokes (up to a pixel or so) heavier once its
// placement is scaled, whatever the width in twips: such a morph is kept.
constexpr uint16_t kthinstroke = 40;

bool thinstrokes(const SHAPEWITHSTYLE& s) {
    const LINESTYLEARRAY& a = s.LineStyles;
    for (uint32_t i = 0; i < length(a.LineStyles); ++i)
        if (a.LineStyles[i].Width < kthinstroke) return true;
    for (uint32_t i = 0; i < length(a.LineStyles2); ++i)
        if (a.LineStyles2[i].Width < kthinstroke) return true;
    return false;
}
// What scaling one placement back costs at most: a scale field of two
// 19-bit values.
constexpr uint32_t kplacementcost = 6;

// Per character id, the placements of the loaded movie that show it with a
// matrix the divider scales: those that place it, and the moves of it that
// bring one. Counted once per movie, at the first morph written.
std::vector<uint32_t>& placementcounts() {
    static std::vector<uint32_t> counts;
    return counts;
}

uint32_t scaledplacements(uint16_t id) {
    std::vector<uint32_t>& counts = placementcounts();
    if (counts.empty()) {
        counts.assign(65536, 0);
        std::map<std::pair<int32_t, uint16_t>, uint16_t> shown;  // (sprite, depth) -> character
        for (uint32_t i = 0; i < length(tags); ++i) {
            const auto* p = dynamic_cast<const Tswftag_placeobject*>(tags[i]);
            if (!p || p->keepraw || !isplacetag(p->tagcode)) continue;
            uint16_t& at = shown[{p->spriteref, p->Depth}];
            if (p->placescharacter()) at = p->CharacterId;
            if (p->placescharacter() || p->hasmatrix()) ++counts[at];
        }
    }
    return counts[id];
}

// Every style is at least one byte: a count beyond the bytes left is damage.
void needcount(Tparsefill& pf, uint32_t count) {
    if (count > pf.parseleft()) throw Tparseerror("style count beyond the body");
}

void bitmapuse(uint16_t id, uint16_t owner, const MATRIX& m) {
    addusedmatrix(id, owner, m);
    sceneaddedge(id, owner, m, true);
}

// Gradient records of the start and end gradient, interleaved; the records
// stay owned by their fills even when the read stops half-way.
void MORPHGRADIENTparse(Tparsefill& pf, GRADIENT& s, GRADIENT& e) {
    const uint8_t flags = pf.U8parse();
    for (GRADIENT* g : {&s, &e}) {
        g->SpreadMode = uint8_t(flags >> 6);
        g->InterpolationMode = uint8_t(flags >> 4 & 3);
        g->NumGradients = uint8_t(flags & 15);
        setlength(g->GradientRecords, sizeof(GRADRECORD), g->NumGradients);
    }
    for (int i = 0; i < s.NumGradients; ++i) {
        s.GradientRecords[i].Ratio = pf.U8parse();
        pf.RGBAparse(s.GradientRecords[i].ColorAlpha);
        e.GradientRecords[i].Ratio = pf.U8parse();
        pf.RGBAparse(e.GradientRecords[i].ColorAlpha);
    }
}

void MORPHGRADIENTfill(Tparsefill& pf, const GRADRECORD* s, const GRADRECORD* e, uint8_t spread, uint8_t interp) {
    const uint32_t n = length(s);
    if (n > 15 || length(e) != n) throw Tparseerror("morph gradients out of step");
    pf.U8fill(uint32_t(spread & 3) << 6 | uint32_t(interp & 3) << 4 | n);
    for (uint32_t i = 0; i < n; ++i) {
        pf.U8fill(s[i].Ratio);
        pf.RGBAfill(s[i].ColorAlpha);
        pf.U8fill(e[i].Ratio);
        pf.RGBAfill(e[i].ColorAlpha);
    }
}

void MORPHFILLSTYLEparse(Tparsefill& pf, FILLSTYLE& s, FILLSTYLE& e, uint16_t owner) {
    FILLSTYLEfree(s);
    FILLSTYLEfree(e);
    s.FillStyleType = e.FillStyleType = pf.U8parse();
    const uint8_t type = s.FillStyleType;
    if (type == FILL_SOLID) {
        pf.RGBAparse(s.ColorAlpha);
        pf.RGBAparse(e.ColorAlpha);
    } else if (isgradientfill(type)) {
        pf.Matrixparse(s.GradientMatrix);
        pf.Matrixparse(e.GradientMatrix);
        MORPHGRADIENTparse(pf, s.Gradient, e.Gradient);
        if (type == FILL_FOCAL) {
            for (FILLSTYLE* f : {&s, &e}) {
                FOCALGRADIENT& g = f->FocalGradient;
                g.SpreadMode = f->Gradient.SpreadMode;
                g.InterpolationMode = f->Gradient.InterpolationMode;
                g.NumGradients = f->Gradient.NumGradients;
                g.GradientRecords = f->Gradient.GradientRecords;
                f->Gradient = GRADIENT{};
            }
            s.FocalGradient.FocalPoint = pf.FIXED8parse();
            e.FocalGradient.FocalPoint = pf.FIXED8parse();
        }
    } else if (isbitmapfill(type)) {
        s.BitmapId = e.BitmapId = pf.U16parse();
        pf.Matrixparse(s.BitmapMatrix);
        pf.Matrixparse(e.BitmapMatrix);
        bitmapuse(s.BitmapId, owner, s.BitmapMatrix);
        bitmapuse(e.BitmapId, owner, e.BitmapMatrix);
    } else {
        // Its length is unknown, so nothing after it can be read.
        throw Tparseerror("unknown morph fill type");
    }
}

void MORPHFILLSTYLEfill(Tparsefill& pf, const FILLSTYLE& s, const FILLSTYLE& e) {
    if (s.FillStyleType != e.FillStyleType) throw Tparseerror("morph fills out of step");
    pf.U8fill(s.FillStyleType);
    const uint8_t type = s.FillStyleType;
    if (type == FILL_SOLID) {
        pf.RGBAfill(s.ColorAlpha);
        pf.RGBAfill(e.ColorAlpha);
    } else if (isgradientfill(type)) {
        pf.Matrixfill(s.GradientMatrix);
        pf.Matrixfill(e.GradientMatrix);
        if (type == FILL_FOCAL) {
            const FOCALGRADIENT& g = s.FocalGradient;
            MORPHGRADIENTfill(pf, g.GradientRecords, e.FocalGradient.GradientRecords, g.SpreadMode, g.InterpolationMode);
            pf.FIXED8fill(s.FocalGradient.FocalPoint);
            pf.FIXED8fill(e.FocalGradient.FocalPoint);
        } else {
            const GRADIENT& g = s.Gradient;
            MORPHGRADIENTfill(pf, g.GradientRecords, e.Gradient.GradientRecords, g.SpreadMode, g.InterpolationMode);
        }
    } else if (isbitmapfill(type)) {
        pf.U16fill(s.BitmapId);
        pf.Matrixfill(s.BitmapMatrix);
        pf.Matrixfill(e.BitmapMatrix);
    } else {
        throw Tparseerror("unknown morph fill type");
    }
}

// Count byte, and a U16 after 0xFF; the same count in start and end.
uint16_t countparse(Tparsefill& pf, uint8_t& sbyte, uint8_t& ebyte) {
    sbyte = ebyte = pf.U8parse();
    const uint16_t n = sbyte == 0xFF ? pf.U16parse() : sbyte;
    needcount(pf, n);
    return n;
}

void countfill(Tparsefill& pf, uint8_t byte, uint32_t n) {
    if (byte != 0xFF && byte != n) throw Tparseerror("morph style count out of step");
    pf.U8fill(byte);
    if (byte == 0xFF) pf.U16fill(n);
}

void MORPHFILLSTYLEARRAYparse(Tparsefill& pf, FILLSTYLEARRAY& s, FILLSTYLEARRAY& e, uint16_t owner) {
    const uint16_t n = countparse(pf, s.FillStyleCount, e.FillStyleCount);
    s.FillStyleCountExtended = e.FillStyleCountExtended = n;
    setlength(s.FillStyles, sizeof(FILLSTYLE), n);
    setlength(e.FillStyles, sizeof(FILLSTYLE), n);
    for (uint32_t i = 0; i < n; ++i) MORPHFILLSTYLEparse(pf, s.FillStyles[i], e.FillStyles[i], owner);
}

void MORPHFILLSTYLEARRAYfill(Tparsefill& pf, const FILLSTYLEARRAY& s, const FILLSTYLEARRAY& e) {
    const uint32_t n = length(s.FillStyles);
    if (n != s.FillStyleCountExtended || length(e.FillStyles) != n) throw Tparseerror("morph fills out of step");
    countfill(pf, s.FillStyleCount, n);
    for (uint32_t i = 0; i < n; ++i) MORPHFILLSTYLEfill(pf, s.FillStyles[i], e.FillStyles[i]);
}

void MORPHLINESTYLEARRAYparse(Tparsefill& pf, LINESTYLEARRAY& s, LINESTYLEARRAY& e, bool v2, uint16_t owner) {
    const uint16_t n = countparse(pf, s.LineStyleCount, e.LineStyleCount);
    s.LineStyleCountExtended = e.LineStyleCountExtended = n;
    if (!v2) {
        setlength(s.LineStyles, sizeof(LINESTYLE), n);
        setlength(e.LineStyles, sizeof(LINESTYLE), n);
        for (uint32_t i = 0; i < n; ++i) {
            s.LineStyles[i].Width = pf.U16parse();
            e.LineStyles[i].Width = pf.U16parse();
            pf.RGBAparse(s.LineStyles[i].ColorAlpha);
            pf.RGBAparse(e.LineStyles[i].ColorAlpha);
        }
        return;
    }
    setlength(s.LineStyles2, sizeof(LINESTYLE2), n);
    setlength(e.LineStyles2, sizeof(LINESTYLE2), n);
    for (uint32_t i = 0; i < n; ++i) {
        LINESTYLE2& a = s.LineStyles2[i];
        LINESTYLE2& b = e.LineStyles2[i];
        a.Width = pf.U16parse();
        b.Width = pf.U16parse();
        LINESTYLE2flagsparse(pf, a);
        const uint16_t w = b.Width;
        b = a;
        b.Width = w;
        if (a.HasFillFlag) {
            MORPHFILLSTYLEparse(pf, a.FillType, b.FillType, owner);
        } else {
            pf.RGBAparse(a.Color);
            pf.RGBAparse(b.Color);
        }
    }
}

void MORPHLINESTYLEARRAYfill(Tparsefill& pf, const LINESTYLEARRAY& s, const LINESTYLEARRAY& e, bool v2) {
    const uint32_t n = s.LineStyleCountExtended;
    if (v2 ? length(s.LineStyles2) != n || length(e.LineStyles2) != n
           : length(s.LineStyles) != n || length(e.LineStyles) != n)
        throw Tparseerror("morph lines out of step");
    countfill(pf, s.LineStyleCount, n);
    for (uint32_t i = 0; i < n; ++i) {
        if (!v2) {
            pf.U16fill(s.LineStyles[i].Width);
            pf.U16fill(e.LineStyles[i].Width);
            pf.RGBAfill(s.LineStyles[i].ColorAlpha);
            pf.RGBAfill(e.LineStyles[i].ColorAlpha);
            continue;
        }
        const LINESTYLE2& a = s.LineStyles2[i];
        const LINESTYLE2& b = e.LineStyles2[i];
        pf.U16fill(a.Width);
        pf.U16fill(b.Width);
        LINESTYLE2flagsfill(pf, a);
        if (a.HasFillFlag) {
            MORPHFILLSTYLEfill(pf, a.FillType, b.FillType);
        } else {
            pf.RGBAfill(a.Color);
            pf.RGBAfill(b.Color);
        }
    }
}

// Edges of a morph pair up one for one with the other list's, so none is
// dropped: one that collapses stays, of length 0.
void EDGESdiv(SHAPERECORD* records, int k) {
    Tpointmap map(k);
    for (uint32_t i = 0; i < length(records); ++i) {
        SHAPERECORD& r = records[i];
        if (r.Kind == SHAPEREC_STYLECHANGE && r.StateMoveTo) {
            int32_t nx, ny;
            map.moveto(r.MoveDeltaX, r.MoveDeltaY, nx, ny);
            r.MoveDeltaX = nx;
            r.MoveDeltaY = ny;
        } else if (r.Kind == SHAPEREC_STRAIGHT) {
            int32_t dx, dy;
            map.lineto(r.DeltaX, r.DeltaY, dx, dy);
            r.GeneralLineFlag = dx != 0 && dy != 0;
            r.VertLineFlag = dx == 0;
            r.DeltaX = dx;
            r.DeltaY = dy;
        } else if (r.Kind == SHAPEREC_CURVED) {
            map.lineto(r.ControlDeltaX, r.ControlDeltaY, r.ControlDeltaX, r.ControlDeltaY);
            map.lineto(r.AnchorDeltaX, r.AnchorDeltaY, r.AnchorDeltaX, r.AnchorDeltaY);
        }
    }
}

void divide(SHAPEWITHSTYLE& s, int k, int code) {
    LINESTYLEARRAYchgwidth(s.LineStyles, k, code);
    LINESTYLEARRAYchgfill(s.LineStyles, k, code);
    FILLSTYLEARRAYupdbmp(s.FillStyles);
    FILLSTYLEARRAYchgmatrix(s.FillStyles, k, code);
    EDGESdiv(s.ShapeRecords, k);
}

}  // namespace

void morphclear() { placementcounts().clear(); }

// ---- exact reader and writer

Tswftag_definemorphshape::~Tswftag_definemorphshape() {
    SHAPEWITHSTYLEfree(Start);
    SHAPEWITHSTYLEfree(End);
}

int Tswftag_definemorphshape::shapecode() const { return tagcode == DefineMorphShape2 ? DefineShape4 : DefineShape3; }

void Tswftag_definemorphshape::doparse() {
    Tswftag_define::doparse();
    SHAPEWITHSTYLEfree(Start);
    SHAPEWITHSTYLEfree(End);
    try {
        SRECTparse(StartBounds);
        SRECTparse(EndBounds);
        if (tagcode == DefineMorphShape2) {
            SRECTparse(StartEdgeBounds);
            SRECTparse(EndEdgeBounds);
            Reserved = uint8_t(UBparse(6));
            UsesNonScalingStrokes = uint8_t(UBparse(1));
            UsesScalingStrokes = uint8_t(UBparse(1));
        }
        const uint32_t offset = U32parse();
        const uint64_t endat = uint64_t(parsepos) + offset;
        const uint32_t n = length(rawbody);
        if (endat >= n) throw Tparseerror("end edges beyond the body");
        MORPHFILLSTYLEARRAYparse(*this, Start.FillStyles, End.FillStyles, characterid);
        MORPHLINESTYLEARRAYparse(*this, Start.LineStyles, End.LineStyles, tagcode == DefineMorphShape2, characterid);
        // Players look for the end edges at the offset: the start edges must
        // fill the room up to it, or rewriting them would move what follows.
        const int code = shapecode();
        Start.NumFillBits = uint8_t(UBparse(4));
        Start.NumLineBits = uint8_t(UBparse(4));
        SHAPERECORDparse(*this, Start.ShapeRecords, Start.NumFillBits, Start.NumLineBits, int64_t(endat) - 1, code,
                         characterid);
        if (parsepos != endat) throw Tparseerror("start edges do not reach the end edges");
        End.NumFillBits = uint8_t(UBparse(4));
        End.NumLineBits = uint8_t(UBparse(4));
        SHAPERECORDparse(*this, End.ShapeRecords, End.NumFillBits, End.NumLineBits, int64_t(n) - 1, code, characterid);
        if (parsepos != n) throw Tparseerror("bytes after the end edges");
        // Morph edges bring no styles of their own.
        for (const SHAPERECORD* r : {Start.ShapeRecords, End.ShapeRecords})
            for (uint32_t i = 0; i < length(r); ++i)
                if (r[i].Kind == SHAPEREC_STYLECHANGE && r[i].StateNewStyles)
                    throw Tparseerror("new styles in a morph shape");
    } catch (...) {
        SHAPEWITHSTYLEfree(Start);
        SHAPEWITHSTYLEfree(End);
        throw;
    }
}

void Tswftag_definemorphshape::fillfromstru() {
    Tswftag_define::fillfromstru();
    beginfill(2 * length(rawbody));
    SRECTfill(StartBounds);
    SRECTfill(EndBounds);
    if (tagcode == DefineMorphShape2) {
        SRECTfill(StartEdgeBounds);
        SRECTfill(EndEdgeBounds);
        UBfill(6, Reserved);
        UBfill(1, UsesNonScalingStrokes);
        UBfill(1, UsesScalingStrokes);
    }
    const uint32_t offsetat = fillpos;
    U32fill(0);
    MORPHFILLSTYLEARRAYfill(*this, Start.FillStyles, End.FillStyles);
    MORPHLINESTYLEARRAYfill(*this, Start.LineStyles, End.LineStyles, tagcode == DefineMorphShape2);
    const int code = shapecode();
    for (const SHAPEWITHSTYLE* s : {&Start, &End}) {
        if (s->NumFillBits > 15 || s->NumLineBits > 15) throw Tparseerror("bit count too wide for its field");
        UBfill(4, s->NumFillBits);
        UBfill(4, s->NumLineBits);
        SHAPERECORDfill(*this, s->ShapeRecords, s->NumFillBits, s->NumLineBits, code);
        if (s == &Start) {
            const uint32_t offset = fillpos - offsetat - 4;
            for (int b = 0; b < 4; ++b) newbody[offsetat + b] = uint8_t(offset >> (8 * b));
        }
    }
    endfill();
}

void Tswftag_definemorphshape::fillother() {}

// ---- optimizer

void Tswftag_definemorphshape_opt::doparse() {
    Tswftag_definemorphshape::doparse();
    IDS[characterid].Kind = IDKIND_MORPH;
}

void Tswftag_definemorphshape_opt::fillfromstru() {
    try {
        // The settings are known only now, after the movie was read.
        if (!CCparams.Sha_Imo) throw Tparseerror("morph shapes are kept as read");
        if (divided_) {
            // Written before: start again from the body as read.
            setparse(rawbody, 0, 0);
            Tswftag_definemorphshape::doparse();
        }
        divided_ = true;
        const int k = divisor();
        for (SRECT* r : {&StartBounds, &EndBounds}) rectand(*r, 1.0 / k);
        if (tagcode == DefineMorphShape2)
            for (SRECT* r : {&StartEdgeBounds, &EndEdgeBounds}) rectand(*r, 1.0 / k);
        divide(Start, k, shapecode());
        divide(End, k, shapecode());
        Tswftag_definemorphshape::fillfromstru();
        // What the morph saves may not pay for scaling its placements back:
        // then both are better as read. Not so a morph that fills with
        // bitmaps, which may have been resized for it.
        const uint64_t cost = k > 1 ? uint64_t(kplacementcost) * scaledplacements(characterid) : 0;
        if (!fillswithbitmaps() && length(newbody) + cost >= length(rawbody))
            throw Tparseerror("dividing the morph shape saves nothing");
    } catch (...) {
        // Written as read, so whatever shows it must not enlarge it.
        IDS[characterid].Kind = IDKIND_NONE;
        throw;
    }
}

bool Tswftag_definemorphshape_opt::fillswithbitmaps() const {
    for (uint32_t i = 0; i < length(Start.FillStyles.FillStyles); ++i)
        if (isbitmapfill(Start.FillStyles.FillStyles[i].FillStyleType)) return true;
    for (uint32_t i = 0; i < length(Start.LineStyles.LineStyles2); ++i)
        if (Start.LineStyles.LineStyles2[i].HasFillFlag && isbitmapfill(Start.LineStyles.LineStyles2[i].FillType.FillStyleType))
            return true;
    return false;
}

int Tswftag_definemorphshape_opt::divisor() {
    TIDREC& id = IDS[characterid];
    if (id.Kind == IDKIND_MORPH && id.Ratio) return id.Ratio;
    Tshaperatiorule rule;
    rule.quality = CCparams.Sha_Hifi != 0;
    const double shown = scenescale(characterid);
    rule.scale = shown > 0 ? shown : 1.0;
    // Every frame in between is a blend of the two ends, so a ratio that
    // keeps both ends in bounds keeps the blend in bounds; the largest ratio
    // that each end accepts may differ, so settle on one both accept.
    int k = thinstrokes(Start) || thinstrokes(End) ? 1 : std::min(shaperatio(CCparams), kmorphratio);
    // Recorded even when 1: whatever shows the morph asks for it.
    while (k > 1) {
        rule.limit = k;
        const int a = chooseshaperatio(Start, shapecode(), StartBounds, rule);
        rule.limit = a;
        k = chooseshaperatio(End, shapecode(), EndBounds, rule);
        if (k == a) break;
    }
    if (id.Kind == IDKIND_MORPH) id.Ratio = uint8_t(k);
    return k;
}
