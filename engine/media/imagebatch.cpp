#include "imagebatch.h"

Timagebatch::Timagebatch(std::vector<Tbitmapinput> jobs, int threads) : slots_(jobs.size()) {
    const bool background = threads != 1 && workthreads() > 0;
    threads_ = background ? workthreads() : 0;
    for (size_t i = 0; i < jobs.size(); ++i) {
        Tslot& s = slots_[i];
        s.input = std::move(jobs[i]);
        // The slot is not moved again: the vector was sized once, above.
        s.work = Twork(
            [&s] {
                s.result = encodebitmap(s.input);
                s.input = Tbitmapinput{};
            },
            background);
    }
}

Tbitmapresult Timagebatch::take(size_t k) {
    if (k >= slots_.size() || !slots_[k].work.valid()) return Tbitmapresult{};
    slots_[k].work.finish();
    return std::move(slots_[k].result);
}
