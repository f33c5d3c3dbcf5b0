#include "imagebatch.h"

#include <algorithm>
#include <numeric>

Timagebatch::Timagebatch(std::vector<Tbitmapinput> jobs, int threads) : slots_(jobs.size()) {
    const bool background = threads != 1 && workthreads() > 0;
    threads_ = background ? workthreads() : 0;
    // Largest first: a large picture queued last would leave one core working
    // alone at the end. The writer still takes the results in file order.
    std::vector<size_t> order(jobs.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return int64_t(jobs[a].width) * jobs[a].height > int64_t(jobs[b].width) * jobs[b].height;
    });
    for (size_t i : order) {
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
