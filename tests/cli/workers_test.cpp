#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <set>
#include <vector>

#include <unistd.h>

#include "cli/workers.h"

namespace {
Tfileresult echo(size_t index, const Tprogressfn& progress) {
    progress(50);
    Tfileresult r;
    r.source = "file" + std::to_string(index);
    r.ok = true;
    r.srcsize = int64_t(index) * 10;
    r.ms = getpid();
    return r;
}
}  // namespace

// Every task comes back once, from several processes; a dying worker fails only its own file.
TEST(CliWorkers, EveryTaskComesBackOnceFromSeveralProcesses) {
    Tworkerpool pool(3, nullptr);
    std::vector<int> seen(20, 0);
    std::vector<Tfileresult> results(20);
    std::set<int64_t> pids;
    int progress = 0;
    pool.run(
        seen.size(),
        [](size_t i, const Tprogressfn& p) {
            if (i == 2) raise(SIGKILL);  // a crash no sanitizer can intercept
            if (i == 4) _exit(3);
            return echo(i, p);
        },
        [&](size_t, int p) { progress += p == 50; },
        [&](size_t i, Tfileresult& r) {
            ++seen[i];
            results[i] = r;
            if (r.ok) pids.insert(r.ms);
        },
        [] { return false; });
    EXPECT_EQ(seen, std::vector<int>(20, 1));
    EXPECT_EQ(progress, 18);
    EXPECT_GE(pids.size(), 2u);
    EXPECT_EQ(pids.count(getpid()), 0u);
    for (size_t i = 0; i < results.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(results[i].ok, i != 2 && i != 4);
        if (results[i].ok) {
            EXPECT_EQ(results[i].source, "file" + std::to_string(i));
            EXPECT_EQ(results[i].srcsize, int64_t(i) * 10);
        }
    }
    EXPECT_NE(results[2].error.find("signal"), std::string::npos) << results[2].error;
    EXPECT_NE(results[4].error.find("status 3"), std::string::npos) << results[4].error;
}

TEST(CliWorkers, EndingNowStopsHangingWorkersAndAccountsForEachFileOnce) {
    Tworkerpool pool(2, nullptr);
    std::vector<int> seen(10, 0);
    std::vector<Tfileresult> results(10);
    bool hanging = false;
    const auto start = std::chrono::steady_clock::now();
    pool.run(
        seen.size(),
        [](size_t i, const Tprogressfn& p) {
            if (i >= 2) {
                signal(SIGINT, SIG_IGN);  // deaf to the first stop, as an engine deep in a tag
                p(1);
                sleep(30);
            }
            return echo(i, p);
        },
        [&](size_t, int percent) { hanging = hanging || percent == 1; },
        [&](size_t i, Tfileresult& r) {
            ++seen[i];
            results[i] = r;
        },
        [&] { return hanging ? 2 : 0; });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    // A hanging file was handed out only after another had finished.
    int ok = 0, interrupted = 0;
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_LE(seen[i], 1);
        if (!seen[i]) continue;
        ok += results[i].ok;
        interrupted += !results[i].ok;
        EXPECT_EQ(results[i].error, results[i].ok ? "" : "interrupted");
    }
    EXPECT_GE(ok, 1);
    EXPECT_GE(interrupted, 1) << "the hanging file is accounted for";
}
