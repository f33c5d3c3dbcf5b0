// The MP3 frame walker and the dealing of re-encoded frames over stream blocks.
#include <array>

#include "media/mp3frames.h"
#include "media/soundstream.h"
#include "soundtest.h"

using namespace soundtest;

namespace {

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

Tmp3enc_dec walk(const Bytes& b) {
    Tmp3enc_dec w;
    w.loadfrombuf(b.data(), uint32_t(b.size()));
    return w;
}

// Frames dealt to each of `blocks` blocks of a stream re-encoded as `frames`.
std::vector<int> deal(int blocks, const std::vector<Bytes>& frames, uint32_t samplesperframe) {
    auto head = parse<Tswftag_soundstream>(swfb::streamhead(45, 2, 3, 0, 1152));
    Bytes all;
    for (const Bytes& f : frames) all.insert(all.end(), f.begin(), f.end());
    bytearrayappendraw(head->streamdata, all.data(), all.size());
    head->StreamSoundCompression = 2;
    head->blockcount = blocks;
    head->totalsamples = uint32_t(frames.size()) * samplesperframe;
    head->reencoded = 1;
    swfb::write(*head);
    std::vector<int> counts;
    uint32_t samples = 0, bytes = 0;
    for (int i = 0; i < blocks; ++i) {
        unsigned char* out = nullptr;
        EXPECT_TRUE(head->getblock(out));
        const uint32_t n = pascal_com::length(out);
        EXPECT_GE(n, 4u);
        const uint32_t count = out[0] | out[1] << 8;
        EXPECT_EQ(out[2] | out[3] << 8, 0) << "SeekSamples";
        EXPECT_EQ(count % samplesperframe, 0u);
        counts.push_back(int(count / samplesperframe));
        samples += count;
        bytes += n - 4;
        pascal_com::setlength(out, 1, 0);
    }
    EXPECT_EQ(samples, head->totalsamples) << "every frame dealt out";
    EXPECT_EQ(bytes, all.size());
    return counts;
}

}  // namespace

TEST(Mp3Frames, WalksLayerThreeOfEveryVersion) {
    // MPEG-1 128 kbit/s at 44100 Hz: 417 bytes, 418 with padding, 1152 samples.
    const Bytes m1 = cat({swfb::mp3frame(1, 9, 0, false, false), swfb::mp3frame(1, 9, 0, true, false)});
    ASSERT_EQ(m1.size(), 417u + 418u);
    Tmp3enc_dec w = walk(m1);
    EXPECT_EQ((std::array{w.framecount, w.totalsamples, w.samplingrate}), (std::array{2u, 2304u, 44100u}));
    EXPECT_EQ((std::array{int(w.last.version), int(w.last.channelmode)}), (std::array{1, 0}));
    EXPECT_EQ(w.mp3data.size(), m1.size());

    // MPEG-2 40 kbit/s at 22050 Hz: 40 x 72000 / 22050 = 130 bytes, 576 samples.
    const Bytes m2 = cat({swfb::mp3frame(2, 5, 0, true, true), swfb::mp3frame(2, 5, 0, false, true),
                          swfb::mp3frame(2, 5, 0, false, true)});
    ASSERT_EQ(m2.size(), 131u + 130u + 130u);
    w = walk(m2);
    EXPECT_EQ((std::array{w.framecount, w.totalsamples, w.samplingrate}), (std::array{3u, 3u * 576, 22050u}));
    EXPECT_EQ(w.last.channelmode, 3);
    EXPECT_DOUBLE_EQ(w.seconds(), 3 * 576 / 22050.0);

    // MPEG-2.5 16 kbit/s at 11025 Hz and at 8000 Hz.
    w = walk(cat({swfb::mp3frame(25, 2, 0, false, true), swfb::mp3frame(25, 2, 2, false, true)}));
    EXPECT_EQ(w.framecount, 2u);
    EXPECT_EQ(w.mp3data.size(), 104u + 144u);
    EXPECT_EQ(w.samplingrate, 8000u);
    EXPECT_TRUE(w.mixed) << "two rates in one file";
    EXPECT_FALSE(walk(m2).mixed);
}

TEST(Mp3Frames, SkipsId3TagsStopsAtWhatIsNoFrameAndKeepsWholeFrames) {
    const Bytes f = swfb::mp3frame(2, 5, 0, false, true);  // 130 bytes, 576 samples
    Tmp3enc_dec w = walk(cat({f, swfb::id3tag(20), f, f, f}));
    ASSERT_EQ(w.framecount, 4u);
    w.keepsamples(577);  // one sample into the second frame keeps it whole
    EXPECT_EQ((std::array{w.framecount, w.totalsamples, uint32_t(w.mp3data.size())}), (std::array{2u, 1152u, 290u}))
        << "130 bytes of the first frame, 30 of the ID3 tag, 130 of the second";
    w.keepsamples(5000);  // more than there is: unchanged
    EXPECT_EQ(w.framecount, 2u);
    w.keepsamples(0);
    EXPECT_EQ(w.framecount, 2u);

    uint32_t v = 0x7F7F7F7F;  // synchsafe: seven bits a byte
    Tmp3enc_dec::mp3sizeconvert(v);
    EXPECT_EQ(v, (1u << 28) - 1);
    w = walk(cat({swfb::id3tag(300), swfb::id3tag(5, true), f, f}));
    EXPECT_EQ(w.framecount, 2u);
    EXPECT_EQ(w.id3bytes, 310u + 15u);
    EXPECT_EQ(w.mp3data, cat({f, f})) << "the kept data starts at the first frame";

    // Trailing bytes, a frame cut short, and reserved or free header fields end the walk.
    const Bytes tail = {'T', 'A', 'G', 0, 0, 0};
    EXPECT_EQ(walk(cat({f, f, tail})).mp3data, cat({f, f}));
    EXPECT_EQ(walk(cat({f, Bytes(f.begin(), f.end() - 1)})).framecount, 1u);
    Bytes reserved = f;
    reserved[1] = uint8_t((reserved[1] & ~0x18) | 0x08);  // version field 1
    EXPECT_EQ(walk(cat({f, reserved, f})).framecount, 1u);
    EXPECT_EQ(walk(cat({f, swfb::mp3frame(2, 15, 0, false, true)})).framecount, 1u);
    EXPECT_EQ(walk(cat({f, swfb::mp3header(2, 0, 0, false, true), f})).framecount, 1u);
    Bytes rate3 = f;
    rate3[2] |= 0x0C;
    EXPECT_EQ(walk(rate3).framecount, 0u);
    EXPECT_EQ(walk({}).framecount, 0u);
    // An ID3 tag claiming more than there is ends the data.
    EXPECT_EQ(walk(cat({swfb::id3tag(2), {'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F}})).framecount, 0u);
}

TEST(Mp3Frames, DealsFramesOverBlocksAsTheRunningShareSays) {
    const Bytes f1 = swfb::mp3frame(1, 1, 0, false, true);
    // 20 frames over 10 blocks: the seventh target (7 / 10 x 23040 in doubles
    // lies just below 16128) takes one frame, the eighth makes up for it.
    EXPECT_EQ(deal(10, std::vector<Bytes>(20, f1), 1152), (std::vector<int>{2, 2, 2, 2, 2, 2, 1, 3, 2, 2}));
    EXPECT_EQ(deal(10, std::vector<Bytes>(5, f1), 1152), (std::vector<int>{0, 1, 1, 0, 0, 1, 0, 1, 1, 0}));
    // MPEG-2 frames are cut in steps of 576; the last block takes all that is left.
    const Bytes f2 = swfb::mp3frame(2, 2, 0, false, true);
    const std::vector<int> counts = deal(7, std::vector<Bytes>(23, f2), 576);
    int sum = 0;
    for (int c : counts) sum += c;
    EXPECT_EQ(sum, 23);
    EXPECT_GE(counts.back(), 1);
    // More blocks than frames: every frame still goes out, once.
    deal(30, std::vector<Bytes>(3, f1), 1152);
}

TEST(Mp3Frames, LameTagDelayIsReadOnlyFromATaggedFirstFrame) {
    EXPECT_EQ(mp3lamedelay(nullptr, 0), -1);
    const Bytes silent = swfb::mp3frame(1, 9, 0, false, false);
    EXPECT_EQ(mp3lamedelay(silent.data(), uint32_t(silent.size())), -1);
    if (!swfb::havelame()) GTEST_SKIP() << "lame is not installed";
    for (const char* mode : {"-mm", "-ms"}) {
        const Bytes tagged = swfb::lamemp3(swfb::tone(4410, 22050, 440, 2), 2, 22050, {"-b", "64", mode});
        ASSERT_FALSE(tagged.empty());
        EXPECT_EQ(mp3lamedelay(tagged.data(), uint32_t(tagged.size())), 576) << mode;
        // Cut inside the tag: no delay is read past the data.
        EXPECT_EQ(mp3lamedelay(tagged.data(), 40), -1) << mode;
        const Bytes plain = swfb::lamemp3(swfb::tone(4410, 22050, 440, 2), 2, 22050, {"-b", "64", mode, "-t"});
        EXPECT_EQ(mp3lamedelay(plain.data(), uint32_t(plain.size())), -1) << mode;
    }
}
