// Primitive SWF records as held in memory.
#pragma once
#include <cstdint>

#pragma pack(push, 1)
struct RGB {
    uint8_t R, G, B;
};
struct RGBA {
    uint8_t R, G, B, A;
};
#pragma pack(pop)

struct SRECT {
    uint8_t Nbits;
    int32_t Xmin, Xmax, Ymin, Ymax;
};

struct MATRIX {
    int32_t HasScale, NScaleBits, ScaleXInt, ScaleYInt;
    int32_t HasRotate, NRotateBits, RotateSkew0Int, RotateSkew1Int;
    int32_t NTranslateBits, TranslateX, TranslateY;
    int32_t ScaleX, ScaleY, RotateSkew0, RotateSkew1;
};

struct CXFORM {
    uint8_t HasAddTerms, HasMultTerms, Nbits;
    int32_t RedMultTerm, GreenMultTerm, BlueMultTerm;
    int32_t RedAddTerm, GreenAddTerm, BlueAddTerm;
};

struct CXFORMWITHALPHA {
    uint8_t HasAddTerms, HasMultTerms, Nbits;
    int32_t RedMultTerm, GreenMultTerm, BlueMultTerm, AlphaMultTerm;
    int32_t RedAddTerm, GreenAddTerm, BlueAddTerm, AlphaAddTerm;
};

struct GRADRECORD {
    uint8_t Ratio;
    RGB Color;
    RGBA ColorAlpha;
};

struct GRADIENT {
    uint8_t SpreadMode, InterpolationMode, NumGradients;
    GRADRECORD* GradientRecords;  // dynamic array
};

struct FOCALGRADIENT {
    uint8_t SpreadMode, InterpolationMode, NumGradients;
    GRADRECORD* GradientRecords;  // dynamic array
    uint16_t FocalPoint;          // 8.8 as stored
};

// One flat record for every filter kind; only the group of its FilterID is used.
struct FILTER {
    uint8_t FilterID;
    struct {
        RGBA DropShadowColor;
        uint32_t BlurX, BlurY, Angle, Distance;
        uint16_t Strength;
        uint8_t InnerShadow, Knockout, CompositeSource, Passes;
    } DropShadow;
    struct {
        uint32_t BlurX, BlurY;
        uint8_t Passes, Reserved;
    } Blur;
    struct {
        RGBA GlowColor;
        uint32_t BlurX, BlurY;
        uint16_t Strength;
        uint8_t InnerGlow, Knockout, CompositeSource, Passes;
    } Glow;
    struct {
        RGBA ShadowColor, HighlightColor;
        uint32_t BlurX, BlurY, Angle, Distance;
        uint16_t Strength;
        uint8_t InnerShadow, Knockout, CompositeSource, OnTop, Passes;
    } Bevel;
    struct {  // gradient glow and gradient bevel
        uint8_t NumColors;
        RGBA* GradientColors;      // dynamic array
        uint8_t* GradientRatio;    // dynamic array
        uint32_t BlurX, BlurY, Angle, Distance;
        uint16_t Strength;
        uint8_t InnerShadow, Knockout, CompositeSource, OnTop, Passes;
    } Gradient;
    struct {
        uint8_t MatrixX, MatrixY;
        uint32_t Divisor, Bias;
        uint32_t* Matrix;          // dynamic array
        RGBA DefaultColor;
        uint8_t Reserved, Clamp, PreserveAlpha;
    } Convolution;
    struct {
        uint32_t Matrix[20];
    } ColorMatrix;
};

struct FILTERLIST {
    uint8_t NumberOfFilters;
    FILTER* Filters;  // dynamic array
};
