// A table of 65536 entries indexed like an array, for the per-movie tables
// keyed by character id or depth. Entries live in blocks allocated on first
// use, and clear() is constant time: a block is zeroed when it is next
// touched. A tiny movie then costs a few kilobytes, not megabytes, and
// reading movie after movie in one process never sweeps the whole table.
#pragma once
#include <cstdint>
#include <memory>

template <class T>
class Tlazytable {
public:
    static constexpr uint32_t kentries = 65536;

    T& operator[](uint32_t i) {
        Tblock& b = block(i);
        return b.entries[i & kmask];
    }
    // Without allocating: a zero entry for one never written since the last clear.
    const T& peek(uint32_t i) const {
        const Tblock* b = blocks_[(i >> kshift) & (kblocks - 1)].get();
        return b && b->epoch == epoch_ ? b->entries[i & kmask] : zero();
    }
    void clear() {
        if (++epoch_ == 0) {
            // The counter wrapped: a block stamped long ago could pass as current.
            for (auto& b : blocks_) b.reset();
            epoch_ = 1;
        }
    }
    // Gives the memory back as well.
    void release() {
        for (auto& b : blocks_) b.reset();
        epoch_ = 1;
    }
    constexpr uint32_t size() const { return kentries; }

private:
    static constexpr uint32_t kshift = 8;
    static constexpr uint32_t kmask = (1u << kshift) - 1;
    static constexpr uint32_t kblocks = kentries >> kshift;
    struct Tblock {
        uint32_t epoch = 0;
        T entries[kmask + 1]{};
    };
    static const T& zero() {
        static const T z{};
        return z;
    }
    Tblock& block(uint32_t i) {
        std::unique_ptr<Tblock>& p = blocks_[(i >> kshift) & (kblocks - 1)];
        if (!p) p = std::make_unique<Tblock>();
        else if (p->epoch != epoch_)
            for (T& e : p->entries) e = T{};
        p->epoch = epoch_;
        return *p;
    }
    std::unique_ptr<Tblock> blocks_[kblocks];
    uint32_t epoch_ = 1;
};
