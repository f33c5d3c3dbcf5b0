// The SWF ADPCM decoder against the encoder of the test support code.
#include <cmath>

#include "core/pascal_com.h"
#include "media/adpcm.h"
#include "support/soundbuilder.h"

namespace {

using swfb::Bytes;
using swfb::Samples;

Samples decode(const Bytes& data, int stereo, long frames) {
    CAdpcmDecomp d;
    d.Setup(stereo, data.data(), uint32_t(data.size()));
    const size_t room = frames >= 0 ? size_t(frames) : data.size() * 4 + 8;
    Samples out(room * (stereo + 1) + 8, 0x5555);
    out.resize(size_t(d.Decompress(out.data(), frames, long(out.size()))));
    return out;
}

// Mono 3-bit sample frames that fit in n bytes.
long framesin(size_t n) {
    long left = long(n) * 8 - 2, frames = 0;
    for (;;) {
        const long need = frames % 4096 == 0 ? 22 : 3;
        if (left < need) return frames;
        left -= need;
        ++frames;
    }
}

double rmserror(const Samples& a, const Samples& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += double(a[i] - b[i]) * (a[i] - b[i]);
    return std::sqrt(sum / double(a.size()));
}

}  // namespace

TEST(Adpcm, DecodesEveryCodeSizeMonoAndStereo) {
    for (int channels = 1; channels <= 2; ++channels) {
        double previous = 1e9;
        for (int bits = 2; bits <= 5; ++bits) {
            SCOPED_TRACE("bits " + std::to_string(bits) + ", channels " + std::to_string(channels));
            // Past two packets, so the third header is read too.
            const int frames = 2 * 4096 + 300;
            const Samples in = swfb::tone(frames, 22050, 440, channels);
            const Samples out = decode(swfb::adpcmencode(in, channels, bits), channels - 1, frames);
            ASSERT_EQ(out.size(), in.size());
            const double err = rmserror(in, out);
            // Each extra bit of code must track the signal more closely.
            EXPECT_LT(err, previous);
            EXPECT_LT(err, bits == 2 ? 4000 : 1500);
            previous = err;
        }
    }
}

TEST(Adpcm, PacketHeadersGiveTheirSampleExactlyAndSizesAddUp) {
    const int frames = 4096 + 5;
    Samples in = swfb::tone(frames, 11025, 300, 2);
    in[0] = -12345;
    in[1] = 23456;
    in[2 * 4096] = 32767;
    in[2 * 4096 + 1] = -32768;
    const Bytes data = swfb::adpcmencode(in, 2, 4);
    // Code size, two headers of 22 bits per channel, then 4-bit codes.
    EXPECT_EQ(data.size(), size_t((2 + 2 * 2 * 22 + 2 * (frames - 2) * 4 + 7) / 8));
    const Samples out = decode(data, 1, frames);
    ASSERT_EQ(out.size(), in.size());
    EXPECT_EQ(out[0], -12345);
    EXPECT_EQ(out[1], 23456);
    EXPECT_EQ(out[2 * 4096], 32767);
    EXPECT_EQ(out[2 * 4096 + 1], -32768);

    // Mono 4096 frames: one header, then 4095 codes.
    const Bytes mono = swfb::adpcmencode(swfb::tone(4096, 11025, 300, 1), 1, 4);
    EXPECT_EQ(mono.size(), size_t((2 + 22 + 4095 * 4 + 7) / 8));
    EXPECT_EQ(decode(mono, 0, -1).size(), 4096u);
}

TEST(Adpcm, ShortDataDecodesWhatIsThereAndNoMore) {
    const int frames = 5000;
    const Samples in = swfb::tone(frames, 22050, 500, 1);
    const Bytes full = swfb::adpcmencode(in, 1, 3);
    for (size_t cut : {size_t(0), size_t(1), size_t(2), size_t(3), size_t(100), full.size() / 2, full.size() - 1}) {
        SCOPED_TRACE("bytes " + std::to_string(cut));
        // A copy of exactly cut bytes, so that a read past it is caught.
        const Bytes part(full.begin(), full.begin() + long(cut));
        const Samples out = decode(part, 0, frames);
        // Only sample frames whose bits are all there.
        EXPECT_EQ(long(out.size()), framesin(cut));
        const Samples whole = decode(full, 0, frames);
        for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], whole[i]) << i;
    }
    // A count beyond the data stops at the data; a small count stops at the count.
    EXPECT_EQ(decode(full, 0, 1 << 20).size(), size_t(frames));
    EXPECT_EQ(decode(full, 0, 7).size(), 7u);
    // The output buffer is a bound of its own.
    CAdpcmDecomp d;
    d.Setup(0, full.data(), uint32_t(full.size()));
    Samples small(10);
    EXPECT_EQ(d.Decompress(small.data(), -1, long(small.size())), 10);
}

TEST(Adpcm, PcmConversionAppendsLittleEndianSamples) {
    const Samples in = swfb::tone(300, 11025, 700, 2);
    const Bytes data = swfb::adpcmencode(in, 2, 5);
    unsigned char* pcm = nullptr;
    pascal_com::setlength(pcm, 1, 2);  // earlier content stays in front
    EXPECT_EQ(adpcmtopcm(data.data(), uint32_t(data.size()), 1, 1000, pcm), 300u);
    ASSERT_EQ(pascal_com::length(pcm), 2u + 300 * 2 * 2);
    const Samples expect = decode(data, 1, 300);
    for (size_t i = 0; i < expect.size(); ++i)
        ASSERT_EQ(int16_t(pcm[2 + 2 * i] | pcm[3 + 2 * i] << 8), expect[i]) << i;
    EXPECT_EQ(adpcmtopcm(data.data(), uint32_t(data.size()), 1, 10, pcm), 10u);
    pascal_com::setlength(pcm, 1, 0);
}
