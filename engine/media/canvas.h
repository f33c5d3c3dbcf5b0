// Lossless SWF pixels into the 24-bit canvas and its alpha plane, and the
// zlib blocks they come in. Pure functions, safe on any thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Inflates a zlib block. With exact, true only when it yields exactly want
// bytes; otherwise true when it yields at least want bytes (out is cut to
// want). A block that ends early or is corrupt before want bytes: false.
bool inflateblock(const uint8_t* data, size_t size, size_t want, std::vector<uint8_t>& out, bool exact);

// zlib block of data at the strongest level.
std::vector<uint8_t> deflateblock(const std::vector<uint8_t>& data);

// Bytes of the inflated pixels of a DefineBitsLossless (format 4 or 5) or
// DefineBitsLossless2 (formats 4 and 5 alike) bitmap; 0 for other formats.
size_t losslessbytes(int tagcode, int format, int width, int height);

// DefineBitsLossless pixels to RGB. Format 5: reserved, R, G, B per pixel.
// Format 4: 16-bit big-endian 0RRRRRGGGGGBBBBB, rows padded to 4 bytes; each
// 5-bit value v widens to (v << 3) | (v >> 2) so that 31 becomes 255.
void losslesstocanvas(int format, const uint8_t* pixels, int width, int height, std::vector<uint8_t>& canvas);

// DefineBitsLossless2 pixels (A, R, G, B) to RGB and alpha. The colour is
// stored premultiplied, which is what a DefineBitsJPEG3 carries too, so it
// is copied as it is.
void lossless2tocanvas(const uint8_t* pixels, int width, int height, std::vector<uint8_t>& canvas,
                       std::vector<uint8_t>& alpha);

// zlib block of data at the strongest level there is (libdeflate's, as the
// movie itself); empty when memory runs out.
std::vector<uint8_t> deflatebest(const std::vector<uint8_t>& data);

// The colour-mapped form of count pixels, each of bytes (3: R, G, B or
// 4: R, G, B, A) at pixels: the table of distinct colours in order of first
// appearance, then one index per pixel with rows of width padded to 4 bytes,
// as DefineBitsLossless format 3 lays them out. False when there are more
// than 256 colours.
bool colormapped(const uint8_t* pixels, int bytes, int width, int height, std::vector<uint8_t>& out, int& colours);
