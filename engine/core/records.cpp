// Readers and writers of the primitive records, side by side.
#include <cstring>

#include "parsefill.h"
#include "tagcode.h"

using namespace pascal_com;

int fieldbits(int a, int b, int c, int d, int zerobits, int maxbits) {
    int n = getbytecount(getmaxfromarray(a, b, c, d), zerobits);
    if (n > maxbits) throw Tparseerror("value too wide for its bit field");
    return n;
}

void Tparsefill::RGBparse(RGB& c) {
    need(3);
    c.R = U8parse(); c.G = U8parse(); c.B = U8parse();
}
void Tparsefill::RGBfill(RGB c) {
    U8fill(c.R); U8fill(c.G); U8fill(c.B);
}
void Tparsefill::RGBAparse(RGBA& c) {
    need(4);
    c.R = U8parse(); c.G = U8parse(); c.B = U8parse(); c.A = U8parse();
}
void Tparsefill::RGBAfill(RGBA c) {
    U8fill(c.R); U8fill(c.G); U8fill(c.B); U8fill(c.A);
}

void Tparsefill::SRECTparse(SRECT& r) {
    r.Nbits = uint8_t(UBparse(5));
    r.Xmin = SBparse(r.Nbits);
    r.Xmax = SBparse(r.Nbits);
    r.Ymin = SBparse(r.Nbits);
    r.Ymax = SBparse(r.Nbits);
    truncbitparse();
}
void Tparsefill::SRECTfill(SRECT r) {
    int n = fieldbits(r.Xmin, r.Xmax, r.Ymin, r.Ymax, 1);
    UBfill(5, uint32_t(n));
    SBfill(n, r.Xmin);
    SBfill(n, r.Xmax);
    SBfill(n, r.Ymin);
    SBfill(n, r.Ymax);
    truncbitfill();
}

static int32_t intpart(int32_t fixed) { return int32_t(double(fixed) / 65536.0); }

void Tparsefill::Matrixparse(MATRIX& m) {
    std::memset(&m, 0, sizeof m);
    m.HasScale = int32_t(UBparse(1));
    if (m.HasScale) {
        m.NScaleBits = int32_t(UBparse(5));
        m.ScaleX = SBparse(m.NScaleBits);
        m.ScaleY = SBparse(m.NScaleBits);
        m.ScaleXInt = intpart(m.ScaleX);
        m.ScaleYInt = intpart(m.ScaleY);
    }
    m.HasRotate = int32_t(UBparse(1));
    if (m.HasRotate) {
        m.NRotateBits = int32_t(UBparse(5));
        m.RotateSkew0 = SBparse(m.NRotateBits);
        m.RotateSkew1 = SBparse(m.NRotateBits);
        m.RotateSkew0Int = intpart(m.RotateSkew0);
        m.RotateSkew1Int = intpart(m.RotateSkew1);
    }
    m.NTranslateBits = int32_t(UBparse(5));
    m.TranslateX = SBparse(m.NTranslateBits);
    m.TranslateY = SBparse(m.NTranslateBits);
    truncbitparse();
}
void Tparsefill::Matrixfill(MATRIX m) {
    bool scale = m.HasScale && !(m.ScaleX == 0x10000 && m.ScaleY == 0x10000);
    bool rotate = m.HasRotate && !(m.RotateSkew0 == 0 && m.RotateSkew1 == 0);
    if (!scale && !rotate && m.TranslateX == 0 && m.TranslateY == 0) {
        U8fill(0);
        return;
    }
    UBfill(1, scale);
    if (scale) {
        int n = fieldbits(m.ScaleX, m.ScaleY, 0, 0, 1);
        UBfill(5, uint32_t(n)); SBfill(n, m.ScaleX); SBfill(n, m.ScaleY);
    }
    UBfill(1, rotate);
    if (rotate) {
        int n = fieldbits(m.RotateSkew0, m.RotateSkew1, 0, 0, 1);
        UBfill(5, uint32_t(n)); SBfill(n, m.RotateSkew0); SBfill(n, m.RotateSkew1);
    }
    int n = fieldbits(m.TranslateX, m.TranslateY, 0, 0, 0);
    UBfill(5, uint32_t(n)); SBfill(n, m.TranslateX); SBfill(n, m.TranslateY);
    truncbitfill();
}

void Tparsefill::CXFORMparse(CXFORM& c) {
    c.HasAddTerms = uint8_t(UBparse(1));
    c.HasMultTerms = uint8_t(UBparse(1));
    c.Nbits = uint8_t(UBparse(4));
    if (c.HasMultTerms) {
        c.RedMultTerm = SBparse(c.Nbits); c.GreenMultTerm = SBparse(c.Nbits); c.BlueMultTerm = SBparse(c.Nbits);
    }
    if (c.HasAddTerms) {
        c.RedAddTerm = SBparse(c.Nbits); c.GreenAddTerm = SBparse(c.Nbits); c.BlueAddTerm = SBparse(c.Nbits);
    }
    truncbitparse();
}
void Tparsefill::CXFORMfill(CXFORM c) {
    const int mult = c.HasMultTerms ? fieldbits(c.RedMultTerm, c.GreenMultTerm, c.BlueMultTerm, 0, 0, 15) : 0;
    const int add = c.HasAddTerms ? fieldbits(c.RedAddTerm, c.GreenAddTerm, c.BlueAddTerm, 0, 0, 15) : 0;
    const int n = mult > add ? mult : add;
    UBfill(1, c.HasAddTerms); UBfill(1, c.HasMultTerms); UBfill(4, uint32_t(n));
    if (c.HasMultTerms) {
        SBfill(n, c.RedMultTerm); SBfill(n, c.GreenMultTerm); SBfill(n, c.BlueMultTerm);
    }
    if (c.HasAddTerms) {
        SBfill(n, c.RedAddTerm); SBfill(n, c.GreenAddTerm); SBfill(n, c.BlueAddTerm);
    }
    truncbitfill();
}

void Tparsefill::CXFORMWITHALPHAparse(CXFORMWITHALPHA& c) {
    c.HasAddTerms = uint8_t(UBparse(1));
    c.HasMultTerms = uint8_t(UBparse(1));
    c.Nbits = uint8_t(UBparse(4));
    if (c.HasMultTerms) {
        c.RedMultTerm = SBparse(c.Nbits); c.GreenMultTerm = SBparse(c.Nbits);
        c.BlueMultTerm = SBparse(c.Nbits); c.AlphaMultTerm = SBparse(c.Nbits);
    }
    if (c.HasAddTerms) {
        c.RedAddTerm = SBparse(c.Nbits); c.GreenAddTerm = SBparse(c.Nbits);
        c.BlueAddTerm = SBparse(c.Nbits); c.AlphaAddTerm = SBparse(c.Nbits);
    }
    truncbitparse();
}
void Tparsefill::CXFORMWITHALPHAfill(CXFORMWITHALPHA c) {
    const int mult =
        c.HasMultTerms ? fieldbits(c.RedMultTerm, c.GreenMultTerm, c.BlueMultTerm, c.AlphaMultTerm, 0, 15) : 0;
    const int add = c.HasAddTerms ? fieldbits(c.RedAddTerm, c.GreenAddTerm, c.BlueAddTerm, c.AlphaAddTerm, 0, 15) : 0;
    const int n = mult > add ? mult : add;
    UBfill(1, c.HasAddTerms); UBfill(1, c.HasMultTerms); UBfill(4, uint32_t(n));
    if (c.HasMultTerms) {
        SBfill(n, c.RedMultTerm); SBfill(n, c.GreenMultTerm);
        SBfill(n, c.BlueMultTerm); SBfill(n, c.AlphaMultTerm);
    }
    if (c.HasAddTerms) {
        SBfill(n, c.RedAddTerm); SBfill(n, c.GreenAddTerm);
        SBfill(n, c.BlueAddTerm); SBfill(n, c.AlphaAddTerm);
    }
    truncbitfill();
}

void Tparsefill::GRADIENTparse(GRADIENT& g, int tagcode) {
    g.SpreadMode = uint8_t(UBparse(2));
    g.InterpolationMode = uint8_t(UBparse(2));
    g.NumGradients = uint8_t(UBparse(4));
    setlength(g.GradientRecords, sizeof(GRADRECORD), g.NumGradients);
    for (int i = 0; i < g.NumGradients; ++i) {
        GRADRECORD& r = g.GradientRecords[i];
        r.Ratio = U8parse();
        if (rgbonly(tagcode)) RGBparse(r.Color);
        else RGBAparse(r.ColorAlpha);
    }
}
void Tparsefill::GRADIENTfill(const GRADIENT& g, int tagcode) {
    UBfill(2, g.SpreadMode);
    UBfill(2, g.InterpolationMode);
    uint32_t n = length(g.GradientRecords);
    if (n > 15) throw Tparseerror("too many gradient records");
    UBfill(4, n);
    for (uint32_t i = 0; i < n; ++i) {
        const GRADRECORD& r = g.GradientRecords[i];
        U8fill(r.Ratio);
        if (rgbonly(tagcode)) RGBfill(r.Color);
        else RGBAfill(r.ColorAlpha);
    }
}

void Tparsefill::FOCALGRADIENTparse(FOCALGRADIENT& g, int tagcode) {
    // The records stay owned by g even when the parse stops half-way.
    GRADIENT plain{g.SpreadMode, g.InterpolationMode, g.NumGradients, g.GradientRecords};
    try {
        GRADIENTparse(plain, tagcode);
    } catch (...) {
        g.GradientRecords = plain.GradientRecords;
        throw;
    }
    g.SpreadMode = plain.SpreadMode;
    g.InterpolationMode = plain.InterpolationMode;
    g.NumGradients = plain.NumGradients;
    g.GradientRecords = plain.GradientRecords;
    g.FocalPoint = FIXED8parse();
}
void Tparsefill::FOCALGRADIENTfill(const FOCALGRADIENT& g, int tagcode) {
    GRADIENT plain{g.SpreadMode, g.InterpolationMode, g.NumGradients, g.GradientRecords};
    GRADIENTfill(plain, tagcode);
    FIXED8fill(g.FocalPoint);
}

void GRADIENTfree(GRADIENT& g) { setlength(g.GradientRecords, sizeof(GRADRECORD), 0); }
void FOCALGRADIENTfree(FOCALGRADIENT& g) { setlength(g.GradientRecords, sizeof(GRADRECORD), 0); }

void FILTERLISTfree(FILTERLIST& list) {
    for (uint32_t i = 0; i < length(list.Filters); ++i) {
        FILTER& f = list.Filters[i];
        setlength(f.Gradient.GradientColors, sizeof(RGBA), 0);
        setlength(f.Gradient.GradientRatio, 1, 0);
        setlength(f.Convolution.Matrix, 4, 0);
    }
    setlength(list.Filters, sizeof(FILTER), 0);
    list.NumberOfFilters = 0;
}

void Tparsefill::FILTERLISTparse(FILTERLIST& list) {
    FILTERLISTfree(list);
    list.NumberOfFilters = U8parse();
    setlength(list.Filters, sizeof(FILTER), list.NumberOfFilters);
    for (int i = 0; i < list.NumberOfFilters; ++i) {
        FILTER& f = list.Filters[i];
        f.FilterID = U8parse();
        switch (f.FilterID) {
        case 0: {
            auto& d = f.DropShadow;
            RGBAparse(d.DropShadowColor);
            d.BlurX = FIXED16parse(); d.BlurY = FIXED16parse(); d.Angle = FIXED16parse(); d.Distance = FIXED16parse();
            d.Strength = FIXED8parse();
            d.InnerShadow = uint8_t(UBparse(1)); d.Knockout = uint8_t(UBparse(1));
            d.CompositeSource = uint8_t(UBparse(1)); d.Passes = uint8_t(UBparse(5));
            break;
        }
        case 1: {
            auto& b = f.Blur;
            b.BlurX = FIXED16parse(); b.BlurY = FIXED16parse();
            b.Passes = uint8_t(UBparse(5)); b.Reserved = uint8_t(UBparse(3));
            break;
        }
        case 2: {
            auto& g = f.Glow;
            RGBAparse(g.GlowColor);
            g.BlurX = FIXED16parse(); g.BlurY = FIXED16parse();
            g.Strength = FIXED8parse();
            g.InnerGlow = uint8_t(UBparse(1)); g.Knockout = uint8_t(UBparse(1));
            g.CompositeSource = uint8_t(UBparse(1)); g.Passes = uint8_t(UBparse(5));
            break;
        }
        case 3: {
            auto& b = f.Bevel;
            RGBAparse(b.ShadowColor); RGBAparse(b.HighlightColor);
            b.BlurX = FIXED16parse(); b.BlurY = FIXED16parse(); b.Angle = FIXED16parse(); b.Distance = FIXED16parse();
            b.Strength = FIXED8parse();
            b.InnerShadow = uint8_t(UBparse(1)); b.Knockout = uint8_t(UBparse(1));
            b.CompositeSource = uint8_t(UBparse(1)); b.OnTop = uint8_t(UBparse(1)); b.Passes = uint8_t(UBparse(4));
            break;
        }
        case 4:
        case 7: {
            auto& g = f.Gradient;
            g.NumColors = U8parse();
            setlength(g.GradientColors, sizeof(RGBA), g.NumColors);
            for (int k = 0; k < g.NumColors; ++k) RGBAparse(g.GradientColors[k]);
            Tbitarrayparse(g.GradientRatio, g.NumColors);
            g.BlurX = FIXED16parse(); g.BlurY = FIXED16parse(); g.Angle = FIXED16parse(); g.Distance = FIXED16parse();
            g.Strength = FIXED8parse();
            g.InnerShadow = uint8_t(UBparse(1)); g.Knockout = uint8_t(UBparse(1));
            g.CompositeSource = uint8_t(UBparse(1)); g.OnTop = uint8_t(UBparse(1)); g.Passes = uint8_t(UBparse(4));
            break;
        }
        case 5: {
            auto& c = f.Convolution;
            c.MatrixX = U8parse(); c.MatrixY = U8parse();
            c.Divisor = FLOATparse(); c.Bias = FLOATparse();
            uint32_t n = uint32_t(c.MatrixX) * c.MatrixY;
            need(uint64_t(n) * 4);
            setlength(c.Matrix, 4, n);
            for (uint32_t k = 0; k < n; ++k) c.Matrix[k] = FLOATparse();
            RGBAparse(c.DefaultColor);
            c.Reserved = uint8_t(UBparse(6)); c.Clamp = uint8_t(UBparse(1)); c.PreserveAlpha = uint8_t(UBparse(1));
            break;
        }
        case 6:
            for (auto& v : f.ColorMatrix.Matrix) v = FLOATparse();
            break;
        default:
            break;
        }
    }
}

void Tparsefill::FILTERLISTfill(const FILTERLIST& list) {
    uint32_t count = length(list.Filters);
    U8fill(count);
    for (uint32_t i = 0; i < count; ++i) {
        const FILTER& f = list.Filters[i];
        U8fill(f.FilterID);
        switch (f.FilterID) {
        case 0: {
            auto& d = f.DropShadow;
            RGBAfill(d.DropShadowColor);
            FIXED16fill(d.BlurX); FIXED16fill(d.BlurY); FIXED16fill(d.Angle); FIXED16fill(d.Distance);
            FIXED8fill(d.Strength);
            UBfill(1, d.InnerShadow); UBfill(1, d.Knockout); UBfill(1, d.CompositeSource); UBfill(5, d.Passes);
            break;
        }
        case 1: {
            auto& b = f.Blur;
            FIXED16fill(b.BlurX); FIXED16fill(b.BlurY);
            UBfill(5, b.Passes); UBfill(3, b.Reserved);
            break;
        }
        case 2: {
            auto& g = f.Glow;
            RGBAfill(g.GlowColor);
            FIXED16fill(g.BlurX); FIXED16fill(g.BlurY);
            FIXED8fill(g.Strength);
            UBfill(1, g.InnerGlow); UBfill(1, g.Knockout); UBfill(1, g.CompositeSource); UBfill(5, g.Passes);
            break;
        }
        case 3: {
            auto& b = f.Bevel;
            RGBAfill(b.ShadowColor); RGBAfill(b.HighlightColor);
            FIXED16fill(b.BlurX); FIXED16fill(b.BlurY); FIXED16fill(b.Angle); FIXED16fill(b.Distance);
            FIXED8fill(b.Strength);
            UBfill(1, b.InnerShadow); UBfill(1, b.Knockout); UBfill(1, b.CompositeSource);
            UBfill(1, b.OnTop); UBfill(4, b.Passes);
            break;
        }
        case 4:
        case 7: {
            auto& g = f.Gradient;
            uint32_t n = length(g.GradientColors);
            U8fill(n);
            for (uint32_t k = 0; k < n; ++k) RGBAfill(g.GradientColors[k]);
            for (uint32_t k = 0; k < n; ++k) U8fill(k < length(g.GradientRatio) ? g.GradientRatio[k] : 0);
            FIXED16fill(g.BlurX); FIXED16fill(g.BlurY); FIXED16fill(g.Angle); FIXED16fill(g.Distance);
            FIXED8fill(g.Strength);
            UBfill(1, g.InnerShadow); UBfill(1, g.Knockout); UBfill(1, g.CompositeSource);
            UBfill(1, g.OnTop); UBfill(4, g.Passes);
            break;
        }
        case 5: {
            auto& c = f.Convolution;
            U8fill(c.MatrixX); U8fill(c.MatrixY);
            FLOATfill(c.Divisor); FLOATfill(c.Bias);
            for (uint32_t k = 0; k < length(c.Matrix); ++k) FLOATfill(c.Matrix[k]);
            RGBAfill(c.DefaultColor);
            UBfill(6, c.Reserved); UBfill(1, c.Clamp); UBfill(1, c.PreserveAlpha);
            break;
        }
        case 6:
            for (auto v : f.ColorMatrix.Matrix) FLOATfill(v);
            break;
        default:
            break;
        }
    }
}
