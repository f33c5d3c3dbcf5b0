#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <tuple>

#include "coretest.h"
#include "support/process.h"
#include "settings/effective.h"

using swfb::Bytes;
using namespace pascal_com;

namespace {

Bytes stage(int32_t w, int32_t h) { return swfb::build(swfb::Movie{10, w, h, 24 << 8, 1, {swfb::showframe()}}); }

using swfb::slurp;

}  // namespace

class Pipeline : public EngineTest {
protected:
    std::string out() const { return dir.file("out.swf"); }
    std::string err() const { return lasterror(); }
};

TEST_F(Pipeline, ToolsFolderHoldingTheProgramsIsUsed) {
    for (const char* name : {"lame", "ffmpeg"}) swfb::writescript(dir.file(name), "#!/bin/sh\n");
    std::string tools = dir.path();
    tools.pop_back();  // without the trailing slash: one is added
    appinit(tools.c_str(), "");
    EXPECT_EQ(std::string(CClame) + " " + CCffmpeg, tools + "/lame " + tools + "/ffmpeg");
    EXPECT_EQ((std::array{toolavailable(CClame), toolavailable("sh"), toolavailable("no-such-program-anywhere-xyz"),
                          toolavailable(dir.path().c_str()), toolavailable("")}),
              (std::array{true, true, false, false, false}));
    appinit("", "");
}

TEST_F(Pipeline, StageRatios) {
    load(stage(800 * 20, 600 * 20));
    EXPECT_EQ((std::array{Csrcx, Csrcy}), (std::array{800, 600}));
    const int rows[][4] = {{0, 0, 100, 100}, {400, 0, 50, 100}, {0, 900, 100, 150}};
    for (const auto& r : rows) {
        five_allimgsetratodef(r[0], r[1]);
        EXPECT_EQ((std::array{RatoImageSizeX * 100, RatoImageSizeY * 100}), (std::array<double, 2>{double(r[2]), double(r[3])}))
            << r[0] << " x " << r[1];
    }
    // A stage without width gives nothing to divide by.
    load(stage(0, 10), "flat.swf");
    EXPECT_EQ(Csrcx, 0);
    five_allimgsetratodef(400, 0);
    EXPECT_EQ(RatoImageSizeX, 1.0);
}

TEST_F(Pipeline, NeverWritesOverTheSourceAndUnwritableOutputFailsCleanly) {
    const Bytes in = movie({action(1)});
    const std::string src = load(in), d = dir.file("adir"), missing = dir.file("no/such/dir/out.swf");
    ASSERT_EQ(mkdir(d.c_str(), 0700), 0);
    ASSERT_EQ(::link(src.c_str(), dir.file("link.swf").c_str()), 0);
    // The source, the same file under another name, a missing folder, a folder in the way of the output name.
    for (const std::string& bad : {src, dir.path() + "/./link.swf", missing, d}) {
        SCOPED_TRACE(bad);
        load(in);
        dooptimize(bad.c_str(), 0);
        EXPECT_EQ(swfb::readfile(src), in);
        EXPECT_EQ(exists(bad), bad != missing);
        EXPECT_EQ(Cdstfilesize, 0);
        EXPECT_NE(err(), "");
        EXPECT_FALSE(fileloaded());
    }
    EXPECT_TRUE(std::filesystem::is_directory(d));
    // optfile refuses the same way.
    optfile(src.c_str(), src.c_str());
    EXPECT_EQ(swfb::readfile(src), in);
    int entries = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 3);  // in.swf, link.swf and adir: no temporary left
}

TEST_F(Pipeline, FilesThatCannotBeReadSayWhy) {
    dooptimize(out().c_str(), 0);  // a write without a read
    EXPECT_FALSE(exists(out()));
    EXPECT_NE(err(), "");
    load(movie({action(1)}));
    dooptimize(nullptr, 0);
    EXPECT_NE(err(), "");
    dooptimize(out().c_str(), 0);  // the file was released by the failed call
    EXPECT_FALSE(exists(out()));
    swfb::writefile(dir.file("empty.swf"), {});
    swfb::writefile(dir.file("junk.swf"), Bytes(300, 'z'));
    const std::pair<std::string, const char*> rows[] = {{dir.file("missing.swf"), "cannot open the file"},
                                                        {dir.path(), "not a regular file"},
                                                        {dir.file("empty.swf"), "the file is empty"},
                                                        {dir.file("junk.swf"), "not a Flash movie"}};
    for (const auto& [path, reason] : rows) {
        two_readfile(path.c_str());
        expectrefused();
        EXPECT_EQ(err(), reason);
    }
    dooptimize(out().c_str(), 0);
    EXPECT_FALSE(exists(out()));
    EXPECT_EQ(err(), "not a Flash movie");  // the first reason stays
    two_readfile(nullptr);
    EXPECT_FALSE(fileloaded());
    // A good file clears the reason; closing it leaves nothing loaded.
    load(movie({action(1)}));
    EXPECT_TRUE(fileloaded());
    EXPECT_EQ(err(), "");
    appfina();
    EXPECT_EQ((std::array{tagcount(), fileloaded()}), (std::array{0, 0}));
}

TEST_F(Pipeline, OptfileWritesAPlainMovieWithDefaults) {
    CCparams.Img_Aio = 3;
    CCparams.Img_ForceZip = 30;
    CCparams.Skip_Sound = 1;
    Csrcfilesize = 12345;
    Cdstfilesize = 678;
    const Bytes m = movie({action(2)});
    const std::string src = dir.file("in.exe");
    swfb::writefile(src, swfb::projector({'M', 'Z', 1}, m));
    optfile(src.c_str(), out().c_str());
    // Skip_Sound and the sizes are left as they were.
    EXPECT_EQ((std::array<int64_t, 7>{CCparams.Img_Aio, CCparams.Img_ForceZip, CCparams.Sha_ForceCCR, CCparams.Img_CustomPV,
                                      CCparams.Skip_Sound, Csrcfilesize, Cdstfilesize}),
              (std::array<int64_t, 7>{0, 0, 20, 75, 1, 12345, 678}));
    ASSERT_TRUE(exists(out()));
    EXPECT_EQ(swfb::inflatemovie(swfb::readfile(out())), m);
    EXPECT_EQ(tagcount(), 0);
}

// ---- outside programs ----

TEST_F(Pipeline, ToolArgumentsSearchPathAndMissingPrograms) {
    // A script that writes one argument per line and exits with 3.
    const std::string s = dir.file("echoargs.sh"), args = dir.file("args.txt");
    swfb::writescript(s, "#!/bin/sh\n: > '" + args + "'\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + args +
                             "'; done\nexit 3\n");
    EXPECT_EQ(shellexecute_wait(s.c_str(), "  -a  b "), 3);
    EXPECT_EQ(slurp(args), "-a\nb\n");
    EXPECT_EQ(shellexecute_wait(s.c_str(), nullptr), 3);
    EXPECT_EQ(slurp(args), "");
    EXPECT_EQ(shellexecute_wait(s.c_str(), "--quiet -b 32 in.wav 'out file.mp3'"), 3);
    EXPECT_EQ(slurp(args), "--quiet\n-b\n32\nin.wav\n'out\nfile.mp3'\n");
    // An argument list keeps spaces and quotes.
    EXPECT_EQ(shellexecute_argv(s, {"-b", "32", "in file.wav", "", "it's \"x\""}, 0), 3);
    EXPECT_EQ(slurp(args), "-b\n32\nin file.wav\n\nit's \"x\"\n");
    EXPECT_EQ(shellexecute_argv("", {}, 0), -1);
    // Programs on the search path, and missing ones.
    EXPECT_EQ((std::array{shellexecute_wait("true", ""), shellexecute_wait("false", ""),
                          shellexecute_wait("sh", "-c exit"), shellexecute_wait(nullptr, "x")}),
              (std::array{0, 1, 0, -1}));
    auto t0 = std::chrono::steady_clock::now();
    for (const std::string& missing : {dir.file("no-such-program"), std::string("no-such-program-anywhere-xyz")}) {
        const int r = shellexecute_wait(missing.c_str(), "-x");
        EXPECT_TRUE(r == 127 || r == -1) << r;
    }
    EXPECT_NE(shellexecute_wait(dir.path().c_str(), ""), 0);  // not a program at all
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(20));
}

// A tool past its time limit, or cancelled from the desktop program's window thread while the engine's thread waits
// for it (with or without a time limit), is stopped with what it started.
TEST_F(Pipeline, HangingOrCancelledToolIsStoppedWithItsChildren) {
    for (const int limit : {500, 0, 30000}) {
        SCOPED_TRACE(limit);
        const bool cancel = limit != 500;
        const std::string pidfile = dir.file("child" + std::to_string(limit) + ".pid");
        std::thread canceller([&] {
            for (int i = 0; cancel && i < 1000 && slurp(pidfile).empty(); ++i) usleep(5000);
            if (cancel) CancelProc();
        });
        auto t0 = std::chrono::steady_clock::now();
        const std::string hang = "sleep 30 & echo $! > '" + pidfile + "'; wait";
        EXPECT_EQ(shellexecute_argv("sh", {"-c", hang}, limit), cancel ? -3 : -2);
        canceller.join();
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
        const pid_t child = std::atoi(slurp(pidfile).c_str());
        ASSERT_GT(child, 0);
        EXPECT_TRUE(swfb::waitfor([&] { return !swfb::alive(child); }, std::chrono::seconds(2)));
        // Until the engine's loop takes the cancel, no tool starts.
        const std::string marker = dir.file("started" + std::to_string(limit));
        EXPECT_EQ(shellexecute_argv("sh", {"-c", "touch '" + marker + "'"}, limit), cancel ? -3 : 0);
        EXPECT_EQ(access(marker.c_str(), F_OK) == 0, !cancel);
        CCancelProc = 0;
        EXPECT_EQ(shellexecute_argv("sh", {"-c", "exit 4"}, limit), 4);
    }
    EXPECT_EQ(shellexecute_argv("sh", {"-c", "kill -9 $$"}, 5000), -1);
    // A tool that waits for input sees end of file at once instead of hanging until the time limit.
    EXPECT_EQ(shellexecute_argv("sh", {"-c", "read x; exit 5"}, 20000), 5);
}

TEST_F(Pipeline, LevelValuesAreWhatTheTagClassesUse) {
    struct Case {
        int img, custompv, audio, s, b, video, cb;
        int quality, hz, kbps, videokbps;
    };
    const Case cases[] = {
        {0, 70, 0, 11, 16, 0, 120, 90, 44100, 256, 250},
        {1, 70, 1, 11, 16, 1, 120, 70, 44100, 128, 150},  // 32 kHz is no SWF MP3 rate: 44.1 it is
        {2, 0, 2, 11, 16, 2, 120, 60, 22050, 40, 100},
        {3, 0, 3, 44, 16, 3, 120, 50, 11025, 16, 80},
        {4, 33, 4, 16, 48, 4, 120, 33, 22050, 48, 120},
        {4, 0, 4, 0, 48, 4, 0, 1, 0, 0, 0},  // unusable custom values
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.img);
        Tparams p{};
        std::tie(p.Img_Aio, p.Img_CustomPV, p.Audio_q, p.Audio_s, p.Audio_b, p.Video_q, p.Video_CB) =
            std::tie(c.img, c.custompv, c.audio, c.s, c.b, c.video, c.cb);
        const Tlevelvalues v = levelvalues(p);
        EXPECT_EQ((std::array{v.jpegquality, int(v.soundok != 0), v.soundhz, v.soundkbps, v.videokbps}),
                  (std::array{c.quality, int(c.hz != 0), c.hz, c.kbps, c.videokbps}));
    }
}
