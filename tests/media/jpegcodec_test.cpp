// Repair of SWF JPEG streams and the in-memory codec.
#include <gtest/gtest.h>

#include "media/jpegcodec.h"
#include "support/bitmapbuilder.h"

using swfb::Bytes;

namespace {

int repaired(Bytes& b) {
    std::vector<uint8_t> v(b.begin(), b.end());
    int r = FormatJpegData(v);
    b.assign(v.begin(), v.end());
    return r;
}

TEST(JpegCodec, RepairForcesOuterMarkersAndDropsDoubledStartWhatCannotBeDecodedFails) {
    Bytes jpeg = swfb::jpegimage(8, 8, 80);
    // Erroneous header some tools write: EOI SOI before the real SOI.
    Bytes odd = {0xFF, 0xD9, 0xFF, 0xD8};
    odd.insert(odd.end(), jpeg.begin(), jpeg.end());
    odd[odd.size() - 1] = 0x00;
    ASSERT_EQ(repaired(odd), 1);
    EXPECT_EQ(Bytes(odd.begin(), odd.begin() + 4), (Bytes{0xFF, 0xD8, 0xFF, 0xFF}));
    EXPECT_EQ(odd[odd.size() - 1], 0xD9);
    std::vector<uint8_t> canvas;
    int w = -1, h = -1, c = -1;
    EXPECT_TRUE(JpegtoCanvas24(odd.data(), odd.size(), canvas, w, h, c));
    Bytes tiny = {1, 2, 3};
    EXPECT_EQ(repaired(tiny), 1);
    EXPECT_EQ(tiny, Bytes({1, 2, 3}));

    // Greyscale, CMYK and garbage fail without ending the process.
    for (int comps : {1, 4}) {
        const Bytes j = swfb::jpegimage(8, 8, 80, comps);
        EXPECT_FALSE(JpegtoCanvas24(j.data(), j.size(), canvas, w, h, c)) << comps;
        EXPECT_TRUE(canvas.empty());
        Tjpeginfo info;
        ASSERT_TRUE(JpegHeader(j.data(), j.size(), info));
        EXPECT_EQ(info.components, comps);
    }
    Bytes junk(200, 0x5A);
    junk[0] = 0xFF;
    junk[1] = 0xD8;
    EXPECT_FALSE(JpegtoCanvas24(junk.data(), junk.size(), canvas, w, h, c));
    EXPECT_EQ(w, 0);
    // A stream cut inside its scan still decodes (libjpeg pads) or fails: never exits.
    Bytes cut = swfb::jpegimage(32, 32, 80);
    cut.resize(cut.size() / 2);
    JpegtoCanvas24(cut.data(), cut.size(), canvas, w, h, c);
    Bytes nosof = {0xFF, 0xD8, 0xFF, 0xD9};
    EXPECT_FALSE(JpegtoCanvas24(nosof.data(), nosof.size(), canvas, w, h, c));
    std::vector<uint8_t> out;
    EXPECT_FALSE(Canvas24toJpeg(nullptr, 4, 4, out, 80));
    EXPECT_FALSE(Canvas24toJpeg(junk.data(), 0, 4, out, 80));
}

}  // namespace
