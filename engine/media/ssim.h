// Structural similarity of two images of one size, for deciding whether a
// re-encoded picture is still close to what it replaces. Pure functions,
// safe on any thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Mean SSIM of two 8-bit planes (width x height, rows packed) over 8 x 8
// windows placed every 4 pixels, with the usual constants (K1 0.01,
// K2 0.03, L 255); a plane smaller than 8 in a direction is one window
// across in that direction. 1.0 for identical planes, -1 when the sizes
// are not usable.
double planessim(const uint8_t* a, const uint8_t* b, int width, int height);

// Luma (BT.601, rounded) of an RGB canvas of width x height x 3 bytes.
std::vector<uint8_t> canvasluma(const std::vector<uint8_t>& canvas, int width, int height);

// The lower SSIM of the two colour planes (Cb, Cr as JPEG defines them) of an
// RGB canvas against the same planes halved in both directions and brought
// back the way a decoder does (2 x 2 means, then a 3:1 triangle filter); -1
// when the sizes are not usable. What 4:2:0 subsampling costs the colour.
double chroma420ssim(const std::vector<uint8_t>& canvas, int width, int height);
