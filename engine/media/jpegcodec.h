// JPEG streams of SWF bitmaps: repair, decoding into a 24-bit canvas and
// encoding a canvas, all in memory. Safe to call from several threads.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Turns the end/start-of-image pairs that SWF streams carry inside them into
// fill bytes and forces the outer markers; 0 when the data is PNG or GIF, not
// JPEG (then nothing is changed), 1 otherwise.
int FormatJpegData(unsigned char*& stream);
int FormatJpegData(std::vector<uint8_t>& stream);

struct Tjpeginfo {
    int width = 0;
    int height = 0;
    int components = 0;  // of the decoder's output with default settings
    int mcuwidth = 0;    // pixels of the grid its blocks are coded in
    int mcuheight = 0;
};

// Reads only the header; false when the library refuses the stream.
bool JpegHeader(const uint8_t* data, size_t size, Tjpeginfo& info);

// Decodes into width x height x 3 bytes of RGB, rows top to bottom. False,
// with the canvas left empty, when the stream cannot be decoded or its output
// does not have exactly 3 components (greyscale, CMYK).
bool JpegtoCanvas24(const uint8_t* data, size_t size, std::vector<uint8_t>& canvas, int& width, int& height,
                    int& components);

// Encodes an RGB canvas at quality 1..100, colour at full resolution or, with
// subsample, at half in both directions (4:2:0); false on a library error.
bool Canvas24toJpeg(const uint8_t* canvas, int width, int height, std::vector<uint8_t>& out, int quality,
                    bool subsample = false);

// Canvas24toJpeg's stream for the same arguments, made without a buffer of
// the whole picture's coefficients: coded with the standard tables, which
// streams, then refitted from the coded data. FIT_TOOLONG, with out empty,
// when the stream is certain to be longer than room bytes.
enum Tfit { FIT_OK, FIT_TOOLONG, FIT_FAILED };
Tfit Canvas24toJpegWithin(const uint8_t* canvas, int width, int height, std::vector<uint8_t>& out, int quality,
                          bool subsample, size_t room);

// Rewrites a 3-component JPEG stream without decoding it: the same
// coefficients, quantization and sampling, Huffman codes fitted to the image,
// baseline order, and no APPn or COM segments besides the JFIF or Adobe marker
// the library writes for the colour space. False, with out empty, when the
// stream is not plain colour Huffman-coded data or warns while being read (a
// damaged stream is left as it is, since players may read its damage
// differently), or when the result does not decode to the same pixels.
bool JpegOptimize(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

// The rectangle at (x, y) of width w and height h of a JPEG stream, cut
// without decoding, as JpegOptimize rewrites a whole one. x and y must be on
// its MCU grid (multiples of 8 or 16, as its sampling gives). False, with
// out empty, when they are not, or when the same checks as JpegOptimize's
// fail away from the new edges.
bool JpegCrop(const uint8_t* data, size_t size, int x, int y, int w, int h, std::vector<uint8_t>& out);
