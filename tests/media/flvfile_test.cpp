// FLV as the video stream writes it for the transcoder and reads it back.
#include <gtest/gtest.h>

#include <tuple>

#include "core/pascal_com.h"
#include "media/flvfile.h"
#include "support/enginerun.h"
#include "support/swfbuilder.h"
#include "support/videobuilder.h"

using swfb::Bytes;

namespace {

Bytes frame(size_t n, uint8_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = uint8_t(seed + i * 7);
    return b;
}

void putbe(Bytes& b, uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) b.push_back(uint8_t(v >> (8 * i)));
}

// One raw FLV tag with its back pointer.
Bytes rawtag(uint8_t type, const Bytes& data, uint32_t timestamp = 0) {
    Bytes b{type};
    putbe(b, uint32_t(data.size()), 3);
    putbe(b, timestamp, 3);
    b.push_back(0);
    putbe(b, 0, 3);
    b.insert(b.end(), data.begin(), data.end());
    putbe(b, uint32_t(11 + data.size()), 4);
    return b;
}

void settags(Tflvfile& f, const Bytes& b) {
    f.clear();
    bytearrayappendraw(f.tagdata, b.data(), b.size());
}

}  // namespace

TEST(FlvFile, WritesWhatAnIndependentReaderAgreesOnAndRefusesWhatIsNotAWholeStream) {
    swfb::Scratchdir dir("flv");
    for (uint8_t codec : {2, 4}) {
        Tflvfile f;
        for (uint32_t i = 0; i < 3; ++i) f.putvideo(i * 50, 1, codec, frame(1000, uint8_t(i)).data(), 1000);
        const uint32_t datasize = codec == 4 ? 1002 : 1001;  // flags byte, adjustment byte for VP6
        const std::string path = dir.file("in " + std::to_string(codec) + ".flv");
        ASSERT_TRUE(f.savetofile(path.c_str()));
        const Bytes file = swfb::readfile(path);
        ASSERT_EQ(file.size(), 13 + 3 * (11 + datasize + 4));
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 13), (Bytes{'F', 'L', 'V', 1, 1, 0, 0, 0, 9, 0, 0, 0, 0}));
        const auto pics = swfb::flvpictures(file);
        ASSERT_EQ(pics.size(), 3u);
        for (uint32_t i = 0; i < 3; ++i)
            EXPECT_EQ(std::tuple(pics[i].timestamp, pics[i].codec, pics[i].frametype, pics[i].data),
                      std::tuple(i * 50, int(codec), 1, frame(1000, uint8_t(i))));
    }

    // What is not a whole stream is refused.
    Tflvfile f;
    EXPECT_FALSE(f.loadfromfile(dir.file("absent.flv").c_str()));
    swfb::writefile(dir.file("short.flv"), Bytes{'F', 'L', 'V', 1});
    EXPECT_FALSE(f.loadfromfile(dir.file("short.flv").c_str()));
    swfb::writefile(dir.file("riff.flv"), Bytes{'R', 'I', 'F', 'F', 1, 1, 0, 0, 0, 9, 0, 0, 0, 0});
    EXPECT_FALSE(f.loadfromfile(dir.file("riff.flv").c_str()));
    EXPECT_EQ(f.size(), 0u);

    // A header that says the tags begin later than byte 9.
    Bytes longhead{'F', 'L', 'V', 1, 1, 0, 0, 0, 12, 7, 7, 7, 0, 0, 0, 0};
    const Bytes one = rawtag(9, {0x12, 0xAA});
    longhead.insert(longhead.end(), one.begin(), one.end());
    swfb::writefile(dir.file("long.flv"), longhead);
    ASSERT_TRUE(f.loadfromfile(dir.file("long.flv").c_str()));
    std::vector<Tflvvideo> v;
    ASSERT_TRUE(f.videotags(v));
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].codec, 2);
    EXPECT_EQ(f.tagdata[v[0].offset], 0xAA);

    // Ending inside the tag, without a flags byte, VP6 without its adjustment byte, encrypted.
    Bytes b = rawtag(9, {0x12, 1, 2, 3});
    for (const Bytes& bad :
         {Bytes(b.begin(), b.end() - 6), rawtag(9, {}), rawtag(9, {0x14}), rawtag(9 | 32, {0x12, 1})}) {
        settags(f, bad);
        EXPECT_FALSE(f.videotags(v)) << bad.size();
    }

    // Audio, script data and command frames are no pictures; the last back pointer may be missing.
    b = rawtag(8, {0x2F, 1, 2});
    const Bytes script = rawtag(18, {2, 0, 1, 'x'});
    const Bytes command = rawtag(9, {0x52, 0});
    const Bytes vp6 = rawtag(9, {0x14, 0x00, 9, 9});
    b.insert(b.end(), script.begin(), script.end());
    b.insert(b.end(), command.begin(), command.end());
    b.insert(b.end(), vp6.begin(), vp6.end() - 4);
    settags(f, b);
    ASSERT_TRUE(f.videotags(v));
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].codec, 4);
    EXPECT_EQ(v[0].size, 2u) << "the adjustment byte is not frame data";
}
