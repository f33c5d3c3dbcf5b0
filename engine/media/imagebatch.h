// The bitmaps of one movie re-encoded on a pool of threads while the movie is
// written. Jobs are self-contained copies; results are taken by the writer
// in file order and are the same bytes as a run on one thread.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

#include "bitmapjob.h"

// Threads that encode bitmaps: 0 = one per core, 1 = none besides the
// writer's own (sequential).
extern int CCimagethreads;

class Timagebatch {
public:
    Timagebatch(std::vector<Tbitmapinput> jobs, int threads);
    // Skips what has not started and waits for what is running.
    ~Timagebatch();
    Timagebatch(const Timagebatch&) = delete;
    Timagebatch& operator=(const Timagebatch&) = delete;

    // The result of job k, run on the calling thread if no worker took it
    // yet; each job's result can be taken once.
    Tbitmapresult take(size_t k);
    size_t size() const { return slots_.size(); }
    int threads() const { return int(workers_.size()); }

private:
    enum Tstate { PENDING, RUNNING, DONE, TAKEN };
    struct Tslot {
        Tbitmapinput input;
        Tbitmapresult result;
        Tstate state = PENDING;
    };
    void work();
    // Runs slot k, which the caller has claimed; lock is held on entry and exit.
    void runslot(size_t k, std::unique_lock<std::mutex>& lock);

    std::vector<Tslot> slots_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable done_;
    size_t next_ = 0;  // first slot no worker has looked at
    bool stop_ = false;
};
