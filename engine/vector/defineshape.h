// DefineShape, DefineShape2, DefineShape3, DefineShape4 (codes 2, 22, 32, 83),
// and the shape divider shared with the font optimizer.
#pragma once
#include <cstdint>

#include "../core/swftag.h"
#include "shaperatio.h"
#include "shaperecords.h"

class Tswftag_defineshape : public Tswftag_define {
public:
    using Tswftag_define::Tswftag_define;
    ~Tswftag_defineshape() override;

    SRECT ShapeBounds{};
    SRECT EdgeBounds{};  // DefineShape4 only
    uint8_t Reserved = 0;
    uint8_t UsesNonScalingStrokes = 0;
    uint8_t UsesScalingStrokes = 0;
    SHAPEWITHSTYLE Shapes{};

    void doparse() override;
    void fillfromstru() override;
    void fillother() override;
};

inline int chooseshaperatio(const Tswftag_defineshape& shape, const Tshaperatiorule& rule) {
    return chooseshaperatio(shape.Shapes, shape.tagcode, shape.ShapeBounds, rule);
}

// Divides the shape by the shape ratio when written; placements scale it back.
class Tswftag_defineshape_opt : public Tswftag_defineshape {
public:
    using Tswftag_defineshape::Tswftag_defineshape;
    void doparse() override;
    void fillfromstru() override;

private:
    int divisor();
    double displayscale() const;
    bool divided_ = false;  // Shapes holds the divided shape of an earlier write
};

// Line widths / k (at least 1 twip); strokes that keep their width whatever
// the placement (DefineShape4 no-scale flags) are left alone.
void LINESTYLEARRAYchgwidth(LINESTYLEARRAY& a, int k, int tagcode);
// The fills of DefineShape4 line styles live in shape coordinates too.
void LINESTYLEARRAYchgfill(LINESTYLEARRAY& a, int k, int tagcode);
// Gradient and bitmap fill matrices / k.
void FILLSTYLEARRAYchgmatrix(FILLSTYLEARRAY& a, int k, int tagcode);
void FILLSTYLEchgmatrix(FILLSTYLE& f, int k);
// Bitmap fill matrices corrected for the factors their bitmap was rescaled by.
void FILLSTYLEARRAYupdbmp(FILLSTYLEARRAY& a);
void FILLSTYLEupdbmp(FILLSTYLE& f);
// Every point / k, edges that collapse dropped, minimal edge and move widths;
// style arrays introduced by the records are scaled as well.
void SHAPERECORDdiv(SHAPERECORD*& records, int k, int tagcode);
