// Event and stream sounds of whole movies re-encoded by the real encoder.
#include <array>
#include <cmath>
#include <numeric>

#include "media/mp3frames.h"
#include "media/soundencode.h"
#include "media/soundstream.h"
#include "soundtest.h"
#include "support/videobuilder.h"

using namespace soundtest;

namespace {

Tmp3enc_dec walk(const Bytes& b, size_t from = 0) {
    Tmp3enc_dec w;
    if (b.size() > from) w.loadfrombuf(b.data() + from, uint32_t(b.size() - from));
    return w;
}

// An ADPCM stream after its head: one block of `perframe` sample frames per SWF frame.
std::vector<Bytes> adpcmstream(const Bytes& head, const swfb::Samples& s, int channels, int perframe) {
    std::vector<Bytes> tags = {head};
    const size_t frames = s.size() / channels;
    for (size_t at = 0; at < frames; at += size_t(perframe)) {
        const size_t end = std::min(frames, at + size_t(perframe));
        swfb::Samples part(s.begin() + long(at * channels), s.begin() + long(end * channels));
        tags.push_back(swfb::streamblock(swfb::adpcmencode(part, channels, 4)));
        tags.push_back(swfb::showframe());
    }
    return tags;
}

// Sample counts of the blocks of a re-encoded stream, each checked to hold
// exactly the whole frames it declares.
std::vector<uint32_t> blocksamples(const std::vector<const swfb::SoundTag*>& blocks) {
    std::vector<uint32_t> v;
    for (const swfb::SoundTag* b : blocks) {
        EXPECT_GE(b->data.size(), 4u);
        if (b->data.size() < 4) continue;
        const uint32_t count = b->data[0] | b->data[1] << 8;
        const Tmp3enc_dec w = walk(b->data, 4);
        EXPECT_EQ(w.totalsamples, count);
        EXPECT_EQ(w.mp3data.size(), b->data.size() - 4) << "whole frames only";
        v.push_back(count);
    }
    return v;
}

}  // namespace

TEST(SoundMovie, AdpcmEventSoundBecomesMp3AtADeclarableRateOfTheLengthDeclared) {
    NEED_LAME();
    const swfb::Movie m = swfb::adpcmmovie(11025);
    // Level 2 asks for 16 kHz, which only 22050 Hz can declare; stereo kept.
    const Soundrun r = runsound(m, soundparams(2, false));
    const swfb::SoundTag* t = r.find(14);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ((std::array{t->format, t->rate, t->size, t->type}), (std::array{2, 2, 1, 1}));
    EXPECT_EQ(t->data[0] | t->data[1] << 8, CClamedelay) << "the encoder's delay is skipped";
    EXPECT_EQ(t->count, 11025u) << "the original's length";
    const Tmp3enc_dec w = walk(t->data, 2);
    EXPECT_EQ(w.samplingrate, 22050u);
    EXPECT_EQ(w.last.version, 2);
    EXPECT_NE(w.last.channelmode, 3);
    EXPECT_EQ(w.mp3data.size() + 2, t->data.size());
    // Frames up to the declared end and no further.
    EXPECT_GE(w.totalsamples, CClamedelay + t->count);
    EXPECT_LT(w.totalsamples, CClamedelay + t->count + 576);
    EXPECT_TRUE(r.leftover.empty());

    // Data shorter than its header claims (0.1 s of 1 s): what is there is encoded, the second claimed declared.
    Bytes adpcm = swfb::adpcmencode(swfb::tone(22050, 22050, 440, 1), 1, 4);
    adpcm.resize(adpcm.size() / 10);
    const Soundrun cut =
        runsound({.tags = {swfb::definesound(1, 1, 2, 1, 0, 22050, adpcm), swfb::showframe()}}, soundparams(3));
    ASSERT_NE(cut.find(14), nullptr);
    ASSERT_EQ(cut.find(14)->format, 2);
    EXPECT_EQ(cut.find(14)->count, 11025u);
    const double secs = walk(cut.find(14)->data, 2).seconds();
    EXPECT_GT(secs, 0.09);
    EXPECT_LT(secs, 0.1 + 0.2) << "not padded out to the claimed second";
}

// A click in a quiet tone, re-encoded: once a player has skipped SeekSamples
// the click sounds where it did, and the declared length is the original's.
TEST(SoundMovie, ReencodedEventSoundsKeepTheirTiming) {
    NEED_LAME();
    if (!swfb::havetranscoder()) GTEST_SKIP() << "no ffmpeg to decode with";
    struct Case {
        int rate;
        bool mp3, tagged;  // tagged: the MP3 begins with lame's LAME tag frame
        int level;
    } cases[] = {{22050, false, false, 2}, {44100, false, false, 3}, {44100, true, false, 3}, {22050, true, false, 2},
                 {44100, true, true, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate) + (c.mp3 ? c.tagged ? " Hz tagged MP3" : " Hz MP3" : " Hz ADPCM") +
                     ", level " + std::to_string(c.level));
        const int n = c.rate * 16 / 100, click = c.rate / 20;
        swfb::Samples s = swfb::tone(n, c.rate, 300, 1, 1500);
        for (int i = -c.rate / 500; i <= c.rate / 500; ++i) {
            const double t = double(i) / c.rate;
            s[size_t(click + i)] = int16_t(s[size_t(click + i)] + 28000 * std::exp(-t * t / 6.4e-7) * std::cos(9425 * t));
        }
        Bytes data;
        if (c.mp3) {
            // As a player gets it: SeekSamples skips the first encoder's delay,
            // or the tag tells a player that reads it (ffmpeg does) what to skip.
            const int seek = c.tagged ? 0 : CClamedelay;
            data = {uint8_t(seek & 255), uint8_t(seek >> 8)};
            const Bytes mp3 = swfb::lamemp3(s, 1, c.rate, c.tagged ? Args{"-b", "128"} : Args{"-b", "128", "-t"});
            data.insert(data.end(), mp3.begin(), mp3.end());
            const swfb::Samples played = swfb::ffmpegdecode(mp3);
            ASSERT_GT(played.size(), size_t(seek));
            ASSERT_NEAR(double(swfb::loudest(played)) - seek, click, 2) << "the original's own timing";
        } else {
            data = swfb::adpcmencode(s, 1, 4);
        }
        const Bytes sound = swfb::definesound(1, c.mp3 ? 2 : 1, c.rate == 22050 ? 2 : 3, 1, 0, uint32_t(n), data);
        const Soundrun r = runsound({.tags = {sound, swfb::showframe()}}, soundparams(c.level));
        const swfb::SoundTag* t = r.find(14);
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->format, 2);
        const double newrate = t->rate == 1 ? 11025 : 22050, scale = newrate / c.rate;
        EXPECT_EQ(t->count, uint32_t(std::lround(n * scale)));
        const size_t seek = size_t(t->data[0] | t->data[1] << 8);
        const swfb::Samples out = swfb::ffmpegdecode(Bytes(t->data.begin() + 2, t->data.end()));
        ASSERT_GE(out.size(), seek + t->count) << "the data holds the declared length";
        const double lagms = (double(swfb::loudest(swfb::Samples(out.begin() + long(seek), out.end()))) - click * scale) / newrate * 1000;
        EXPECT_LE(std::fabs(lagms), 5.0);
    }
}

TEST(SoundMovie, OtherFormatsAndSkippedSoundsPassThrough) {
    NEED_LAME();
    const swfb::Samples s = swfb::tone(2000, 11025, 440, 1);
    Bytes pcm;
    for (int16_t v : s) pcm.insert(pcm.end(), {uint8_t(v), uint8_t(uint16_t(v) >> 8)});
    const Bytes adpcm = swfb::adpcmencode(s, 1, 3);
    const swfb::Movie m{.tags = {swfb::definesound(1, 3, 1, 1, 0, 2000, pcm),
                                 swfb::definesound(2, 0, 1, 1, 0, 2000, pcm),
                                 swfb::definesound(3, 6, 1, 1, 0, 2000, Bytes(300, 7)),
                                 swfb::definesound(4, 1, 1, 1, 0, 2000, adpcm), swfb::streamhead(18, 3, 1, 0, 200),
                                 swfb::streamblock(Bytes(400, 1)), swfb::showframe()}};
    Soundrun r = runsound(m, soundparams(3));
    ASSERT_EQ(r.all(14).size(), 4u);
    for (size_t i = 0; i < 3; ++i) {
        const Bytes b = body(m.tags[i]);
        EXPECT_EQ(r.all(14)[i]->data, Bytes(b.begin() + 7, b.end())) << "sound " << i + 1;
    }
    EXPECT_EQ(r.all(14)[3]->format, 2) << "the ADPCM sound next to them is re-encoded";
    EXPECT_EQ(r.find(18)->data, body(m.tags[4]));
    EXPECT_EQ(r.find(19)->data, Bytes(400, 1));

    Tparams skip = soundparams(3);
    skip.Skip_Sound = 1;
    r = runsound(m, skip);
    EXPECT_EQ(r.all(14)[3]->format, 1);
}

TEST(SoundMovie, Mp3EventSoundKeepsItsTimingAndIsTakenOnlyWhenSmaller) {
    NEED_LAME();
    const Bytes mp3 = swfb::lamemp3(swfb::tone(22050, 44100, 330, 2), 2, 44100, {"-b", "128", "-t"});
    ASSERT_FALSE(mp3.empty());
    Bytes data = {0x40, 0x02};  // SeekSamples 576
    data.insert(data.end(), mp3.begin(), mp3.end());
    const swfb::Movie m{.tags = {swfb::definesound(5, 2, 3, 1, 1, 22050, data), swfb::showframe()}};
    Soundrun r = runsound(m, soundparams(3));
    const swfb::SoundTag* t = r.find(14);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->rate, 1);
    // The encoder drops a decoder's delay from its MP3 input and adds its own.
    EXPECT_EQ(t->data[0] | t->data[1] << 8, 1117) << CClamedelay << " + (576 - " << CClamemp3skip << ") / 4, rounded";
    EXPECT_EQ(t->count, 5513u) << "22050 samples at a quarter of the rate";
    EXPECT_LT(t->data.size(), data.size());

    // At 44.1 kHz and 256 kbit/s the sound would grow: it stays as read.
    r = runsound(m, soundparams(0, false));
    ASSERT_NE(r.find(14), nullptr);
    EXPECT_EQ(r.find(14)->data, data);
    EXPECT_EQ(r.find(14)->count, 22050u);
}

TEST(SoundMovie, AdpcmStreamIsDealtBackOverTheSameBlocks) {
    NEED_LAME();
    // 2 s at 22050 Hz, stereo, 12 frames a second: 24 blocks of 1838 samples.
    const swfb::Samples s = swfb::tone(44100, 22050, 440, 2);
    const swfb::Movie m{
        .framerate = 12 << 8, .frames = 24, .tags = adpcmstream(swfb::streamhead(18, 1, 2, 1, 1838), s, 2, 1838)};
    Soundrun r = runsound(m, soundparams(3));
    const swfb::SoundTag* head = r.find(18);
    ASSERT_NE(head, nullptr);
    EXPECT_EQ((std::array{head->format, head->rate, head->type}), (std::array{2, 1, 0}));
    EXPECT_EQ(head->data.size(), 6u) << "LatencySeek added";
    const auto blocks = r.all(19);
    ASSERT_EQ(blocks.size(), 24u);
    const std::vector<uint32_t> counts = blocksamples(blocks);
    const uint32_t total = std::accumulate(counts.begin(), counts.end(), 0u);
    EXPECT_EQ(head->count, total / 24);
    // Two seconds within one frame, whatever the encoder's delay and padding.
    EXPECT_GE(total, 2u * 11025);
    EXPECT_LT(total, 2u * 11025 + 576);
    // The running total keeps to its share of the whole within a frame.
    uint32_t running = 0;
    for (size_t k = 0; k < counts.size(); ++k) {
        running += counts[k];
        EXPECT_LE(std::fabs(running - double(k + 1) / 24 * total), 576.0) << "block " << k;
    }
    EXPECT_TRUE(r.leftover.empty());
}

TEST(SoundMovie, Mp3StreamIsReencodedOrKeptWholeWithAllItsBlocks) {
    NEED_LAME();
    const Bytes mp3 = swfb::lamemp3(swfb::tone(22050, 22050, 440, 1), 1, 22050, {"-b", "64", "-t"});
    const std::vector<Bytes> frames = swfb::splitframes(mp3);
    ASSERT_GT(frames.size(), 35u);
    // Two MPEG-2 frames (1152 samples) per block; the last block takes the rest.
    swfb::Movie m;
    m.tags = {swfb::streamhead(45, 2, 2, 0, 1152)};
    for (size_t i = 0; i < frames.size(); i += 2) {
        Bytes b;
        for (size_t k = i; k < std::min(frames.size(), i + 2); ++k) b.insert(b.end(), frames[k].begin(), frames[k].end());
        m.tags.push_back(swfb::streamblock(swfb::mp3block(uint16_t(std::min<size_t>(2, frames.size() - i) * 576), b)));
        m.tags.push_back(swfb::showframe());
    }
    const size_t nblocks = (frames.size() + 1) / 2;
    m.frames = uint16_t(nblocks);

    Soundrun r = runsound(m, soundparams(3));
    ASSERT_EQ(r.all(19).size(), nblocks);
    EXPECT_EQ(r.find(45)->rate, 1);
    const std::vector<uint32_t> counts = blocksamples(r.all(19));
    const uint32_t total = std::accumulate(counts.begin(), counts.end(), 0u);
    // As long as the original within one frame (half the samples at half the rate).
    const uint32_t original = uint32_t(frames.size()) * 576;
    EXPECT_GE(total, original / 2);
    EXPECT_LT(total, original / 2 + 576);

    // Level 0 would make it larger: head and every block stay exactly as read.
    r = runsound(m, soundparams(0, false));
    ASSERT_EQ(r.all(19).size(), nblocks);
    EXPECT_EQ(r.find(45)->data, body(m.tags[0]));
    for (size_t i = 0; i < nblocks; ++i) EXPECT_EQ(r.all(19)[i]->data, body(m.tags[1 + 2 * i]));
}

TEST(SoundMovie, BlocksGoToTheHeadOfTheirOwnTimeline) {
    NEED_LAME();
    const swfb::Samples s = swfb::tone(22050, 11025, 440, 1);
    // Root: a PCM stream, which passes through; sprite 7: an ADPCM stream; sprite 8: blocks without a head.
    std::vector<Bytes> inner = adpcmstream(swfb::streamhead(45, 1, 1, 0, 1103), s, 1, 1103);
    const size_t spriteblocks = (inner.size() - 1) / 2;
    const Bytes orphan = swfb::streamblock(swfb::adpcmencode(swfb::tone(500, 11025, 300, 1), 1, 4));
    const swfb::Movie m{.tags = {swfb::streamhead(18, 3, 1, 0, 100), swfb::streamblock(Bytes(200, 3)),
                                 swfb::sprite(7, uint16_t(spriteblocks), inner), swfb::streamblock(Bytes(200, 4)),
                                 swfb::sprite(8, 1, {orphan, swfb::showframe()}), swfb::showframe()}};
    Soundrun r = runsound(m, soundparams(3));
    const auto blocks = r.all(19);
    ASSERT_EQ(blocks.size(), 2 + spriteblocks + 1);
    EXPECT_EQ(blocks[0]->data, Bytes(200, 3));
    EXPECT_EQ(r.find(45)->format, 2) << "the sprite's stream is re-encoded";
    for (size_t i = 0; i < spriteblocks; ++i) EXPECT_EQ(blocks[1 + i]->depth, 1);
    blocksamples({blocks.begin() + 1, blocks.begin() + 1 + long(spriteblocks)});
    EXPECT_EQ(blocks[1 + spriteblocks]->data, Bytes(200, 4)) << "the root's block after the sprite";
    EXPECT_EQ(blocks.back()->data, body(orphan)) << "a block without a head of its own";
}

TEST(SoundMovie, AdpcmBlocksYieldTheirSamplesNotTheirPadding) {
    // 2-bit mono: 1000 samples take 2022 bits, so two bits of padding could
    // read as one more sample; 1001 samples fill the bytes exactly.
    auto head = parse<Tswftag_soundstream>(swfb::streamhead(18, 1, 1, 0, 1000));
    const Bytes block = swfb::adpcmencode(swfb::tone(1000, 11025, 440, 1), 1, 2);
    ASSERT_EQ(block.size(), 253u);
    head->addblock(block.data(), uint32_t(block.size()));
    EXPECT_EQ(head->pcmframes, 1000u);
    // A block that really holds more than the head says keeps all of it.
    const Bytes longer = swfb::adpcmencode(swfb::tone(1501, 11025, 440, 1), 1, 2);
    head->addblock(longer.data(), uint32_t(longer.size()));
    EXPECT_EQ(head->pcmframes, 2501u);
    EXPECT_EQ(pascal_com::length(head->streamdata), 2501u * 2);
    EXPECT_EQ(head->blockcount, 2);
}
