#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "cli/filewalk.h"
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
