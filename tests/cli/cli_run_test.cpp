// The built shrinkwell-cli run on movies made here, as a user would run it.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include "support/swfbuilder.h"
#include "tempdir.h"

using namespace swfb;

namespace {

class CliRun : public ::testing::Test {
protected:
    Ran cli(std::vector<std::string> args, const std::string& in = "") {
        args.insert(args.begin(), {SHRINKWELL_CLI, "--tmp", t / "scratch"});
        return run(t, args, "", in);
    }

    // Nothing left in the scratch folder but the private folders' root.
    bool scratchempty() const {
        for (const auto& e : std::filesystem::recursive_directory_iterator(t / "scratch"))
            if (e.is_regular_file()) return false;
        return true;
    }

    static std::vector<int> codes(const Bytes& anymovie) {
        std::vector<int> v;
        for (const auto& tag : listtags(inflatemovie(anymovie))) v.push_back(tag.code);
        return v;
    }
    // A zlib-compressed movie with the tags of `from`.
    static void expectsametags(const Bytes& out, const Bytes& from) {
        ASSERT_GT(out.size(), 8u);
        EXPECT_EQ(std::string(out.begin(), out.begin() + 3), "CWS");
        EXPECT_EQ(codes(out), codes(from));
    }

    // Every file under the test directory but the scratch one.
    std::vector<std::string> files() const {
        std::vector<std::string> v;
        for (const auto& e : std::filesystem::recursive_directory_iterator(t.path())) {
            const std::string p = e.path().string();
            if (e.is_regular_file() && p.find("/scratch") == std::string::npos) v.push_back(p.substr(t.path().size() + 1));
        }
        std::sort(v.begin(), v.end());
        return v;
    }

    Ttempdir t;
};

}  // namespace

TEST_F(CliRun, GoodMovieBecomesACompressedMovieWithTheSameTagsAndTimesFromAFileOrAPipe) {
    const Bytes in = boxes(3);
    const std::string src = t.put("m.swf", in);
    const timespec times[2] = {{1000000000, 5}, {1200000000, 7}};
    ASSERT_EQ(utimensat(AT_FDCWD, src.c_str(), times, 0), 0);
    Ran r = cli({"--preserve", src});
    EXPECT_EQ(r.status, 0) << r.err;
    struct stat st;  // before reading the output sets its access time
    ASSERT_EQ(stat((t / "m_compressed.swf").c_str(), &st), 0);
    EXPECT_EQ((std::array{st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_atim.tv_sec}),
              (std::array<long, 3>{1200000000, 7, 1000000000}));
    expectsametags(readfile(t / "m_compressed.swf"), in);
    EXPECT_EQ(readfile(src), in) << "the source is never written";
    expecthas(r.out, {"m_compressed.swf", "1 compressed, 0 failed"});

    // "-": the movie comes in on stdin and only the movie goes out on stdout.
    Ran piped = cli({"-"}, src);
    EXPECT_EQ(piped.status, 0) << piped.err;
    expectsametags(Bytes(piped.out.begin(), piped.out.end()), in);
    expecthas(piped.err, {"- -> -: "});
    Ran bad = cli({"-"}, t.put("junk.swf", {'j', 'u', 'n', 'k'}));
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "");
    expecthas(bad.err, {"shrinkwell-cli: -: "});
    EXPECT_EQ(files(), (std::vector<std::string>{"junk.swf", "m.swf", "m_compressed.swf"}));
    EXPECT_TRUE(scratchempty());
}

TEST_F(CliRun, FilesThatAreNotMoviesFailByNameAndLeaveNothing) {
    const Bytes full = boxes(3);
    const std::vector<std::pair<std::string, Bytes>> bad = {
        {"empty.swf", {}},
        {"text.swf", {'h', 'e', 'l', 'l', 'o', '\n'}},
        {"truncated.swf", Bytes(full.begin(), full.begin() + 11)},  // inside the stage rectangle
        {"garbage.swf", {'C', 'W', 'S', 10, 200, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {"stub.exe", {'M', 'Z', 0x90, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},  // a projector, no movie
    };
    for (const auto& [name, data] : bad) {
        SCOPED_TRACE(name);
        const std::string src = t.put(name, data);
        Ran r = cli({src});
        EXPECT_EQ(r.status, 1);
        expecthas(r.err, {src + ": "});
        expecthas(r.out, {"0 compressed, 1 failed"});
        EXPECT_EQ(readfile(src), data);
        std::filesystem::remove(src);
        EXPECT_EQ(files(), std::vector<std::string>{}) << "no output, no leftovers";
    }
    Ran missing = cli({t / "nowhere.swf"});
    EXPECT_EQ(missing.status, 1);
    expecthas(missing.err, {"nowhere.swf: No such file"});
}

// The tree under a directory argument is kept under -o; named files go to its top.
TEST_F(CliRun, DirectoryIsWalkedIntoTheOutputDirectory) {
    t.put("in/x/m.swf", boxes(1));
    t.put("in/y/m.SWF", boxes(2, 'C'));
    t.put("lone/m.swf", boxes(3));
    Ran r = cli({t / "in", t / "lone/m.swf", "-o", t / "out", "-q"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "") << "quiet";
    EXPECT_EQ(files(), (std::vector<std::string>{"in/x/m.swf", "in/y/m.SWF", "lone/m.swf", "out/m_compressed.swf",
                                                 "out/x/m_compressed.swf", "out/y/m_compressed.SWF"}));
}

TEST_F(CliRun, DryRunAndInfoReportAndWriteNothing) {
    t.put("in/a.swf", boxes(3));
    const std::string src = t.put("in/sub/b.swf", boxes(2, 'C'));
    Ran r = cli({"-n", t / "in", "-o", t / "out"});
    EXPECT_EQ(r.status, 0) << r.err;
    expecthas(r.out, {"a_compressed.swf (dry run, not written): ", "dry run: nothing was written"});
    expecthas(cli({"--dry-run", "--json", "--in-place", t / "in/a.swf"}).out, {"\"output\":null", "\"dry_run\":true"});
    Ran info = cli({"--info", src});
    EXPECT_EQ(info.status, 0) << info.err;
    expecthas(info.out, {"CWS, version 10", "550 x 400 px", "24 fps", "1 frames", "#102030", "Shape           2",
                         "Image           0", "AS              0"});
    expecthas(cli({"--info", "--json", src}).out, {"\"width\":550,\"height\":400"});
    EXPECT_EQ(cli({"--info", t.put("x.swf", {'x', 'y'})}).status, 1);
    EXPECT_EQ(files(), (std::vector<std::string>{"in/a.swf", "in/sub/b.swf", "x.swf"}));
    EXPECT_TRUE(scratchempty());
}

TEST_F(CliRun, InPlaceReplacesOnlyWhatGotSmaller) {
    const std::string good = t.put("good.swf", boxes(3));
    const Bytes noise = swfb::noisy();
    const std::string kept = t.put("noisy.swf", noise);
    chmod(good.c_str(), 0640);
    Ran r = cli({"--in-place", good, kept});
    EXPECT_EQ(r.status, 0) << r.err;
    expecthas(r.out, {"good.swf (replaced): ", "noisy.swf (left as it is): "});
    expectsametags(readfile(good), boxes(3));
    EXPECT_EQ(readfile(kept), noise);
    EXPECT_EQ(std::filesystem::status(good).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(files(), (std::vector<std::string>{"good.swf", "noisy.swf"})) << "no temporary left";
}

TEST_F(CliRun, ParallelJsonLinesComeInInputOrder) {
    std::vector<std::string> names = {"a.swf", "b.swf", "c.swf", "d.swf", "e.swf"};
    for (size_t i = 0; i < names.size(); ++i) t.put("in/" + names[i], i == 1 ? Bytes{'x'} : boxes(int(i) + 1));
    Ran r = cli({t / "in", "-j", "2", "--json", "-o", t / "out"});
    EXPECT_EQ(r.status, 1);
    std::vector<std::string> lines;
    std::istringstream in(r.out);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), names.size()) << r.out;
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(lines[i]);
        EXPECT_EQ(lines[i].rfind("{\"source\":\"" + t.path() + "/in/" + names[i] + "\"", 0), 0u);
        EXPECT_NE(lines[i].find(i == 1 ? "\"ok\":false" : "\"ok\":true"), std::string::npos);
        EXPECT_EQ(lines[i].back(), '}');
    }
    EXPECT_NE(lines[0].find("\"Shape\":{\"count\":1,"), std::string::npos);
    expecthas(r.err, {"b.swf", "5 files: 4 compressed, 1 failed"});  // the summary leaves stdout to JSON
    EXPECT_EQ(std::filesystem::exists(t / "out/b_compressed.swf"), false);
    EXPECT_EQ(std::filesystem::exists(t / "out/e_compressed.swf"), true);
}

TEST_F(CliRun, UsageErrorsAndHelp) {
    Ran bad = cli({"--zoom", "90", "m.swf"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--zoom"), std::string::npos);
    Ran help = cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("_compressed"), std::string::npos);
    EXPECT_EQ(cli({"--version"}).status, 0);
}

// A projector keeps its stub unless named .swf; a result that is not smaller keeps the source's bytes.
TEST_F(CliRun, ProjectorsAndResultsThatAreNotSmaller) {
    const Bytes stub = {'M', 'Z', 'p', 'l', 'a', 'y', 'e', 'r'};
    const Bytes in = swfb::noisy();
    const Bytes exe = projector(stub, in);
    t.put("game.EXE", projector(stub, boxes(3)));
    t.put("game2.swf", projector(stub, boxes(3)));
    t.put("n.swf", in);
    t.put("p.exe", exe);
    Ran r = cli({t / "game.EXE", t / "game2.swf", t / "n.swf", t / "p.exe"});
    EXPECT_EQ(r.status, 0) << r.err;
    const Bytes game = readfile(t / "game_compressed.EXE");
    ASSERT_GT(game.size(), stub.size() + 16);
    EXPECT_EQ(Bytes(game.begin(), game.begin() + long(stub.size())), stub);
    EXPECT_EQ(game[stub.size()], 'C');
    expectsametags(readfile(t / "game2_compressed.swf"), boxes(3));
    EXPECT_EQ(readfile(t / "n_compressed.swf"), in);
    EXPECT_EQ(readfile(t / "p_compressed.exe"), exe);
    expecthas(r.out, {"(kept: not smaller; the rewrite was ", "2 kept as they were (not smaller)"});
    expecthas(cli({t / "n.swf", "--json", "--overwrite"}).out, {"\"saved_percent\":0.0", "\"kept\":true"});

    Ran larger = cli({t / "n.swf", "--allow-larger", "--overwrite"});
    EXPECT_EQ(larger.status, 0) << larger.err;
    const Bytes out = readfile(t / "n_compressed.swf");
    EXPECT_GT(out.size(), in.size());
    EXPECT_EQ(out[0], 'C');
    expecthas(larger.out, {"grew"});
}

TEST_F(CliRun, DamagedMoviesFailByNameUnlessSalvaged) {
    Bytes badcheck = build({.tags = {doaction(Bytes(20000, 1)), showframe()}}, 'C');
    badcheck.back() ^= 0x55;
    Bytes claims = boxes(3);
    claims.resize(claims.size() - 2);  // the End tag
    const Bytes t17{0x3F, 0x03, 0x00, 0x10, 0x08, 0x01};  // claims 17,305,600 bytes
    claims.insert(claims.end(), t17.begin(), t17.end());
    claims.resize(claims.size() + 2000, 5);
    t.put("check.swf", badcheck);
    t.put("claims.swf", claims);
    Ran r = cli({t / "check.swf", t / "claims.swf"});
    EXPECT_EQ(r.status, 1);
    expecthas(r.err, {"check.swf: damaged: zlib check failed after ", "claims 17,305,606 bytes but 2,006 remain",
                      "--salvage"});
    EXPECT_EQ(files(), (std::vector<std::string>{"check.swf", "claims.swf"})) << "nothing is written";

    Ran s = cli({t / "claims.swf", "--salvage", "--json"});
    EXPECT_EQ(s.status, 0) << s.err;
    EXPECT_EQ(codes(readfile(t / "claims_compressed.swf")), std::vector<int>({9, 2, 26, 2, 26, 2, 26, 1}));
    expecthas(s.out, {"\"dropped\":2006,\"baseline\":", "2,006 bytes dropped", "\"salvaged\":true"});

    // A last tag 3 bytes short in a large movie is what players live with.
    Bytes shortlast = build({.tags = {doaction(Bytes(20000, 1)), showframe(), doaction(Bytes(10, 2))}});
    shortlast.resize(shortlast.size() - 2 - 3);
    t.put("short.swf", shortlast);
    Ran w = cli({t / "short.swf"});
    EXPECT_EQ(w.status, 0) << w.err;
    expecthas(w.out, {"warning: 1 tag cut off by the end of the data dropped (10 bytes)", "kept; 10 bytes dropped"});
}

// With --json the settings line goes to stderr, leaving stdout to JSON.
TEST_F(CliRun, VerboseAndJsonShowTheValuesTheLevelsUse) {
    Ran j = cli({"--jpeg-quality", "33", "--sound-rate", "11", "--sound-bitrate", "48", "--video-bitrate", "120",
                 "--mono", "-v", "--json", t.put("m.swf", boxes(3))});
    expecthas(j.out, {"\"settings\":{\"image_level\":4,\"jpeg_quality\":33,\"sound_level\":4,\"sound_rate_hz\":11025,"
                      "\"sound_kbps\":48,\"mono\":true,\"sound_encoding\":1,\"sound_vbr_quality\":6,\"video_level\":4,"
                      "\"video_kbps\":120}"});
    expecthas(j.err, {"image level 4 (JPEG quality 33), zoom 0%, player 0 x 0; sound level 4 (11.025 kHz, VBR quality "
                      "6, mono); video level 4 (120 kbit/s), player 0 x 0"});
}
