// The Huffman coding of a baseline JPEG stream, read and written without the
// library: fitting the tables through libjpeg holds every coefficient of the
// picture until the end, and deciding that a re-encode cannot pay off needs
// none of them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A number of bytes that the entropy-coded data of any baseline stream with
// the same coefficients and table slots must reach, whatever Huffman tables
// it uses (the magnitude bits as they are, each slot's symbols at their
// entropy and at least a bit each). 0 when the stream is not a single-scan
// baseline stream this reader follows to its end.
size_t JpegCodedFloor(const uint8_t* data, size_t size);

// The same stream with Huffman tables fitted to it the way libjpeg fits them
// when asked to optimize coding, so that a stream libjpeg wrote with its
// standard tables becomes the bytes it writes with fitted ones. Works a scan
// at a time from the coded data; false, with out empty, when the stream is
// not one this reader follows.
bool JpegRefit(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

// A Huffman table fitted to symbol counts as libjpeg fits it: bits[1..16] the
// number of codes of each length, vals the symbols in code order. False where
// libjpeg would fail (no symbol at all, or a count of 10^9 or more).
bool JpegFitTable(const uint64_t* counts, uint8_t (&bits)[17], uint8_t (&vals)[256], int& nvals);
