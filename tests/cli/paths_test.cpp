// The inputs a command line names, and the outputs they are written to.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "cli/filewalk.h"
#include "cli/outputname.h"
#include "tempdir.h"

TEST(CliFileWalk, RecognisesMovieNames) {
    for (const char* yes : {"a.swf", "A.SwF", "b.EXE"}) EXPECT_TRUE(ismoviename(yes)) << yes;
    for (const char* no : {".swf", "a.swf.txt", "aswf"}) EXPECT_FALSE(ismoviename(no)) << no;
    for (const char* yes : {"m_compressed.swf", "m_compressed12.SWF"}) EXPECT_TRUE(iscompressedname(yes)) << yes;
    for (const char* no : {"m_compressedx.swf", "compressed.swf"}) EXPECT_FALSE(iscompressedname(no)) << no;
}

TEST(CliFileWalk, WalksRecursivelyInSortedOrderAndSkipsEarlierOutput) {
    Ttempdir t;
    t.put("b.swf");
    t.put("a.SWF");
    t.put("notes.txt");
    t.put("sub/deeper/c.Exe");
    t.put("sub/a_compressed.swf");
    t.put("sub/a_compressed3.swf");
    Twalkresult w = collectinputs({t.path()});
    EXPECT_EQ(w.files, (std::vector<std::string>{t / "a.SWF", t / "b.swf", t / "sub/deeper/c.Exe"}));
    EXPECT_EQ(w.skipped, (std::vector<std::string>{t / "sub/a_compressed.swf", t / "sub/a_compressed3.swf"}));
    EXPECT_TRUE(w.errors.empty());
}

TEST(CliFileWalk, ExplicitNamesAreTakenAsGivenOnce) {
    Ttempdir t;
    const std::string out = t.put("m_compressed.swf");
    const std::string m = t.put("m.swf");
    Twalkresult w = collectinputs({out, t / "missing.swf", t.path(), m, t / "x.txt"});
    // The missing file stays in the list so that it fails with its own reason.
    EXPECT_EQ(w.files, (std::vector<std::string>{out, t / "missing.swf", m, t / "x.txt"}));
    EXPECT_EQ(w.skipped.size(), 0u) << "m_compressed.swf was reached first by name";
}

TEST(CliFileWalk, DirectoryLinksAreNotFollowed) {
    Ttempdir t;
    t.put("d/m.swf");
    ASSERT_EQ(symlink((t / "d").c_str(), (t / "d/loop").c_str()), 0);
    ASSERT_EQ(symlink((t / "d/m.swf").c_str(), (t / "d/link.swf").c_str()), 0);
    Twalkresult w = collectinputs({t.path()});
    EXPECT_EQ(w.files, (std::vector<std::string>{t / "d/link.swf"})) << "one file, reached through its link first";
}

TEST(CliFileWalk, UnreadableDirectoryIsReported) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every directory";
    Ttempdir t;
    t.put("locked/m.swf");
    std::filesystem::permissions(t / "locked", std::filesystem::perms::none);
    Twalkresult w = collectinputs({t.path()});
    std::filesystem::permissions(t / "locked", std::filesystem::perms::owner_all);
    ASSERT_EQ(w.errors.size(), 1u);
    EXPECT_NE(w.errors[0].find("locked"), std::string::npos);
}

TEST(CliOutputName, ExeFlagIsSetUnlessTheExtensionIsSwf) {
    for (const char* swf : {"movie.swf", "movie.SWF", "x/movie.sWf"}) EXPECT_EQ(exeflag(swf), 0) << swf;
    for (const char* exe : {"game.exe", "game.EXE", "swf", "a.swf/game", "movie.swf.bak"}) EXPECT_EQ(exeflag(exe), 1) << exe;
}

// Names keep the extension's case and count past taken ones. --overwrite replaces files but never a source or
// a directory; two spellings of one directory share their names.
TEST(CliOutputName, FreeNamesAndOverwrite) {
    Ttempdir t;
    std::string error;
    Toutputnamer namer(t.path(), false);
    EXPECT_EQ(namer.choose("/src/movie.SWF", error), t / "movie_compressed.SWF");
    t.put("game_compressed.exe");
    t.put("game_compressed0.exe");
    EXPECT_EQ(namer.choose("/src/game.exe", error), t / "game_compressed1.exe");
    // A second source of the same name in this run must not take the first's name.
    EXPECT_EQ(namer.choose("/other/movie.SWF", error), t / "movie_compressed0.SWF");
    EXPECT_EQ(namer.choose("/src.d/noext", error), t / "noext_compressed");
    EXPECT_EQ(namer.choose("/a.b/movie.v2.swf", error), t / "movie.v2_compressed.swf");
    const std::string a = t.put("a.swf");
    const std::string b = t.put("a_compressed.swf");  // itself a source of this run
    t.put("c_compressed.swf");
    std::filesystem::create_directories(t / "d_compressed.swf");
    Toutputnamer over("", true);
    over.protect(a);
    over.protect(b);
    EXPECT_EQ(over.choose(a, error), t / "a_compressed0.swf");
    EXPECT_EQ(over.choose(t / "c.swf", error), t / "c_compressed.swf");
    EXPECT_EQ(over.choose(t / "d.swf", error), t / "d_compressed0.swf");
    t.put("sub/m.swf");
    Toutputnamer plain("", false);
    EXPECT_EQ(plain.choose("bare.swf", error), "bare_compressed.swf");
    EXPECT_EQ(plain.choose(t / "sub/m.swf", error), t / "sub/m_compressed.swf");
    EXPECT_EQ(plain.choose(t / "sub/../sub/m.swf", error), t / "sub/../sub/m_compressed0.swf");
}
