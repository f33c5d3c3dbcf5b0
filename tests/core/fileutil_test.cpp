// The private scratch folder: which roots are refused, what a process gets and what a later run may sweep away.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "core/fileutil.h"
#include "support/enginerun.h"

namespace fs = std::filesystem;

namespace {

mode_t modeof(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// The pid of a process that has ended.
pid_t deadpid() {
    pid_t pid = fork();
    if (pid == 0) _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

}  // namespace

TEST(ScratchFolder, OnlyRootsNoOtherUserCanRearrange) {
    swfb::Scratchdir t("scratchroot");
    struct Case {
        const char* what;
        mode_t mode;  // 0: the root does not exist yet
        bool accepted;
    } cases[] = {
        {"missing", 0, true},          {"private", 0700, true},       {"readable by all", 0755, true},
        {"sticky like /tmp", 01777, true}, {"world-writable", 0777, false}, {"group-writable", 0770, false},
    };
    for (const Case& c : cases) {
        const std::string root = t.file(std::string(c.what) + "/temp");
        if (c.mode) {
            fs::create_directories(root);
            chmod(root.c_str(), c.mode);
        }
        std::string error;
        const std::string dir = makescratchdir(root, "cli", error);
        SCOPED_TRACE(c.what);
        EXPECT_EQ(!dir.empty(), c.accepted) << error;
        if (!c.accepted) {
            EXPECT_NE(error.find("not sticky"), std::string::npos) << error;
            EXPECT_TRUE(fs::is_empty(root)) << "nothing made in it";
            continue;
        }
        EXPECT_EQ(modeof(dir), 0700u);
        EXPECT_EQ(dir.back(), '/');
        if (!c.mode) {
            EXPECT_EQ(modeof(root), 0700u) << "a root made here is private";
        }
    }
}

TEST(ScratchFolder, EachCallGetsAFreshAbsoluteFolderNeverOneThatWasThere) {
    swfb::Scratchdir t("scratchnew");
    const std::string root = t.file("root");
    // What an older version, or another user, may have left under this pid's name.
    fs::create_directories(root + "/cli-" + std::to_string(getpid()));
    std::string error;
    std::set<std::string> made;
    for (int i = 0; i < 3; ++i) {
        const std::string dir = makescratchdir(root, "cli", error);
        ASSERT_FALSE(dir.empty()) << error;
        EXPECT_EQ(dir.rfind(root + "/cli-" + std::to_string(getpid()) + "-", 0), 0u) << dir;
        EXPECT_TRUE(fs::is_empty(dir));
        made.insert(dir);
    }
    EXPECT_EQ(made.size(), 3u);

    // A root named relative to the current folder, starting with '-', comes back absolute.
    const fs::path cwd = fs::current_path();
    fs::current_path(t.path());
    const std::string dir = makescratchdir("-x", "cli", error);
    fs::current_path(cwd);
    ASSERT_FALSE(dir.empty()) << error;
    EXPECT_EQ(dir.rfind(t.path() + "-x/cli-", 0), 0u) << dir;

    const std::string a = scratchname(dir, "tmpsound", ".wav"), b = scratchname(dir, "tmpsound", ".wav");
    EXPECT_NE(a, b);
    EXPECT_EQ(a.rfind(dir + "tmpsound-" + std::to_string(getpid()) + "-", 0), 0u) << a;
    removescratchdir(dir);
    EXPECT_FALSE(fs::exists(dir));
}

TEST(ScratchFolder, SweepTakesOnlyOurFoldersOfEndedProcesses) {
    swfb::Scratchdir t("scratchsweep");
    const std::string root = t.file("root/");
    const std::string dead = std::to_string(deadpid());
    fs::create_directories(t.file("elsewhere/keep"));
    struct Entry {
        std::string name;
        bool swept;
    } entries[] = {
        {"cli-" + dead + "-a1B2c3", true},
        {"cli-" + dead, true},                                   // an older version's name
        {"cli-" + std::to_string(getpid()) + "-zzzzzz", false},  // this process
        {"cli-1-abcdef", false},                                 // a process that runs
        {"app-" + dead + "-a1B2c3", false},                      // the other front end's
        {"cli-" + dead + "-toolong7", false},
        {"notes-" + dead, false},
    };
    for (const Entry& e : entries) fs::create_directories(root + e.name + "/inside");
    // A link is never followed, whatever its name.
    fs::create_symlink(t.file("elsewhere"), root + "cli-" + dead + "-linked");
    removestalescratch(root, "cli");
    for (const Entry& e : entries) EXPECT_EQ(fs::exists(root + e.name), !e.swept) << e.name;
    EXPECT_TRUE(fs::exists(t.file("elsewhere/keep")));
}
