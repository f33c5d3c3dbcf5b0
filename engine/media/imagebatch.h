// The bitmaps of one movie re-encoded beside the writer, on the pool that
// sound and video work shares (workpool.h). Jobs are self-contained copies;
// results are taken by the writer in file order and are the same bytes as a
// run on one thread.
#pragma once
#include <cstddef>
#include <vector>

#include "bitmapjob.h"
#include "workpool.h"

class Timagebatch {
public:
    // threads 1: run each job when it is taken; otherwise on the pool.
    Timagebatch(std::vector<Tbitmapinput> jobs, int threads);
    // Skips what has not started and waits for what is running.
    ~Timagebatch() = default;
    Timagebatch(const Timagebatch&) = delete;
    Timagebatch& operator=(const Timagebatch&) = delete;

    // The result of job k, run on the calling thread if no worker took it
    // yet; each job's result can be taken once.
    Tbitmapresult take(size_t k);
    size_t size() const { return slots_.size(); }
    // Threads besides the writer's that may run the jobs.
    int threads() const { return threads_; }

private:
    struct Tslot {
        Tbitmapinput input;
        Tbitmapresult result;
        Twork work;  // last, so that it is dropped before what it uses
    };
    std::vector<Tslot> slots_;
    int threads_ = 0;
};
