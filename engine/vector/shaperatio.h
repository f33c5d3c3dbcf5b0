// How far one shape may be divided. The movie-wide shape ratio is an upper
// bound: a shape takes the largest ratio up to it whose rounding stays out of
// sight where the shape is shown.
//
// Always: a bitmap fill matrix, once divided and stored in 16.16 fixed point,
// must put the bitmap within 1/16 pixel, and within 1/16 of one of its own
// pixels, of where the exact matrix would; a fill that shows many bitmap
// pixels per screen pixel otherwise samples a different pattern.
// In quality focussed mode besides: no point, line width or fill translation
// moves by more than 1/4 pixel on either axis at the shape's display scale.
#pragma once
#include <cstdint>

#include "shaperecords.h"

struct Tshaperatiorule {
    int limit = 20;        // the movie's shape ratio
    bool quality = false;  // quality focussed
    double scale = 1.0;    // the largest scale at which the shape is shown
};

// A DefineShape of code tagcode with these styles and records and ShapeBounds
// bounds; defineshape.h takes the tag itself.
int chooseshaperatio(const SHAPEWITHSTYLE& shapes, int tagcode, const SRECT& bounds, const Tshaperatiorule& rule);
