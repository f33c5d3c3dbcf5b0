// How small a JPEG's coded data could become with Huffman tables fitted to
// it, read from the stream alone: deciding that a re-encode cannot pay off
// needs no buffer of the whole picture, which fitting the tables does.
#pragma once
#include <cstddef>
#include <cstdint>

// A number of bytes that the entropy-coded data of any baseline stream with
// the same coefficients and table slots must reach, whatever Huffman tables
// it uses (the magnitude bits as they are, each slot's symbols at their
// entropy and at least a bit each). 0 when the stream is not a single-scan
// baseline stream this reader follows to its end.
size_t JpegCodedFloor(const uint8_t* data, size_t size);
