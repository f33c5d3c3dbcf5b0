// Interrupts and a killed command line, with a lame that hangs: the tools
// go down with the program, and what is on disk is what was reported.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

#include "support/soundbuilder.h"
#include "tempdir.h"

namespace {

using namespace std::chrono_literals;
using Tclock = std::chrono::steady_clock;

using swfb::alive;
using swfb::waitfor;

// Exit status (1000 + the signal for a death by signal), or -1 when pid has
// not ended within limit (it is then killed).
int reap(pid_t pid, std::chrono::milliseconds limit) {
    int status = 0;
    if (!waitfor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

class CliInterrupt : public ::testing::Test {
protected:
    // A lame that notes its pid and then sleeps for `seconds`.
    void fakelame(const std::string& seconds) {
        swfb::writescript(t / "tools/lame", "#!/bin/sh\necho $$ >> '" + (t / "toolpids") + "'\nexec sleep " + seconds + "\n");
    }
    pid_t start(std::vector<std::string> args) {
        args.insert(args.begin(), {SHRINKWELL_CLI, "--tmp", t / "scratch", "--tools", t / "tools", "--json",
                                   "--sound-quality", "3", "-o", t / "out"});
        return spawnwithfiles(args, t / "stdout", t / "stderr", "", true);
    }
    std::vector<pid_t> toolpids() const {
        std::vector<pid_t> v;
        std::istringstream in(slurp(t / "toolpids"));
        for (pid_t p; in >> p;) v.push_back(p);
        return v;
    }
    void expectnotoolleft() const {
        for (pid_t p : toolpids()) EXPECT_TRUE(waitfor([&] { return !alive(p); }, 1000ms)) << "tool " << p;
    }
    Ttempdir t;
};

// An interrupt, or a kill, ends the hanging tool at once and leaves nothing.
TEST_F(CliInterrupt, AnInterruptOrAKillEndsTheHangingToolAtOnce) {
    fakelame("30");
    t.put("in/a.swf", swfb::build(swfb::adpcmmovie(4000, 11025, 1)));
    for (const auto& [jobs, sig, status] : {std::tuple{"1", SIGTERM, 130}, {"2", SIGTERM, 130}, {"1", SIGKILL, 1009}}) {
        SCOPED_TRACE(std::string(jobs) + " " + std::to_string(sig));
        std::filesystem::remove(t / "toolpids");
        t.put("in/b.swf", swfb::build(swfb::adpcmmovie(4000, 11025, 1)));
        const pid_t cli = start({"-j", jobs, t / "in"});
        ASSERT_TRUE(waitfor([&] { return !toolpids().empty(); }, 10000ms)) << slurp(t / "stderr");
        const auto sent = Tclock::now();
        kill(cli, sig);
        EXPECT_EQ(reap(cli, 5000ms), status) << slurp(t / "stderr");
        EXPECT_LT(Tclock::now() - sent, 2000ms);
        expectnotoolleft();
        EXPECT_TRUE(std::filesystem::is_empty(t / "out")) << "interrupted files leave nothing";
    }
}

// Whatever moment the second interrupt comes at, every output on disk is
// reported, every reported output is on disk, and no partial write is left.
TEST_F(CliInterrupt, ASecondInterruptWithWorkersReportsWhatIsOnDisk) {
    fakelame("0.15");
    for (int i = 0; i < 12; ++i) t.put("in/m" + std::to_string(i) + ".swf", swfb::build(swfb::adpcmmovie(4000, 11025, 1)));
    for (auto gap : {0ms, 40ms, 120ms}) {
        SCOPED_TRACE(gap.count());
        std::filesystem::remove_all(t / "out");
        std::filesystem::remove(t / "toolpids");
        const pid_t cli = start({"-j", "2", t / "in"});
        ASSERT_TRUE(waitfor([&] { return toolpids().size() >= 3; }, 10000ms)) << slurp(t / "stderr");
        // Ctrl-C reaches the workers too.
        kill(-cli, SIGINT);
        std::this_thread::sleep_for(gap);
        const auto second = Tclock::now();
        kill(-cli, SIGINT);
        EXPECT_EQ(reap(cli, 5000ms), 130) << slurp(t / "stderr");
        EXPECT_LT(Tclock::now() - second, 1000ms);

        std::set<std::string> reported, ondisk;
        const std::string out = slurp(t / "stdout");
        const std::regex written("\"output\":\"([^\"]*)\",\"ok\":true");
        for (std::sregex_iterator m(out.begin(), out.end(), written), end; m != end; ++m) reported.insert((*m)[1]);
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(t / "out", ec)) ondisk.insert(e.path().string());
        EXPECT_EQ(reported, ondisk) << slurp(t / "stdout") << slurp(t / "stderr");
        expectnotoolleft();
    }
}

}  // namespace
