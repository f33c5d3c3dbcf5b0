#include <gtest/gtest.h>

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

TEST(CliWorkers, EveryTaskComesBackOnceFromSeveralProcesses) {
    Tworkerpool pool(3, nullptr);
    std::vector<int> seen(20, 0);
    std::set<int64_t> pids;
    int progress = 0;
    pool.run(
        seen.size(), echo, [&](size_t, int p) { progress += p == 50; },
        [&](size_t i, Tfileresult& r) {
            ++seen[i];
            EXPECT_EQ(r.source, "file" + std::to_string(i));
            EXPECT_EQ(r.srcsize, int64_t(i) * 10);
            pids.insert(r.ms);
        },
        [] { return false; });
    EXPECT_EQ(seen, std::vector<int>(20, 1));
    EXPECT_EQ(progress, 20);
    EXPECT_GE(pids.size(), 2u);
    EXPECT_EQ(pids.count(getpid()), 0u);
}

TEST(CliWorkers, ADyingWorkerFailsOnlyItsOwnFile) {
    Tworkerpool pool(2, nullptr);
    std::vector<Tfileresult> results(6);
    pool.run(
        results.size(),
        [](size_t i, const Tprogressfn& p) {
            if (i == 2) raise(SIGKILL);  // a crash no sanitizer can intercept
            if (i == 4) _exit(3);
            return echo(i, p);
        },
        [](size_t, int) {}, [&](size_t i, Tfileresult& r) { results[i] = r; }, [] { return false; });
    for (size_t i = 0; i < results.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(results[i].ok, i != 2 && i != 4);
    }
    EXPECT_NE(results[2].error.find("signal"), std::string::npos) << results[2].error;
    EXPECT_NE(results[4].error.find("status 3"), std::string::npos) << results[4].error;
}

TEST(CliWorkers, StopHandsOutNothingMore) {
    Tworkerpool pool(2, nullptr);
    int done = 0;
    pool.run(
        50, echo, [](size_t, int) {}, [&](size_t, Tfileresult&) { ++done; }, [&] { return done >= 3; });
    EXPECT_GE(done, 3);
    EXPECT_LE(done, 5) << "at most the files already handed out finish";
}
