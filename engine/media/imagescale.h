// Nearest-neighbour resizing of 24-bit canvases and alpha planes. A colour
// canvas and its alpha plane resized to the same size take the same source
// pixel for every target pixel.
#pragma once
#include <cstdint>
#include <vector>

// Source index of each of n target positions over a source of length from:
// round(from * i / n), half away from zero, in exact integer arithmetic.
std::vector<uint32_t> scaleindex(int from, int n);

// Scales canvas (width x height x 3) to newwidth x newheight; width and
// height become the new size. Sizes below 1 leave everything unchanged.
void Canvas24Scale(std::vector<uint8_t>& canvas, int& width, int& height, int newwidth, int newheight);

// Area-averaging versions: each target pixel is the mean of the source
// pixels of its cell (cells split the source into whole pixels). Colour and
// alpha are averaged alike, which is right for premultiplied colour.
void Canvas24Scale_HalfTone(std::vector<uint8_t>& canvas, int& width, int& height, int newwidth, int newheight);
void AlphaResize_HalfTone(const std::vector<uint8_t>& source, std::vector<uint8_t>& result, int oldwidth,
                          int oldheight, int newwidth, int newheight);

// result := source (oldwidth x oldheight bytes) resized to newwidth x newheight.
void AlphaResize(const std::vector<uint8_t>& source, std::vector<uint8_t>& result, int oldwidth, int oldheight,
                 int newwidth, int newheight);
