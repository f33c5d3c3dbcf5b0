// Who shows whom, at what scale, and what scripts can reach. Placements,
// button records and bitmap fills report here while they are parsed; the
// answers are worked out once, at the first question asked while writing.
//
// The display scale of a character is the largest factor by which it is
// drawn on the stage: the product of the placement matrices down the sprite
// nesting, maximised over every way it is shown. Scripts can attach, place,
// scale and size what they can reach (an exported or class-bound symbol, a
// named instance, and whatever those contain); such characters count as
// shown at least at their natural size.
#pragma once
#include <cstdint>
#include <vector>

#include "../core/records.h"

class Tswftag;

// A use of child inside parent (0: the main timeline) under matrix m. For a
// bitmap, m is the fill matrix, in which natural size is 20 twips a pixel.
void sceneaddedge(uint16_t child, uint16_t parent, const MATRIX& m, bool bitmap);
// A character that scripts can reach by name.
void sceneaddscripted(uint16_t id);

// The display scale of a character; 0 when it is never shown.
double scenescale(uint16_t id);
bool scenescripted(uint16_t id);
// The largest scale, per axis, at which a bitmap is drawn through the shapes
// that fill with it, relative to its natural size; 0 when none does, at
// least 1 when scripts can reach one of those shapes.
void scenebitmapscale(uint16_t id, double& sx, double& sy);

// The character ids an ExportAssets or SymbolClass tag names, appended.
void symbolids(const Tswftag* t, std::vector<uint16_t>& ids);

// The largest factor by which m stretches any vector.
double matrixnorm(const MATRIX& m);

void sceneclear();
