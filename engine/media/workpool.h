// Work of the movie being written that runs beside the writer: bitmap
// encodes, sound encodes and video transcodes share one pool of threads.
// Work is queued in file order and taken by the writer in file order; a
// piece no thread has started yet is run by the writer itself when it needs
// it, so the bytes never depend on how many threads there are.
#pragma once
#include <functional>
#include <memory>

struct Tworkstate;

// Threads for the work of a movie, the writer's own included: 0 = one per
// core, 1 = none besides the writer's own (sequential).
extern int CCimagethreads;

class Twork {
public:
    Twork() = default;
    // Queues fn, or with background false keeps it for finish() to run.
    // Urgent work goes to the front of the queue: a part of a piece already
    // running, which the writer will want before anything queued after it.
    explicit Twork(std::function<void()> fn, bool background = true, bool urgent = false);
    // Drops work not started yet and waits for work that is running.
    ~Twork();
    Twork(Twork&&) noexcept = default;
    Twork& operator=(Twork&& other) noexcept;
    Twork(const Twork&) = delete;
    Twork& operator=(const Twork&) = delete;

    bool valid() const { return state_ != nullptr; }
    // Waits for the work (running it here if no thread took it, and any
    // other queued work while waiting), adds its tool notes and rethrows
    // what it threw. The work is then spent: valid() is false.
    void finish();

private:
    void drop();
    std::shared_ptr<Tworkstate> state_;
};

// Threads the pool may run besides the writer's own, from CCimagethreads.
int workthreads();
// Cores shared with other processes (the command line's -j): a thread of the
// pool reads a byte from readfd before it starts a piece and writes it back to
// writefd after, so that all processes together keep to the cores they were
// given; -1 for both: no sharing.
void setcoreshare(int readfd, int writefd);
