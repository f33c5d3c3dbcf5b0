// Fill styles, line styles and shape records: the in-memory model of SWF vector
// data, read from and written to a tag's own bit stream.
//
// The readers take the tag code (it decides RGB or RGBA colours and the line
// style layout) and the character id of the tag being read (bitmap fills are
// reported to the registry as used by it). Every reader throws Tparseerror on
// damaged data; the array and shape readers then leave their structure empty,
// a single fill style keeps what it had allocated for its owner to free.
// Writers grow the output through the write cursor's handle and throw
// Tparseerror for a value that does not fit its field.
#pragma once
#include <cstdint>

#include "../core/parsefill.h"

enum : uint8_t {
    FILL_SOLID = 0x00,
    FILL_LINEAR = 0x10,
    FILL_RADIAL = 0x12,
    FILL_FOCAL = 0x13,
    FILL_BITMAP_FIRST = 0x40,  // repeating
    FILL_BITMAP_LAST = 0x43,   // non-smoothed clipped
};

inline bool isgradientfill(uint8_t type) { return type == FILL_LINEAR || type == FILL_RADIAL || type == FILL_FOCAL; }
inline bool isbitmapfill(uint8_t type) { return type >= FILL_BITMAP_FIRST && type <= FILL_BITMAP_LAST; }

struct FILLSTYLE {
    uint8_t FillStyleType;
    RGB Color;        // DefineShape, DefineShape2
    RGBA ColorAlpha;  // DefineShape3, DefineShape4
    MATRIX GradientMatrix;
    GRADIENT Gradient;             // 0x10, 0x12
    FOCALGRADIENT FocalGradient;   // 0x13
    uint16_t BitmapId;
    MATRIX BitmapMatrix;
};

struct FILLSTYLEARRAY {
    uint8_t FillStyleCount;             // the count byte as read; 0xFF: a U16 follows
    uint16_t FillStyleCountExtended;    // the effective count
    FILLSTYLE* FillStyles;              // dynamic array
};

struct LINESTYLE {
    uint16_t Width;
    RGB Color;
    RGBA ColorAlpha;
};

struct LINESTYLE2 {
    uint16_t Width;
    uint8_t StartCapStyle;
    uint8_t JoinStyle;
    uint8_t HasFillFlag;
    uint8_t NoHScaleFlag;
    uint8_t NoVScaleFlag;
    uint8_t PixelHintingFlag;
    uint8_t Reserved;
    uint8_t NoClose;
    uint8_t EndCapStyle;
    uint16_t MiterLimitFactor;  // only with JoinStyle 2
    RGBA Color;                 // only with HasFillFlag 0
    FILLSTYLE FillType;         // only with HasFillFlag 1
};

struct LINESTYLEARRAY {
    uint8_t LineStyleCount;
    uint16_t LineStyleCountExtended;
    LINESTYLE* LineStyles;    // dynamic array, tag codes 2, 22, 32
    LINESTYLE2* LineStyles2;  // dynamic array, tag code 83
};

enum : uint8_t {
    SHAPEREC_END = 0,
    SHAPEREC_STYLECHANGE = 1,
    SHAPEREC_STRAIGHT = 2,
    SHAPEREC_CURVED = 3,
    SHAPEREC_DROPPED = 255,
};

struct SHAPERECORD {
    uint8_t Kind;
    // Style change: each flag is 0 or its own bit's value.
    uint8_t StateNewStyles;   // 16
    uint8_t StateLineStyle;   // 8
    uint8_t StateFillStyle1;  // 4
    uint8_t StateFillStyle0;  // 2
    uint8_t StateMoveTo;      // 1
    uint8_t MoveBits;
    int32_t MoveDeltaX, MoveDeltaY;  // absolute
    uint32_t FillStyle0, FillStyle1, LineStyle;
    FILLSTYLEARRAY FillStyles;
    LINESTYLEARRAY LineStyles;
    uint8_t NumFillBits, NumLineBits;
    // Edges, straight and curved: field width NumBits + 2.
    uint8_t NumBits;
    uint8_t GeneralLineFlag;
    uint8_t VertLineFlag;
    int32_t DeltaX, DeltaY;
    // Curved edge: control relative to the pen, anchor relative to the control.
    int32_t ControlDeltaX, ControlDeltaY, AnchorDeltaX, AnchorDeltaY;
};

struct SHAPEWITHSTYLE {
    FILLSTYLEARRAY FillStyles;
    LINESTYLEARRAY LineStyles;
    uint8_t NumFillBits;
    uint8_t NumLineBits;
    SHAPERECORD* ShapeRecords;  // dynamic array
};

// Glyph outlines: no styles of their own.
struct SHAPE {
    uint8_t NumFillBits;
    uint8_t NumLineBits;
    SHAPERECORD* ShapeRecords;  // dynamic array
};

void FILLSTYLEparse(Tparsefill& pf, FILLSTYLE& f, int tagcode, uint16_t ownerid);
void FILLSTYLEfill(Tparsefill& pf, const FILLSTYLE& f, int tagcode);
void FILLSTYLEARRAYparse(Tparsefill& pf, FILLSTYLEARRAY& a, int tagcode, uint16_t ownerid);
void FILLSTYLEARRAYfill(Tparsefill& pf, const FILLSTYLEARRAY& a, int tagcode);
void LINESTYLEARRAYparse(Tparsefill& pf, LINESTYLEARRAY& a, int tagcode, uint16_t ownerid);
void LINESTYLEARRAYfill(Tparsefill& pf, const LINESTYLEARRAY& a, int tagcode);
// The fields of a LINESTYLE2 between its width and its colour or fill, which
// morph shapes share.
void LINESTYLE2flagsparse(Tparsefill& pf, LINESTYLE2& l);
void LINESTYLE2flagsfill(Tparsefill& pf, const LINESTYLE2& l);

// limit: index of the last body byte the records may occupy; a list that runs
// past it keeps what was read, without an end record.
void SHAPERECORDparse(Tparsefill& pf, SHAPERECORD*& records, int numfillbits, int numlinebits, int64_t limit,
                      int tagcode, uint16_t ownerid);
void SHAPERECORDfill(Tparsefill& pf, const SHAPERECORD* records, int numfillbits, int numlinebits, int tagcode);
void SHAPEWITHSTYLEparse(Tparsefill& pf, SHAPEWITHSTYLE& s, int64_t limit, int tagcode, uint16_t ownerid);
void SHAPEWITHSTYLEfill(Tparsefill& pf, const SHAPEWITHSTYLE& s, int tagcode);
void SHAPEparse(Tparsefill& pf, SHAPE& s, int64_t limit, int tagcode, uint16_t ownerid);
void SHAPEfill(Tparsefill& pf, const SHAPE& s, int tagcode);

void FILLSTYLEfree(FILLSTYLE& f);
void FILLSTYLEARRAYfree(FILLSTYLEARRAY& a);
void LINESTYLEARRAYfree(LINESTYLEARRAY& a);
void SHAPERECORDfree(SHAPERECORD*& records);
void SHAPEWITHSTYLEfree(SHAPEWITHSTYLE& s);
void SHAPEfree(SHAPE& s);
