// The SWF ADPCM decoder: known answers, packet headers and short data.
#include "core/pascal_com.h"
#include "media/adpcm.h"
#include "support/soundbuilder.h"
#include "support/swfbuilder.h"

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

// Code size 5, header (0, index 0), then +1 and -1 index steps in turn: every
// entry of the step table is used once, at full weight.
Bytes stepsweep() {
    swfb::Writer w;
    w.ub(2, 3).sb(16, 0).ub(6, 0);
    for (int i = 0; i < 89; ++i) w.ub(5, i % 2 ? 24 : 8);
    return w.take();
}

}  // namespace

// Expected samples from an independent decoder written from the IMA tables,
// checked against ffmpeg's adpcm_swf decoder.
TEST(Adpcm, KnownAnswersAndShortData) {
    struct Case {
        const char* name;
        int stereo;
        Bytes data;
        Samples expect;
    };
    const Case cases[] = {
        {"2-bit mono", 0, {0x3F, 0xB5, 0x14, 0x5C, 0x93, 0xD0},
         {-300, -225, -135, -244, -200, -240, -131, -87, -207, -352, -175, -104, -39}},
        {"3-bit stereo", 1, {0x40, 0xFA, 0x0A, 0xF8, 0x30, 0xA1, 0xC7, 0xC5, 0xE5, 0x6C, 0x8B, 0x80},
         {1000, -2000, 1032, -2084, 1081, -2620, 1091, -2956, 1027, -2650, 1095, -3113, 1013, -2552, 1073, -1600,
          1055, -1401}},
        {"4-bit mono, clamped both ways", 0, {0x9F, 0x40, 0x3C, 0x77, 0x7F, 0xFF, 0xFF, 0xF0, 0x3C, 0x50},
         {32000, 32767, 32767, 32767, -9204, -32768, -32768, -32768, -32768, -32768, -28673, -2604, -32768, 12285,
          16380}},
        {"5-bit, every step size", 0, stepsweep(),
         {0,     7,     -1,    8,     -2,    9,     -3,     10,    -4,     13,    -5,     15,    -7,     17,
          -9,    20,    -12,   24,    -15,   28,    -19,    34,    -24,    39,    -31,    46,    -39,    54,
          -49,   64,    -61,   77,    -74,   92,    -91,    110,   -112,   132,   -136,   160,   -166,   192,
          -202,  231,   -246,  278,   -300,  335,   -364,   405,   -440,   490,   -533,   593,   -645,   717,
          -782,  867,   -946,  1049,  -1146, 1268,  -1387,  1533,  -1680,  1854,  -2034,  2243,  -2461,  2714,
          -2978, 3284,  -3605, 3972,  -4363, 4806,  -5280,  5814,  -6390,  7034,  -7733,  8511,  -9358,  10298,
          -11323, 12461, -13700, 15078, -16578, 18236}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decode(c.data, c.stereo, -1), c.expect);
        // The same through the PCM conversion, after what the array held.
        unsigned char* pcm = nullptr;
        pascal_com::setlength(pcm, 1, 2);
        const uint32_t frames = uint32_t(c.expect.size()) / uint32_t(c.stereo + 1);
        EXPECT_EQ(adpcmtopcm(c.data.data(), uint32_t(c.data.size()), c.stereo, -1, pcm), frames);
        ASSERT_EQ(pascal_com::length(pcm), 2 + 2 * c.expect.size());
        for (size_t i = 0; i < c.expect.size(); ++i)
            ASSERT_EQ(int16_t(pcm[2 + 2 * i] | pcm[3 + 2 * i] << 8), c.expect[i]) << i;
        pascal_com::setlength(pcm, 1, 0);
    }

    // Short data decodes what is there and no more.
    const Bytes full = swfb::adpcmencode(swfb::tone(5000, 22050, 500, 1), 1, 3);
    const Samples whole = decode(full, 0, 5000);
    ASSERT_EQ(whole.size(), 5000u);
    // Mono 3-bit: 2 bits of code size, a 22-bit header, 3 bits a frame.
    const struct {
        size_t bytes;
        size_t frames;
    } cuts[] = {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 3}, {100, 259}, {1538, 4094}, {1541, 4096}, {1542, 4098}};
    for (const auto& cut : cuts) {
        SCOPED_TRACE("bytes " + std::to_string(cut.bytes));
        // A copy of exactly that many bytes, so that a read past it is caught.
        const Samples out = decode(Bytes(full.begin(), full.begin() + long(cut.bytes)), 0, 5000);
        ASSERT_EQ(out.size(), cut.frames);
        EXPECT_TRUE(std::equal(out.begin(), out.end(), whole.begin()));
    }
    EXPECT_EQ(decode(full, 0, 1 << 20).size(), 5000u);
    EXPECT_EQ(decode(full, 0, 7).size(), 7u);
    CAdpcmDecomp d;
    d.Setup(0, full.data(), uint32_t(full.size()));
    Samples small(10);
    EXPECT_EQ(d.Decompress(small.data(), -1, long(small.size())), 10);
}
