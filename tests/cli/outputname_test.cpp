#include <gtest/gtest.h>

#include <filesystem>

#include "cli/outputname.h"
#include "tempdir.h"

TEST(CliOutputName, SplitsAtTheLastSlashAndTheLastDot) {
    Tsourcename n = splitsource("/a.b/movie.v2.SWF");
    EXPECT_EQ(n.dir, "/a.b/");
    EXPECT_EQ(n.base, "movie.v2");
    EXPECT_EQ(n.ext, "SWF");
    n = splitsource("dir.x/noext");
    EXPECT_EQ(n.base, "noext");
    EXPECT_FALSE(n.hasdot);
    n = splitsource("bare.swf");
    EXPECT_EQ(n.dir, "");
    EXPECT_EQ(n.base, "bare");
}

TEST(CliOutputName, ExeFlagIsSetUnlessTheExtensionIsSwf) {
    for (const char* swf : {"movie.swf", "movie.SWF", "x/movie.sWf"}) EXPECT_EQ(exeflag(swf), 0) << swf;
    for (const char* exe : {"game.exe", "game.EXE", "swf", "a.swf/game", "movie.swf.bak"}) EXPECT_EQ(exeflag(exe), 1) << exe;
}

TEST(CliOutputName, KeepsTheExtensionsCaseAndCountsPastTakenNames) {
    Ttempdir t;
    std::string error;
    Toutputnamer namer(t.path(), false);
    EXPECT_EQ(namer.choose("/src/movie.SWF", error), t / "movie_compressed.SWF");
    t.put("game_compressed.exe");
    t.put("game_compressed0.exe");
    EXPECT_EQ(namer.choose("/src/game.exe", error), t / "game_compressed1.exe");
    // A second source of the same name in this run must not take the first's name.
    EXPECT_EQ(namer.choose("/other/movie.SWF", error), t / "movie_compressed0.SWF");
    EXPECT_EQ(namer.choose("/src/noext", error), t / "noext_compressed");
}

TEST(CliOutputName, OverwriteReplacesFilesButNeverASourceOrADirectory) {
    Ttempdir t;
    std::string error;
    const std::string a = t.put("a.swf");
    const std::string b = t.put("a_compressed.swf");  // itself a source of this run
    t.put("c_compressed.swf");
    std::filesystem::create_directories(t / "d_compressed.swf");
    Toutputnamer namer("", true);
    namer.protect(a);
    namer.protect(b);
    EXPECT_EQ(namer.choose(a, error), t / "a_compressed0.swf");
    EXPECT_EQ(namer.choose(t / "c.swf", error), t / "c_compressed.swf");
    EXPECT_EQ(namer.choose(t / "d.swf", error), t / "d_compressed0.swf");
}

TEST(CliOutputName, TwoSpellingsOfOneDirectoryShareTheirNames) {
    Ttempdir t;
    std::string error;
    t.put("sub/m.swf");
    Toutputnamer namer("", false);
    EXPECT_EQ(namer.choose(t / "sub/m.swf", error), t / "sub/m_compressed.swf");
    EXPECT_EQ(namer.choose(t / "sub/../sub/m.swf", error), t / "sub/../sub/m_compressed0.swf");
    Toutputnamer into(t / "sub", false);
    EXPECT_EQ(into.choose("a/m.swf", error), t / "sub/m_compressed.swf");
    EXPECT_EQ(into.choose("b/m.swf", error), t / "sub/m_compressed0.swf");
}
