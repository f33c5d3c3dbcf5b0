// Encoder arguments, when the encoder need not run, encoders that misbehave, and the timing of what it wrote.
#include "media/definesound.h"
#include "media/soundencode.h"
#include "soundtest.h"

using namespace soundtest;

namespace {

Args argsfor(int level, int khz = 0, int kbps = 0, int mono = 0, int encoding = 0) {
    const Tparams saved = CCparams;
    CCparams.Audio_e = encoding;
    CCparams.Audio_q = level;
    CCparams.Audio_s = khz;
    CCparams.Audio_b = kbps;
    CCparams.Audio_Mono = mono;
    Args a = getcmdparam_snd("/in dir/tmpsound.wav", "/in dir/tmpsoundout.mp3");
    CCparams = saved;
    return a;
}

// A stand-in for the encoder: shell commands, with $out the output path (the last argument).
std::string fakeencoder(const swfb::Scratchdir& dir, const std::string& script) {
    swfb::writescript(dir.file("fake lame"), "#!/bin/sh\nfor a; do out=\"$a\"; done\n" + script + "\n");
    return dir.file("fake lame");
}

}  // namespace

TEST(SoundEncode, ArgumentsByLevelWithRatesSwfCanDeclareAndNoRunWhereTheResultCannotBeSmaller) {
    const std::string in = "/in dir/tmpsound.wav", out = "/in dir/tmpsoundout.mp3";
    EXPECT_EQ(argsfor(0, 0, 0, 1), (Args{"--resample", "44.1", "-b", "256", "-mm", "-t", in, out}));
    // 32 and 16 kHz cannot be declared by SoundRate: the next rate up is asked for.
    EXPECT_EQ(argsfor(1), (Args{"--resample", "44.1", "-b", "128", "-t", in, out}));
    EXPECT_EQ(argsfor(2), (Args{"--resample", "22.05", "-b", "40", "-t", in, out}));
    EXPECT_EQ(argsfor(3), (Args{"--resample", "11.025", "-b", "16", "-t", in, out}));
    EXPECT_EQ(argsfor(4, 11, 16), (Args{"--resample", "11.025", "-b", "16", "-t", in, out}));
    EXPECT_EQ(argsfor(4, 23, 48, 1), (Args{"--resample", "44.1", "-b", "48", "-mm", "-t", in, out}));
    // VBR at the level's quality (a custom one from its bit rate), ABR at the bit rate.
    EXPECT_EQ(argsfor(0, 0, 0, 1, 1), (Args{"--resample", "44.1", "-V", "2", "-mm", "-t", in, out}));
    EXPECT_EQ(argsfor(3, 0, 0, 0, 1), (Args{"--resample", "11.025", "-V", "7", "-t", in, out}));
    EXPECT_EQ(argsfor(4, 22, 128, 0, 1), (Args{"--resample", "22.05", "-V", "4", "-t", in, out}));
    EXPECT_EQ(argsfor(4, 22, 8, 0, 1), (Args{"--resample", "22.05", "-V", "9", "-t", in, out}));
    EXPECT_EQ(argsfor(2, 0, 0, 0, 2), (Args{"--resample", "22.05", "--abr", "40", "-t", in, out}));
    EXPECT_EQ(argsfor(4, 12, 4, 0, 2), (Args{"--resample", "22.05", "--abr", "8", "-t", in, out}));
    // A custom setting without a rate or bitrate gives no run at all.
    EXPECT_TRUE(argsfor(4, 0, 16).empty());
    EXPECT_TRUE(argsfor(4, 11, 0).empty());
    // A relative name is never read as an option.
    const Args relative = getcmdparam_snd("-x/in.wav", "-");
    ASSERT_GE(relative.size(), 2u);
    EXPECT_EQ(Args(relative.end() - 2, relative.end()), (Args{"./-x/in.wav", "./-"}));

    // The encoder is not run for a sound at or below what its output would spend
    // at least: the bit rate at CBR, otherwise the frames' lowest.
    const Tparams saved = CCparams;
    const struct {
        int encoding, level, kbps;  // kbps of the sound as read
        bool run;
    } rows[] = {{0, 0, 256, false}, {0, 0, 257, true},  {0, 1, 128, false}, {0, 3, 17, true},
                {2, 0, 128, true},  {1, 0, 32, false},  {1, 0, 33, true},   {1, 3, 8, false}, {1, 3, 9, true}};
    for (const auto& r : rows) {
        CCparams.Audio_e = r.encoding;
        CCparams.Audio_q = r.level;
        EXPECT_EQ(soundcanshrink(uint64_t(r.kbps) * 1000 / 8 * 4, 4.0), r.run) << r.encoding << " " << r.kbps;
    }
    CCparams = saved;
}

TEST(SoundEncode, HangingFailingOrWrongEncodersKeepTheSoundAsRead) {
    swfb::Scratchdir dir("fakelame");
    const swfb::Movie longer = swfb::adpcmmovie(22050), shorter = swfb::adpcmmovie(2205);
    const int base = CCsoundtimeout_base_ms;
    struct Case {
        const char* what;
        std::string script;
        std::string note;
        bool longsound = false;  // the time limit grows with it
    };
    const std::string unusable = "sound 1 kept: lame wrote no usable output";
    std::vector<Case> cases = {
        {"hangs", "exec sleep 30", "sound 1 kept: lame timed out after 0.5 s"},
        {"fails after writing", "head -c 500 /dev/zero > \"$out\"; exit 1",
         "sound 1 kept: lame failed with exit status 1"},
        {"crashes", "kill -SEGV $$", "sound 1 kept: lame could not start or was killed by a signal"},
        {"writes no frames", "echo nothing > \"$out\"", unusable},
    };
    if (swfb::havelame()) {
        // Frames at 16000 Hz, which SoundRate cannot declare; and far too short a sound.
        const Bytes wrongrate = swfb::lamemp3(swfb::tone(8000, 16000, 440, 1), 1, 16000, {"-b", "8", "-t"});
        const Bytes tooshort = swfb::lamemp3(swfb::tone(1000, 11025, 440, 1), 1, 11025, {"-b", "8", "-t"});
        ASSERT_FALSE(wrongrate.empty());
        swfb::writefile(dir.file("wrongrate.mp3"), wrongrate);
        swfb::writefile(dir.file("short.mp3"), tooshort);
        cases.push_back({"16000 Hz", "cp '" + dir.file("wrongrate.mp3") + "' \"$out\"", unusable});
        cases.push_back({"too short", "cp '" + dir.file("short.mp3") + "' \"$out\"", unusable, true});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Only the hanging encoder should meet the limit; on a busy machine the
        // others need time to start.
        CCsoundtimeout_base_ms = c.note.find("timed out") != std::string::npos ? 300 : 20000;
        const swfb::Movie& m = c.longsound ? longer : shorter;
        const Bytes before = body(m.tags[0]);
        Soundrun r = runsound(m, soundparams(3), fakeencoder(dir, c.script));
        ASSERT_TRUE(r.written);
        ASSERT_NE(r.find(14), nullptr);
        EXPECT_EQ(r.find(14)->format, 1);
        EXPECT_EQ(r.find(14)->data, Bytes(before.begin() + 7, before.end()));
        EXPECT_TRUE(r.leftover.empty());
        EXPECT_LT(r.seconds, 20.0);
        EXPECT_EQ(r.notes, std::vector<std::string>{c.note});
    }
    CCsoundtimeout_base_ms = base;
}

TEST(SoundEncode, ReencodedTimingSkipsTheEncoderDelayAndKeepsTheDuration) {
    struct Case {
        uint32_t oldrate, newrate;
        int16_t seek;
        int skip;
        uint32_t count;
        int16_t wantseek;
        uint32_t wantcount;
    } cases[] = {
        {22050, 11025, 0, 0, 3528, CClamedelay, 1764},
        {44100, 11025, 576, CClamemp3skip, 22050, 1117, 5513},  // 1116.75 and 5512.5 rounded
        {22050, 22050, 0, CClamemp3skip, 1000, CClamedelay - CClamemp3skip, 1000},
        {11025, 44100, 0, CClamemp3skip, 1000, 0, 4000},  // would be -1011: a player cannot skip back
        {11025, 44100, 32000, 0, 1000, INT16_MAX, 4000},
        {0, 11025, 0, 0, 500, CClamedelay, 500},
    };
    for (const Case& c : cases) {
        const Tsoundtiming t = reencodedtiming(c.oldrate, c.newrate, c.seek, c.skip, c.count);
        EXPECT_EQ(t.seek, c.wantseek) << c.oldrate << " -> " << c.newrate << " seek " << c.seek;
        EXPECT_EQ(t.count, c.wantcount) << c.oldrate << " -> " << c.newrate;
    }
}
