// Which bitmaps of a loaded movie must keep their pixel size: those whose
// size something other than a corrected bitmap fill depends on.
#pragma once
#include <cstdint>
#include <unordered_map>
#include <vector>

class Tswftag;

enum Tkeepsize : uint8_t {
    KEEPSIZE_NO = 0,
    KEEPSIZE_NAMED,      // exported or bound to a class: scripts read its width and height
    KEEPSIZE_UNCORRECTED, // drawn by a tag written as read (morph shape, shape that failed, opaque sprite)
    KEEPSIZE_PLACED,     // placed directly, by a placement or button record whose matrix is not corrected
    KEEPSIZE_EARLY,      // filled by a shape written before the bitmap, which cannot know its factors
    KEEPSIZE_TWICE,      // defined more than once
};

// One entry per character id (65536). Reads the tag list and the registry;
// linear in the size of the tags it has to look into.
// A bitmap tag that may be re-encoded, with its character id; false for any
// other tag. Supplied by the bitmap tag class, which this file sits below.
using Tbitmapdef = bool (*)(const Tswftag* tag, uint16_t& id);
std::vector<uint8_t> bitmapkeepsize(Tswftag* const* list, uint32_t count, Tbitmapdef bitmapdef);

// What the fills drawing a bitmap can show of it: a rectangle in its own
// pixels, not clipped to them, with room for smoothing around it.
struct Tshownarea {
    double x0, y0, x1, y1;
};
// The bitmaps that may be cropped, by id: those keepsize leaves free whose
// every use is a clipped fill of a shape that the writer corrects, with the
// union of what those fills can show. Empty for a movie scripts written in
// ActionScript 3 run in, since they can read a fill's bitmap back.
using Tshownareas = std::unordered_map<uint16_t, Tshownarea>;
Tshownareas bitmapshownareas(Tswftag* const* list, uint32_t count, const std::vector<uint8_t>& keepsize);

// The rectangle of a width x height bitmap to keep when only area of it can
// show: on a grid of gridx x gridy pixels from its top-left corner, or out
// to its edges, which clipped fills repeat. False when it would keep 95 % or
// more.
bool croprect(int width, int height, const Tshownarea& area, int gridx, int gridy, int& x, int& y, int& w, int& h);
