// Bitmap tags built in code for the image tests and benchmark: JPEG streams
// encoded with libjpeg here, lossless pixels compressed with zlib here.
#pragma once
#include <cstdint>
#include <vector>

#include "support/swfbuilder.h"

namespace swfb {

// A smooth colour pattern with some detail, width x height x 3 bytes of RGB.
Bytes testcanvas(int width, int height, uint32_t seed = 1);

// JPEG of testcanvas; components 3 (YCbCr), 1 (greyscale) or 4 (CMYK).
Bytes jpegimage(int width, int height, int quality, int components = 3, uint32_t seed = 1);
// Splits a JPEG stream into tables (SOI, DQT, DHT, EOI) and the image without them (SOI ... EOI).
void splitjpeg(const Bytes& jpeg, Bytes& tables, Bytes& image);

Bytes definebits(uint16_t id, const Bytes& imagenotables);
Bytes jpegtables(const Bytes& tables);
Bytes definebitsjpeg2(uint16_t id, const Bytes& jpeg);
// The alpha plane is compressed here; rawalpha = already compressed bytes.
Bytes definebitsjpeg3(uint16_t id, const Bytes& jpeg, const Bytes& alpha, bool rawalpha = false);
// Pixels as they are stored (format 4: padded 16-bit rows, 5: XRGB, 3: table + indices), compressed here.
Bytes definebitslossless(uint16_t id, int format, int width, int height, const Bytes& pixels, int tablesize = 0);
Bytes definebitslossless2(uint16_t id, int format, int width, int height, const Bytes& argb, int tablesize = 0);

// DefineShape (code 2) of a rectangle filled with bitmap id through a matrix
// (16.16 scale and skew, translation in twips).
Bytes bitmapshape(uint16_t id, uint16_t bitmap, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t r0 = 0,
                  int32_t r1 = 0, bool rotate = false);

// Decoded size of a JPEG stream; 0 x 0 when libjpeg refuses it.
void jpegsize(const Bytes& jpeg, int& width, int& height);

}  // namespace swfb
