#include "imagebatch.h"

#include <system_error>

int CCimagethreads = 0;

Timagebatch::Timagebatch(std::vector<Tbitmapinput> jobs, int threads) {
    slots_.resize(jobs.size());
    for (size_t i = 0; i < jobs.size(); ++i) slots_[i].input = std::move(jobs[i]);
    if (threads <= 0) threads = int(std::thread::hardware_concurrency());
    if (threads <= 1 || slots_.size() < 2) return;
    if (size_t(threads) > slots_.size()) threads = int(slots_.size());
    try {
        for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
        // Fewer threads, or none: the writer runs what is left itself.
    }
}

Timagebatch::~Timagebatch() {
    {
        std::lock_guard<std::mutex> g(mutex_);
        stop_ = true;
    }
    for (auto& t : workers_) t.join();
}

void Timagebatch::runslot(size_t k, std::unique_lock<std::mutex>& lock) {
    Tslot& s = slots_[k];
    s.state = RUNNING;
    lock.unlock();
    Tbitmapresult r = encodebitmap(s.input);
    lock.lock();
    s.result = std::move(r);
    s.input = Tbitmapinput{};
    s.state = DONE;
    done_.notify_all();
}

void Timagebatch::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        while (next_ < slots_.size() && slots_[next_].state != PENDING) ++next_;
        if (next_ >= slots_.size()) return;
        runslot(next_++, lock);
    }
}

Tbitmapresult Timagebatch::take(size_t k) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (k >= slots_.size() || slots_[k].state == TAKEN) return Tbitmapresult{};
    Tslot& s = slots_[k];
    if (s.state == PENDING) runslot(k, lock);
    done_.wait(lock, [&s] { return s.state == DONE; });
    s.state = TAKEN;
    return std::move(s.result);
}
