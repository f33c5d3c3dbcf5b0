// Embedded video, transcoded only when the whole stream comes back smaller, frame for frame, in a codec SWF shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "core/enginestate.h"
#include "media/definevideostream.h"
#include "media/flvfile.h"
#include "media/imagebatch.h"
#include "media/videoframe.h"
#include "settings/schema.h"
#include "support/bitmapbuilder.h"
#include "support/enginerun.h"
#include "support/soundbuilder.h"
#include "support/tagio.h"
#include "support/videobuilder.h"

namespace {

using swfb::Bytes;
using swfb::parse;

Tparams preset(const char* name) { return findpreset(name)->params; }

// An executable named ffmpeg in dir running the shell commands of body; the
// output file is named by the last argument ($out, without its "file:").
void faketranscoder(const std::string& dir, const std::string& body) {
    swfb::writescript(dir + "ffmpeg", "#!/bin/sh\nfor out; do :; done\nout=${out#file:}\n" + body + "\n");
}

// pictures as an FLV file made by the engine's writer, picture i in codecs[i % size].
void writeflv(const std::string& path, const Bytes& codecs, const std::vector<Bytes>& pictures) {
    Tflvfile f;
    for (size_t i = 0; i < pictures.size(); ++i)
        f.putvideo(uint32_t(i * 50), 1, codecs[i % codecs.size()], pictures[i].data(), uint32_t(pictures[i].size()));
    f.savetofile(path.c_str());
}

std::vector<Bytes> bodies(const std::vector<swfb::ParsedTag>& tags, int code) {
    std::vector<Bytes> b;
    for (const auto& t : tags)
        if (t.code == code) b.push_back(t.body);
    return b;
}
std::vector<Bytes> framebodies(const Bytes& movie) { return bodies(swfb::listtags(movie), 61); }

// The movie's tags after the engine wrote it with params and tools.
struct Videorun {
    swfb::EngineRun run;
    std::vector<Bytes> framebodies;  // VideoFrame bodies in order
    std::vector<Bytes> streams;      // DefineVideoStream bodies in order
};

Videorun runmovie(const Bytes& movie, const Tparams& params, const std::string& toolsdir, const std::string& tmpdir) {
    Videorun r;
    const std::string in = tmpdir + "in.swf", out = tmpdir + "out.swf";
    swfb::writefile(in, movie);
    r.run = swfb::runengine(in, out, params, toolsdir, tmpdir);
    const auto tags = swfb::listtags(swfb::unpackmovie(swfb::readfile(out)));
    r.framebodies = bodies(tags, 61);
    r.streams = bodies(tags, 60);
    return r;
}

class VideoTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(tmp_); }
    void TearDown() override { CCparams = Tparams{}; }
    swfb::Scratchdir dir_{"video"};
    const std::string tools_ = dir_.file("tools/"), tmp_ = dir_.file("tmp dir/");
};

// Width and height of a Sorenson H.263 picture of a size given in 8 bits each
// (kind 0), after the start code, version and frame number.
std::pair<int, int> h263size(const Bytes& d) {
    swfb::Reader r(d);
    if (r.ub(30) >> 13 != 1 || r.ub(3) != 0) return {-1, -1};
    const int w = int(r.ub(8));
    return {w, int(r.ub(8))};
}

Bytes picture(size_t n, uint8_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = uint8_t(seed * 31 + i);
    return b;
}

size_t total(const std::vector<Bytes>& v) {
    size_t n = 0;
    for (const auto& b : v) n += b.size();
    return n;
}

Bytes framedata(const Bytes& body) { return Bytes(body.begin() + 4, body.end()); }

// The folder also holds the movie read and written.
bool tmpfilesgone(const std::string& tmp) {
    for (const auto& e : std::filesystem::directory_iterator(tmp))
        if (e.path().filename().string().rfind("tmp", 0) == 0) return false;
    return true;
}

}  // namespace

// One picture out for every picture in, as Sorenson at the level's bit rate;
// paths stay one argument each and plain file names; VP6 cropped to the declared size, and fit to the player.
TEST_F(VideoTest, TranscoderArgumentsAndPictureSizes) {
    using Args = std::vector<std::string>;
    const std::string in = "/t mp/tmpflv.flv";
    auto with = [&in](const Args& tail) {
        Args a = {"-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "flv", "-i", "file:" + in, "-map",
                  "0:v:0", "-an", "-sn", "-dn", "-fps_mode", "passthrough", "-c:v", "flv"};
        a.insert(a.end(), tail.begin(), tail.end());
        return a;
    };
    CCparams.Video_q = 3;
    EXPECT_EQ(getcmdparam_flv(in, "/t mp/out.flv", 2, 64, 48),
              with({"-b", "80k", "-maxrate", "80k", "-bufsize", "160k", "-f", "flv", "file:/t mp/out.flv"}));
    CCparams.Video_q = 4;
    CCparams.Video_CB = 120;
    EXPECT_EQ(getcmdparam_flv(in, "-o", 4, 600, 400),
              with({"-b", "120k", "-maxrate", "120k", "-bufsize", "240k", "-vf",
                    "crop=w='min(iw,600)':h='min(ih,400)':x=0:y=0", "-f", "flv", "file:-o"}));

    // Pictures within the largest player size, keeping their aspect in even
    // sizes; the quality check scales them back up as players do.
    const struct {
        int32_t maxw, maxh;
        uint16_t w, h;
    } rows[] = {{0, 0, 640, 480}, {640, 480, 640, 480}, {320, 0, 320, 240}, {0, 100, 132, 100},
                {320, 300, 320, 240}, {1, 1, 2, 2}};
    for (const auto& r : rows) {
        CCparams.VideoPmps_x = r.maxw;
        CCparams.VideoPmps_y = r.maxh;
        uint16_t w = 0, h = 0;
        flvpicturesize(640, 480, w, h);
        EXPECT_EQ(std::make_pair(w, h), std::make_pair(r.w, r.h)) << r.maxw << " x " << r.maxh;
    }
    CCparams.VideoPmps_x = 300;
    CCparams.VideoPmps_y = 0;
    const auto a = getcmdparam_flv("i", "o", 4, 600, 400);
    EXPECT_EQ(*(std::find(a.begin(), a.end(), "-vf") + 1), "crop=w='min(iw,600)':h='min(ih,400)':x=0:y=0,scale=300:200");
    const auto ssim = getcmdparam_ssim("a", "b", "s", 2, 600, 400);
    EXPECT_NE(ssim[ssim.size() - 4].find("[1:v:0]scale=600:400[b]"), std::string::npos) << ssim[ssim.size() - 4];
}

TEST_F(VideoTest, SsimComparisonArgumentsAndStats) {
    // The stats name sits inside a filter graph: its quotes, colons and
    // brackets are escaped for the option and again for the graph.
    const auto a = getcmdparam_ssim("/t/a.flv", "/t/b.flv", "/t mp/it's:[x].txt", 2, 64, 48);
    ASSERT_GE(a.size(), 4u);
    EXPECT_EQ(a[a.size() - 4], "[0:v:0]null[a];[1:v:0]null[b];[a][b]ssim=shortest=1:stats_file=/t mp/it\\\\\\\'s\\\\:\\[x\\].txt");
    const auto vp6 = getcmdparam_ssim("a", "b", "s", 4, 600, 400);
    EXPECT_EQ(vp6[vp6.size() - 4].rfind("[0:v:0]crop=w='min(iw,600)':h='min(ih,400)':x=0:y=0[a];", 0), 0u)
        << "VP6 pictures are compared as cropped for the transcode";
    struct Case {
        const char* text;
        bool ok;
        std::vector<double> values;
    } cases[] = {
        {"n:1 Y:1.000000 U:0.9 V:0.9 All:0.98 (inf)\nn:2 Y:0.939000 U:1 V:1 All:0.95 (20.1)\n", true, {1.0, 0.939}},
        {"n:1 R:0.9 G:0.9 B:0.9 All:0.970000 (15.2)\n", true, {0.97}},
        {"", true, {}},
        {"n:1 Y:0.99 All:0.99\nsomething else\n", false, {0.99}},
        {"n:1 Y: All:0.99\n", false, {}},
    };
    for (const Case& c : cases) {
        std::vector<double> v;
        EXPECT_EQ(readssimstats(c.text, v), c.ok) << c.text;
        EXPECT_EQ(v, c.values) << c.text;
    }
}

// A stand-in transcoder that hands back `pictures` (answer_: smaller than the
// frames of the movie) and then ends as `ending` says.
class FailingTranscoder : public VideoTest {
protected:
    void SetUp() override {
        VideoTest::SetUp();
        for (uint8_t i = 0; i < 3; ++i) movieframes_.push_back(picture(400, i));
        movie_ = swfb::videomovie(4, 3, 64, 48, movieframes_);
    }
    // Writes the answer file and the transcoder that copies it.
    void transcoder(const std::vector<Bytes>& pictures, const Bytes& codecs, const std::string& ending) {
        writeflv(dir_.file("answer.flv"), codecs, pictures);
        faketranscoder(tools_, "printf '%s\\n' \"$@\" > '" + dir_.file("args") + "'\ncp '" + dir_.file("answer.flv") +
                                   "' \"$out\"\n" + ending);
    }
    // note: the start of the one tool note expected, empty for none.
    void expectasread(const Videorun& r, const char* what, const std::string& note = "") {
        const std::vector<std::string> notes = toolnotes();
        EXPECT_EQ(notes.size(), note.empty() ? 0u : 1u) << what;
        if (!note.empty() && !notes.empty()) {
            EXPECT_EQ(notes[0].rfind(note, 0), 0u) << what << ": " << notes[0];
        }
        ASSERT_EQ(r.run.fault(), "") << what;
        EXPECT_EQ(r.framebodies, framebodies(movie_)) << what;
        EXPECT_EQ(r.streams, bodies(swfb::listtags(movie_), 60)) << what << ": the stream keeps its codec";
        EXPECT_TRUE(tmpfilesgone(tmp_)) << what;
    }
    std::vector<Bytes> movieframes_;
    const std::vector<Bytes> answer_ = {picture(90, 5), picture(80, 6), picture(70, 7)};
    Bytes movie_;
};

TEST_F(FailingTranscoder, TakesAWholeSmallerAnswerFrameForFrame) {
    transcoder(answer_, {2}, "exit 0");
    Videorun r = runmovie(movie_, preset("Medium"), tools_, tmp_);
    ASSERT_EQ(r.run.fault(), "");
    ASSERT_EQ(r.framebodies.size(), 3u);
    const std::vector<Bytes> before = framebodies(movie_);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(framedata(r.framebodies[i]), answer_[i]);
        EXPECT_EQ(Bytes(r.framebodies[i].begin(), r.framebodies[i].begin() + 4),
                  Bytes(before[i].begin(), before[i].begin() + 4));
    }
    Bytes stream = swfb::listtags(movie_)[0].body;
    stream.back() = 2;  // the stream declares the new codec
    EXPECT_EQ(r.streams, std::vector<Bytes>{stream});
    EXPECT_TRUE(tmpfilesgone(tmp_));
    // Its arguments arrived one by one, spaces and all.
    const Bytes args = swfb::readfile(dir_.file("args"));
    const std::string text(args.begin(), args.end());
    EXPECT_NE(text.find("\nfile:" + tmp_ + "tmpflv-"), std::string::npos) << text;
    EXPECT_NE(text.find("\nfile:" + tmp_ + "tmpflvout-"), std::string::npos) << text;
    EXPECT_NE(text.find("\n80k\n"), std::string::npos) << "Medium is level 3: " << text;
}

TEST_F(FailingTranscoder, KeepsEverythingAsReadWhenTheAnswerIsNotAWholeStream) {
    const Bytes a = answer_[0], b = answer_[1], c = answer_[2];
    const std::string unusable = "video 4 kept: ffmpeg wrote no usable output";
    const struct {
        const char* what;
        std::vector<Bytes> pictures;
        Bytes codecs;  // of picture i: codecs[i % size]
        const char* ending;
        std::string note;
    } cases[] = {
        {"failed", {a, b, c}, {2}, "exit 3", "video 4 kept: ffmpeg failed with exit status 3"},
        {"hangs", {a, b, c}, {2}, "sleep 20", "video 4 kept: ffmpeg timed out after 0.9 s"},
        {"no output", {a, b, c}, {2}, "rm \"$out\"", unusable},
        {"a frame dropped", {a, b}, {2}, "exit 0", unusable},
        {"a frame too many", {a, b, c, picture(10, 1)}, {2}, "exit 0", unusable},
        {"an empty picture", {a, {}, c}, {2}, "exit 0", unusable},
        {"two codecs", {a, b, c}, {2, 3}, "exit 0", unusable},
        {"H.264 cannot be embedded", {a, b, c}, {7}, "exit 0", unusable},
        {"screen video 2 is FLV only", {a, b, c}, {6}, "exit 0", unusable},
        // Not smaller is no trouble of the tool's.
        {"not smaller", movieframes_, {2}, "exit 0", ""},
    };
    for (const auto& k : cases) {
        transcoder(k.pictures, k.codecs, k.ending);
        // Only the hanging one should meet the limit (100 ms plus 250 ms a frame).
        Cflvtimeoutbase_ms = std::string(k.ending) == "sleep 20" ? 100 : kflvtimeoutbase_ms;
        const auto start = std::chrono::steady_clock::now();
        expectasread(runmovie(movie_, preset("Medium"), tools_, tmp_), k.what, k.note);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << k.what;
    }
    Cflvtimeoutbase_ms = kflvtimeoutbase_ms;
}

TEST_F(FailingTranscoder, BestQualityTakesTheAnswerOnlyWhenEveryFrameKeepsTheFloor) {
    struct Case {
        const char* what;
        std::string stats;  // what the comparison writes; empty: it fails
        bool taken;
        const char* note;
    } cases[] = {
        {"every frame close", "n:1 Y:0.99 All:0.9\nn:2 Y:0.95 All:0.9\nn:3 Y:0.97 All:0.9\n", true, ""},
        {"one frame below", "n:1 Y:0.99 All:0.99\nn:2 Y:0.949 All:0.99\nn:3 Y:0.97 All:0.99\n", false, ""},
        {"a frame missing", "n:1 Y:0.99 All:0.99\nn:2 Y:0.99 All:0.99\n", false,
         "video 4 kept: ffmpeg (quality check) wrote no usable output"},
        {"unreadable", "n:1 Y:0.99\nn:2 oops\nn:3 Y:0.99\n", false,
         "video 4 kept: ffmpeg (quality check) wrote no usable output"},
        {"comparison failed", "", false, "video 4 kept: ffmpeg (quality check) failed with exit status 1"},
    };
    writeflv(dir_.file("answer.flv"), {2}, answer_);
    for (const Case& c : cases) {
        std::string compare = "exit 1";
        if (!c.stats.empty()) {
            swfb::writefile(dir_.file("stats"), Bytes(c.stats.begin(), c.stats.end()));
            // The stats file is named inside the filter argument.
            compare = "for a; do case \"$a\" in *stats_file=*) stats=\"${a##*stats_file=}\";; esac; done; cp '" +
                      dir_.file("stats") + "' \"$stats\"; exit 0";
        }
        faketranscoder(tools_, "case \"$*\" in *-lavfi*) " + compare + ";; esac\ncp '" + dir_.file("answer.flv") +
                                   "' \"$out\"");
        Videorun r = runmovie(movie_, preset("Best"), tools_, tmp_);
        if (c.taken) {
            ASSERT_EQ(r.framebodies.size(), 3u);
            EXPECT_EQ(framedata(r.framebodies[1]), answer_[1]) << c.what;
            EXPECT_TRUE(tmpfilesgone(tmp_)) << c.what;
        } else {
            expectasread(r, c.what, c.note);
        }
    }
    // Other levels do not compare: the failing comparison is not run.
    EXPECT_EQ(framedata(runmovie(movie_, preset("Medium"), tools_, tmp_).framebodies[1]), answer_[1]);
}

TEST_F(FailingTranscoder, AlphaStaysWhenNoAlphaCodecComesBack) {
    faketranscoder(tools_, "touch '" + dir_.file("ran") + "'; exit 1");
    movie_ = swfb::videomovie(4, 5, 64, 48, movieframes_);
    expectasread(runmovie(movie_, preset("Medium"), tools_, tmp_), "VP6 with alpha");
    EXPECT_FALSE(std::filesystem::exists(dir_.file("ran"))) << "no transcoder output could keep the transparency";
    // Pictures with alpha would be taken.
    auto stream = parse<Tswftag_definevideostream_opt>(swfb::definevideostream(1, 2, 32, 24, 5));
    auto f0 = parse<Tswftag_videoframe>(swfb::videoframe(1, 0, answer_[0]));
    auto f1 = parse<Tswftag_videoframe>(swfb::videoframe(1, 1, answer_[1]));
    writeflv(tmp_ + "a.flv", {4}, {picture(30, 1), picture(30, 2)});
    EXPECT_FALSE(stream->loadfromfile((tmp_ + "a.flv").c_str()));
    writeflv(tmp_ + "a.flv", {5}, {picture(30, 1), picture(30, 2)});
    EXPECT_TRUE(stream->loadfromfile((tmp_ + "a.flv").c_str()));
}

TEST_F(FailingTranscoder, KeepsEverythingAsReadWithoutATranscoder) {
    const std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", dir_.file("nothing here").c_str(), 1);
    Videorun r = runmovie(movie_, preset("Medium"), dir_.file("notools/"), tmp_);
    setenv("PATH", saved.c_str(), 1);
    expectasread(r, "missing");
}

TEST_F(FailingTranscoder, FramesBeforeTheirStreamKeepItsCodec) {
    transcoder(answer_, {2}, "exit 0");
    // A sprite defined first shows a frame of the stream defined after it.
    swfb::Movie m{.tags = {swfb::sprite(9, 1, {swfb::videoframe(4, 0, picture(400, 9)), swfb::showframe()}),
                           swfb::definevideostream(4, 3, 64, 48, 3)}};
    for (uint16_t i = 0; i < 3; ++i) {
        m.tags.push_back(swfb::videoframe(4, i, movieframes_[i]));
        m.tags.push_back(swfb::showframe());
    }
    movie_ = swfb::build(m);
    expectasread(runmovie(movie_, preset("Medium"), tools_, tmp_), "frame before the stream");
}

class Transcoder : public VideoTest {
protected:
    void SetUp() override {
        if (!swfb::havetranscoder()) GTEST_SKIP() << "no ffmpeg";
        VideoTest::SetUp();
    }
};

// Two streams interleaved in a sprite, sounds and bitmaps, all encoded beside
// the writer: each stream gets back its own frames, and the bytes are those of
// a run on one thread.
TEST_F(Transcoder, KeepsInterleavedStreamsApartAndConcurrentEncodesWriteTheBytesOfASequentialRun) {
    if (!swfb::havelame()) GTEST_SKIP() << "lame is not installed";
    const auto a = swfb::h263clip(dir_.path(), 4, 48, 32, 1500), b = swfb::h263clip(dir_.path(), 4, 32, 24, 1500);
    ASSERT_EQ(std::make_pair(a.size(), b.size()), std::make_pair(size_t(4), size_t(4)));
    swfb::Movie m{.frames = 4,
                  .tags = {swfb::definevideostream(1, 4, 48, 32, 2), swfb::definevideostream(2, 4, 32, 24, 2)}};
    for (uint16_t id = 3; id < 9; ++id) {
        const Bytes adpcm = swfb::adpcmencode(swfb::tone(11025, 22050, 150.0 * id, 1), 1, 4);
        m.tags.push_back(swfb::definesound(id, 1, 2, 1, 0, 11025, adpcm));
        m.tags.push_back(swfb::definebitsjpeg2(uint16_t(20 + id), swfb::jpegimage(40 + id, 32, 95, 3, id)));
    }
    std::vector<Bytes> inner;
    for (uint16_t i = 0; i < 4; ++i) {
        inner.push_back(swfb::videoframe(1, i, a[i]));
        inner.push_back(swfb::videoframe(2, i, b[i]));
        inner.push_back(swfb::showframe());
    }
    m.tags.push_back(swfb::sprite(9, 4, inner));
    m.tags.push_back(swfb::place2(9, 1, 0, 0));
    m.tags.push_back(swfb::showframe());
    const std::string in = tmp_ + "in.swf", out = tmp_ + "out.swf";
    swfb::writefile(in, swfb::build(m));
    std::vector<Bytes> files;
    for (int threads : {1, 4, 0}) {
        CCimagethreads = threads;
        const swfb::EngineRun r = swfb::runengine(in, out, preset("Best"), "/usr/bin/", tmp_);
        ASSERT_EQ(r.fault(), "") << threads;
        files.push_back(swfb::readfile(out));
    }
    EXPECT_EQ(files[0], files[1]);
    EXPECT_EQ(files[0], files[2]);
    const std::vector<Bytes> frames = framebodies(swfb::unpackmovie(files[0]));
    ASSERT_EQ(frames.size(), 8u);
    std::vector<Bytes> outa, outb;
    for (size_t i = 0; i < 8; ++i) {
        const bool first = frames[i][0] == 1;
        (first ? outa : outb).push_back(framedata(frames[i]));
        EXPECT_EQ(h263size(framedata(frames[i])), first ? std::make_pair(48, 32) : std::make_pair(32, 24)) << i;
    }
    EXPECT_LT(total(outa), total(a));
    EXPECT_LT(total(outb), total(b));
}

TEST_F(Transcoder, BestQualityKeepsAStreamTheTranscodeBlursAndTakesOneItKeeps) {
    struct Case {
        const char* what;
        int width, height, kbps;
        const char* filter;
        bool taken;
    } cases[] = {
        {"moving noise", 160, 120, 5000, "noise=alls=80:allf=t", false},
        {"test pattern", 64, 48, 1500, "", true},
    };
    for (const Case& c : cases) {
        const auto clip = swfb::h263clip(dir_.path(), 8, c.width, c.height, c.kbps, c.filter);
        ASSERT_EQ(clip.size(), 8u) << c.what;
        const Bytes movie = swfb::videomovie(1, 2, uint16_t(c.width), uint16_t(c.height), clip);
        for (const char* level : {"Best", "Medium"}) {
            Videorun r = runmovie(movie, preset(level), "/usr/bin/", tmp_);
            ASSERT_EQ(r.run.fault(), "") << c.what;
            const bool same = r.framebodies == framebodies(movie);
            EXPECT_EQ(same, std::string(level) == "Best" && !c.taken) << c.what << " at " << level;
            EXPECT_TRUE(tmpfilesgone(tmp_)) << c.what;
        }
    }
}
