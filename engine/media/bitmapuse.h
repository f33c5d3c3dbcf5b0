// Which bitmaps of a loaded movie must keep their pixel size: those whose
// size something other than a corrected bitmap fill depends on.
#pragma once
#include <cstdint>
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
