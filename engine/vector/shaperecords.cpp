// Readers and writers of the shape records, side by side so that each writer
// can be checked against its reader.
#include "shaperecords.h"

#include <cstring>

#include "../core/tagcode.h"
#include "registry.h"
#include "scene.h"

using namespace pascal_com;

void LINESTYLE2flagsparse(Tparsefill& pf, LINESTYLE2& l) {
    l.StartCapStyle = uint8_t(pf.UBparse(2));
    l.JoinStyle = uint8_t(pf.UBparse(2));
    l.HasFillFlag = uint8_t(pf.UBparse(1));
    l.NoHScaleFlag = uint8_t(pf.UBparse(1));
    l.NoVScaleFlag = uint8_t(pf.UBparse(1));
    l.PixelHintingFlag = uint8_t(pf.UBparse(1));
    l.Reserved = uint8_t(pf.UBparse(5));
    l.NoClose = uint8_t(pf.UBparse(1));
    l.EndCapStyle = uint8_t(pf.UBparse(2));
    if (l.JoinStyle == 2) l.MiterLimitFactor = pf.U16parse();
}

void LINESTYLE2flagsfill(Tparsefill& pf, const LINESTYLE2& l) {
    pf.UBfill(2, l.StartCapStyle);
    pf.UBfill(2, l.JoinStyle);
    pf.UBfill(1, l.HasFillFlag);
    pf.UBfill(1, l.NoHScaleFlag);
    pf.UBfill(1, l.NoVScaleFlag);
    pf.UBfill(1, l.PixelHintingFlag);
    pf.UBfill(5, l.Reserved);
    pf.UBfill(1, l.NoClose);
    pf.UBfill(2, l.EndCapStyle);
    if (l.JoinStyle == 2) pf.U16fill(l.MiterLimitFactor);
}

namespace {

// A stored field width or value that the field cannot hold would be written
// as garbage; refuse instead, so the tag goes out as read.
void checkwidth(uint32_t bits, uint32_t max) {
    if (bits > max) throw Tparseerror("bit count too wide for its field");
}
// An edge's field holds NumBits + 2 bits, NumBits being 4 bits wide.
uint32_t edgebits(int32_t a, int32_t b, int32_t c, int32_t d) {
    const int n = fieldbits(a, b, c, d, 1, 17);
    return n < 2 ? 2u : uint32_t(n);
}
void checkunsigned(uint32_t v, uint32_t bits) {
    if (bits < 32 && (uint64_t(v) >> bits) != 0) throw Tparseerror("value too wide for its bit field");
}

// Every record is at least one byte, so a count beyond the bytes left is damage;
// refusing it early avoids allocating for counts the body cannot hold.
void needcount(Tparsefill& pf, uint32_t count) {
    if (count > pf.parseleft()) throw Tparseerror("style count beyond the body");
}

void LINESTYLE2parse(Tparsefill& pf, LINESTYLE2& l, uint16_t ownerid) {
    l.Width = pf.U16parse();
    LINESTYLE2flagsparse(pf, l);
    if (l.HasFillFlag == 0) pf.RGBAparse(l.Color);
    else FILLSTYLEparse(pf, l.FillType, 83, ownerid);
}

void LINESTYLE2fill(Tparsefill& pf, const LINESTYLE2& l) {
    pf.U16fill(l.Width);
    LINESTYLE2flagsfill(pf, l);
    if (l.HasFillFlag == 0) pf.RGBAfill(l.Color);
    else FILLSTYLEfill(pf, l.FillType, 83);
}

void SHAPERECORDparseone(Tparsefill& pf, SHAPERECORD& r, int& fillbits, int& linebits, int tagcode,
                         uint16_t ownerid) {
    if (pf.UBparse(1)) {
        if (pf.UBparse(1)) {
            r.Kind = SHAPEREC_STRAIGHT;
            r.NumBits = uint8_t(pf.UBparse(4));
            r.GeneralLineFlag = uint8_t(pf.UBparse(1));
            if (r.GeneralLineFlag == 0) r.VertLineFlag = uint8_t(pf.UBparse(1));
            r.DeltaX = 0;
            r.DeltaY = 0;
            if (r.GeneralLineFlag || !r.VertLineFlag) r.DeltaX = pf.SBparse(r.NumBits + 2);
            if (r.GeneralLineFlag || r.VertLineFlag) r.DeltaY = pf.SBparse(r.NumBits + 2);
        } else {
            r.Kind = SHAPEREC_CURVED;
            r.NumBits = uint8_t(pf.UBparse(4));
            r.ControlDeltaX = pf.SBparse(r.NumBits + 2);
            r.ControlDeltaY = pf.SBparse(r.NumBits + 2);
            r.AnchorDeltaX = pf.SBparse(r.NumBits + 2);
            r.AnchorDeltaY = pf.SBparse(r.NumBits + 2);
        }
        return;
    }
    uint32_t flags = pf.UBparse(5);
    if (flags == 0) {
        r.Kind = SHAPEREC_END;
        return;
    }
    r.Kind = SHAPEREC_STYLECHANGE;
    r.StateNewStyles = uint8_t(flags & 16);
    r.StateLineStyle = uint8_t(flags & 8);
    r.StateFillStyle1 = uint8_t(flags & 4);
    r.StateFillStyle0 = uint8_t(flags & 2);
    r.StateMoveTo = uint8_t(flags & 1);
    if (r.StateMoveTo) {
        r.MoveBits = uint8_t(pf.UBparse(5));
        r.MoveDeltaX = pf.SBparse(r.MoveBits);
        r.MoveDeltaY = pf.SBparse(r.MoveBits);
    }
    if (r.StateFillStyle0) r.FillStyle0 = pf.UBparse(fillbits);
    if (r.StateFillStyle1) r.FillStyle1 = pf.UBparse(fillbits);
    if (r.StateLineStyle) r.LineStyle = pf.UBparse(linebits);
    if (r.StateNewStyles) {
        pf.truncbitparse();
        FILLSTYLEARRAYparse(pf, r.FillStyles, tagcode, ownerid);
        LINESTYLEARRAYparse(pf, r.LineStyles, tagcode, ownerid);
        r.NumFillBits = uint8_t(pf.UBparse(4));
        r.NumLineBits = uint8_t(pf.UBparse(4));
        fillbits = r.NumFillBits;
        linebits = r.NumLineBits;
    }
}

void SHAPERECORDfillone(Tparsefill& pf, const SHAPERECORD& r, int& fillbits, int& linebits, int tagcode) {
    switch (r.Kind) {
    case SHAPEREC_END:
        pf.UBfill(6, 0);
        break;
    case SHAPEREC_STYLECHANGE: {
        pf.UBfill(1, 0);
        pf.UBfill(5, uint32_t(r.StateNewStyles) + r.StateLineStyle + r.StateFillStyle1 + r.StateFillStyle0 +
                         r.StateMoveTo);
        if (r.StateMoveTo) {
            const int n = fieldbits(r.MoveDeltaX, r.MoveDeltaY, 0, 0, 1);
            pf.UBfill(5, uint32_t(n));
            pf.SBfill(n, r.MoveDeltaX);
            pf.SBfill(n, r.MoveDeltaY);
        }
        if (r.StateFillStyle0) {
            checkunsigned(r.FillStyle0, fillbits);
            pf.UBfill(fillbits, r.FillStyle0);
        }
        if (r.StateFillStyle1) {
            checkunsigned(r.FillStyle1, fillbits);
            pf.UBfill(fillbits, r.FillStyle1);
        }
        if (r.StateLineStyle) {
            checkunsigned(r.LineStyle, linebits);
            pf.UBfill(linebits, r.LineStyle);
        }
        if (r.StateNewStyles) {
            pf.truncbitfill();
            FILLSTYLEARRAYfill(pf, r.FillStyles, tagcode);
            LINESTYLEARRAYfill(pf, r.LineStyles, tagcode);
            checkwidth(r.NumFillBits, 15);
            checkwidth(r.NumLineBits, 15);
            fillbits = r.NumFillBits;
            linebits = r.NumLineBits;
            pf.UBfill(4, r.NumFillBits);
            pf.UBfill(4, r.NumLineBits);
        }
        break;
    }
    case SHAPEREC_STRAIGHT: {
        bool writex = r.GeneralLineFlag || !r.VertLineFlag;
        bool writey = r.GeneralLineFlag || r.VertLineFlag;
        const uint32_t n = edgebits(writex ? r.DeltaX : 0, writey ? r.DeltaY : 0, 0, 0);
        pf.UBfill(1, 1);
        pf.UBfill(1, 1);
        pf.UBfill(4, n - 2);
        pf.UBfill(1, r.GeneralLineFlag ? 1 : 0);
        if (!r.GeneralLineFlag) pf.UBfill(1, r.VertLineFlag ? 1 : 0);
        if (writex) pf.SBfill(n, r.DeltaX);
        if (writey) pf.SBfill(n, r.DeltaY);
        break;
    }
    case SHAPEREC_CURVED: {
        const uint32_t n = edgebits(r.ControlDeltaX, r.ControlDeltaY, r.AnchorDeltaX, r.AnchorDeltaY);
        pf.UBfill(1, 1);
        pf.UBfill(1, 0);
        pf.UBfill(4, n - 2);
        pf.SBfill(n, r.ControlDeltaX);
        pf.SBfill(n, r.ControlDeltaY);
        pf.SBfill(n, r.AnchorDeltaX);
        pf.SBfill(n, r.AnchorDeltaY);
        break;
    }
    default:  // dropped by an optimizer
        break;
    }
}

}  // namespace

// ---- fill styles

void FILLSTYLEparse(Tparsefill& pf, FILLSTYLE& f, int tagcode, uint16_t ownerid) {
    FILLSTYLEfree(f);
    f.FillStyleType = pf.U8parse();
    if (f.FillStyleType == FILL_SOLID) {
        if (alphacolours(tagcode)) pf.RGBAparse(f.ColorAlpha);
        else pf.RGBparse(f.Color);
    } else if (isgradientfill(f.FillStyleType)) {
        pf.Matrixparse(f.GradientMatrix);
        // Read into the fill's own gradient first so a damaged record list
        // stays owned by the fill and is freed with it.
        pf.GRADIENTparse(f.Gradient, tagcode);
        if (f.FillStyleType == FILL_FOCAL) {
            f.FocalGradient.SpreadMode = f.Gradient.SpreadMode;
            f.FocalGradient.InterpolationMode = f.Gradient.InterpolationMode;
            f.FocalGradient.NumGradients = f.Gradient.NumGradients;
            f.FocalGradient.GradientRecords = f.Gradient.GradientRecords;
            f.Gradient = GRADIENT{};
            f.FocalGradient.FocalPoint = pf.FIXED8parse();
        }
    } else if (isbitmapfill(f.FillStyleType)) {
        f.BitmapId = pf.U16parse();
        pf.Matrixparse(f.BitmapMatrix);
        addusedmatrix(f.BitmapId, ownerid, f.BitmapMatrix);
        sceneaddedge(f.BitmapId, ownerid, f.BitmapMatrix, true);
    }
}

void FILLSTYLEfill(Tparsefill& pf, const FILLSTYLE& f, int tagcode) {
    pf.U8fill(f.FillStyleType);
    if (f.FillStyleType == FILL_SOLID) {
        if (alphacolours(tagcode)) pf.RGBAfill(f.ColorAlpha);
        else pf.RGBfill(f.Color);
    } else if (isgradientfill(f.FillStyleType)) {
        pf.Matrixfill(f.GradientMatrix);
        if (f.FillStyleType == FILL_FOCAL) pf.FOCALGRADIENTfill(f.FocalGradient, tagcode);
        else pf.GRADIENTfill(f.Gradient, tagcode);
    } else if (isbitmapfill(f.FillStyleType)) {
        pf.U16fill(f.BitmapId);
        pf.Matrixfill(f.BitmapMatrix);
    }
}

void FILLSTYLEfree(FILLSTYLE& f) {
    GRADIENTfree(f.Gradient);
    FOCALGRADIENTfree(f.FocalGradient);
    std::memset(&f, 0, sizeof f);
}

void FILLSTYLEARRAYparse(Tparsefill& pf, FILLSTYLEARRAY& a, int tagcode, uint16_t ownerid) {
    FILLSTYLEARRAYfree(a);
    try {
        a.FillStyleCount = pf.U8parse();
        a.FillStyleCountExtended = a.FillStyleCount;
        if (a.FillStyleCount == 0xFF) a.FillStyleCountExtended = pf.U16parse();
        needcount(pf, a.FillStyleCountExtended);
        setlength(a.FillStyles, sizeof(FILLSTYLE), a.FillStyleCountExtended);
        for (uint32_t i = 0; i < a.FillStyleCountExtended; ++i) FILLSTYLEparse(pf, a.FillStyles[i], tagcode, ownerid);
    } catch (...) {
        FILLSTYLEARRAYfree(a);
        throw;
    }
}

void FILLSTYLEARRAYfill(Tparsefill& pf, const FILLSTYLEARRAY& a, int tagcode) {
    if (a.FillStyleCountExtended != length(a.FillStyles)) throw Tparseerror("fill style count out of step");
    if (a.FillStyleCount != 0xFF && a.FillStyleCount != a.FillStyleCountExtended)
        throw Tparseerror("fill style count out of step");
    pf.U8fill(a.FillStyleCount);
    if (a.FillStyleCount > 254) pf.U16fill(a.FillStyleCountExtended);
    for (uint32_t i = 0; i < a.FillStyleCountExtended; ++i) FILLSTYLEfill(pf, a.FillStyles[i], tagcode);
}

void FILLSTYLEARRAYfree(FILLSTYLEARRAY& a) {
    for (uint32_t i = 0; i < length(a.FillStyles); ++i) FILLSTYLEfree(a.FillStyles[i]);
    setlength(a.FillStyles, sizeof(FILLSTYLE), 0);
    a.FillStyleCount = 0;
    a.FillStyleCountExtended = 0;
}

// ---- line styles

void LINESTYLEARRAYparse(Tparsefill& pf, LINESTYLEARRAY& a, int tagcode, uint16_t ownerid) {
    LINESTYLEARRAYfree(a);
    try {
        a.LineStyleCount = pf.U8parse();
        a.LineStyleCountExtended = a.LineStyleCount;
        if (a.LineStyleCount == 0xFF) a.LineStyleCountExtended = pf.U16parse();
        uint32_t n = a.LineStyleCountExtended;
        if (plainlines(tagcode)) {
            needcount(pf, n);
            setlength(a.LineStyles, sizeof(LINESTYLE), n);
            for (uint32_t i = 0; i < n; ++i) {
                LINESTYLE& l = a.LineStyles[i];
                l.Width = pf.U16parse();
                if (tagcode == DefineShape3) pf.RGBAparse(l.ColorAlpha);
                else pf.RGBparse(l.Color);
            }
        } else if (tagcode == DefineShape4) {
            needcount(pf, n);
            setlength(a.LineStyles2, sizeof(LINESTYLE2), n);
            for (uint32_t i = 0; i < n; ++i) LINESTYLE2parse(pf, a.LineStyles2[i], ownerid);
        }
    } catch (...) {
        LINESTYLEARRAYfree(a);
        throw;
    }
}

void LINESTYLEARRAYfill(Tparsefill& pf, const LINESTYLEARRAY& a, int tagcode) {
    if (a.LineStyleCount != 0xFF && a.LineStyleCount != a.LineStyleCountExtended)
        throw Tparseerror("line style count out of step");
    pf.U8fill(a.LineStyleCount);
    if (a.LineStyleCount > 254) pf.U16fill(a.LineStyleCountExtended);
    uint32_t n = a.LineStyleCountExtended;
    if (plainlines(tagcode)) {
        if (n != length(a.LineStyles)) throw Tparseerror("line style count out of step");
        for (uint32_t i = 0; i < n; ++i) {
            const LINESTYLE& l = a.LineStyles[i];
            pf.U16fill(l.Width);
            if (tagcode == DefineShape3) pf.RGBAfill(l.ColorAlpha);
            else pf.RGBfill(l.Color);
        }
    } else if (tagcode == DefineShape4) {
        if (n != length(a.LineStyles2)) throw Tparseerror("line style count out of step");
        for (uint32_t i = 0; i < n; ++i) LINESTYLE2fill(pf, a.LineStyles2[i]);
    }
}

void LINESTYLEARRAYfree(LINESTYLEARRAY& a) {
    for (uint32_t i = 0; i < length(a.LineStyles2); ++i) FILLSTYLEfree(a.LineStyles2[i].FillType);
    setlength(a.LineStyles, sizeof(LINESTYLE), 0);
    setlength(a.LineStyles2, sizeof(LINESTYLE2), 0);
    a.LineStyleCount = 0;
    a.LineStyleCountExtended = 0;
}

// ---- record lists

void SHAPERECORDparse(Tparsefill& pf, SHAPERECORD*& records, int numfillbits, int numlinebits, int64_t limit,
                      int tagcode, uint16_t ownerid) {
    SHAPERECORDfree(records);
    int fillbits = numfillbits, linebits = numlinebits;
    uint32_t count = 0;
    try {
        for (;;) {
            if (int64_t(pf.parsepos) > limit) {
                pf.truncbitparse();
                break;
            }
            if (count == length(records)) setlength(records, sizeof(SHAPERECORD), count + 16 + count / 2);
            SHAPERECORD& r = records[count++];
            SHAPERECORDparseone(pf, r, fillbits, linebits, tagcode, ownerid);
            if (r.Kind == SHAPEREC_END) {
                pf.truncbitparse();
                break;
            }
        }
    } catch (...) {
        SHAPERECORDfree(records);
        throw;
    }
    setlength(records, sizeof(SHAPERECORD), count);
}

void SHAPERECORDfill(Tparsefill& pf, const SHAPERECORD* records, int numfillbits, int numlinebits, int tagcode) {
    int fillbits = numfillbits, linebits = numlinebits;
    uint32_t n = length(records);
    for (uint32_t i = 0; i < n; ++i) SHAPERECORDfillone(pf, records[i], fillbits, linebits, tagcode);
    pf.truncbitfill();
}

void SHAPERECORDfree(SHAPERECORD*& records) {
    // Every record, not only style changes: a record cut short while being read
    // may own arrays before its kind says so.
    uint32_t n = length(records);
    for (uint32_t i = 0; i < n; ++i) {
        SHAPERECORD& r = records[i];
        if (r.FillStyles.FillStyles) FILLSTYLEARRAYfree(r.FillStyles);
        if (r.LineStyles.LineStyles || r.LineStyles.LineStyles2) LINESTYLEARRAYfree(r.LineStyles);
    }
    setlength(records, sizeof(SHAPERECORD), 0);
}

// ---- whole shapes

void SHAPEWITHSTYLEparse(Tparsefill& pf, SHAPEWITHSTYLE& s, int64_t limit, int tagcode, uint16_t ownerid) {
    SHAPEWITHSTYLEfree(s);
    try {
        FILLSTYLEARRAYparse(pf, s.FillStyles, tagcode, ownerid);
        LINESTYLEARRAYparse(pf, s.LineStyles, tagcode, ownerid);
        s.NumFillBits = uint8_t(pf.UBparse(4));
        s.NumLineBits = uint8_t(pf.UBparse(4));
        SHAPERECORDparse(pf, s.ShapeRecords, s.NumFillBits, s.NumLineBits, limit, tagcode, ownerid);
    } catch (...) {
        SHAPEWITHSTYLEfree(s);
        throw;
    }
}

void SHAPEWITHSTYLEfill(Tparsefill& pf, const SHAPEWITHSTYLE& s, int tagcode) {
    FILLSTYLEARRAYfill(pf, s.FillStyles, tagcode);
    LINESTYLEARRAYfill(pf, s.LineStyles, tagcode);
    checkwidth(s.NumFillBits, 15);
    checkwidth(s.NumLineBits, 15);
    pf.UBfill(4, s.NumFillBits);
    pf.UBfill(4, s.NumLineBits);
    SHAPERECORDfill(pf, s.ShapeRecords, s.NumFillBits, s.NumLineBits, tagcode);
    pf.truncbitfill();
}

void SHAPEWITHSTYLEfree(SHAPEWITHSTYLE& s) {
    FILLSTYLEARRAYfree(s.FillStyles);
    LINESTYLEARRAYfree(s.LineStyles);
    SHAPERECORDfree(s.ShapeRecords);
    s.NumFillBits = 0;
    s.NumLineBits = 0;
}

void SHAPEparse(Tparsefill& pf, SHAPE& s, int64_t limit, int tagcode, uint16_t ownerid) {
    SHAPEfree(s);
    try {
        s.NumFillBits = uint8_t(pf.UBparse(4));
        s.NumLineBits = uint8_t(pf.UBparse(4));
        SHAPERECORDparse(pf, s.ShapeRecords, s.NumFillBits, s.NumLineBits, limit, tagcode, ownerid);
    } catch (...) {
        SHAPEfree(s);
        throw;
    }
}

void SHAPEfill(Tparsefill& pf, const SHAPE& s, int tagcode) {
    checkwidth(s.NumFillBits, 15);
    checkwidth(s.NumLineBits, 15);
    pf.UBfill(4, s.NumFillBits);
    pf.UBfill(4, s.NumLineBits);
    SHAPERECORDfill(pf, s.ShapeRecords, s.NumFillBits, s.NumLineBits, tagcode);
    pf.truncbitfill();
}

void SHAPEfree(SHAPE& s) {
    SHAPERECORDfree(s.ShapeRecords);
    s.NumFillBits = 0;
    s.NumLineBits = 0;
}
