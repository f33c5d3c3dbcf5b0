#include "posarray.h"

#include "../core/parsefill.h"

namespace {

uint64_t pointkey(int32_t x, int32_t y) { return uint64_t(uint32_t(x)) << 32 | uint32_t(y); }

uint64_t mix(uint64_t k) {
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdULL;
    k ^= k >> 33;
    k *= 0xc4ceb9fe1a85ec53ULL;
    k ^= k >> 33;
    return k;
}

int32_t checked(int64_t v) {
    if (v < INT32_MIN || v > INT32_MAX) throw Tparseerror("shape coordinate out of range");
    return int32_t(v);
}

}  // namespace

int32_t Tposarray::Tpointindex::lookup(uint64_t key, bool add) {
    if (slots_.empty()) {
        if (!add) return -1;
        rehash(64);
    }
    size_t mask = slots_.size() - 1;
    for (size_t i = mix(key) & mask;; i = (i + 1) & mask) {
        Tslot& s = slots_[i];
        if (s.value < 0) {
            if (!add) return -1;
            int32_t v = count_++;
            s.key = key;
            s.value = v;
            if (size_t(count_) * 2 > slots_.size()) rehash(slots_.size() * 2);
            return v;
        }
        if (s.key == key) return s.value;
    }
}

void Tposarray::Tpointindex::reserve(size_t n) {
    size_t want = 64;
    while (want < 2 * n + 2) want *= 2;
    if (want > slots_.size()) rehash(want);
}

void Tposarray::Tpointindex::rehash(size_t size) {
    std::vector<Tslot> old(size, Tslot{0, -1});
    old.swap(slots_);
    size_t mask = slots_.size() - 1;
    for (const Tslot& s : old) {
        if (s.value < 0) continue;
        size_t i = mix(s.key) & mask;
        while (slots_[i].value >= 0) i = (i + 1) & mask;
        slots_[i] = s;
    }
}

Tposarray::Tposarray() = default;
Tposarray::~Tposarray() = default;

void Tposarray::reserve(size_t n) {
    posindex_.reserve(n);
    positions_.reserve(n);
}

int32_t Tposarray::addpos(int32_t x, int32_t y) {
    currentx = x;
    currenty = y;
    return querypos(x, y, true);
}

int32_t Tposarray::addposadd(int32_t dx, int32_t dy) {
    int32_t x = checked(currentx + dx);
    int32_t y = checked(currenty + dy);
    currentx = x;
    currenty = y;
    return querypos(x, y, true);
}

int32_t Tposarray::querypos(int32_t x, int32_t y, bool add) {
    lastrepeat = -1;
    int32_t before = posindex_.size();
    int32_t index = posindex_.lookup(pointkey(x, y), add);
    if (index < 0) return -1;
    if (index == before) {
        positions_.push_back(Tposentry{x, y, 0, 0});
        return index;
    }
    lastrepeat = querymulti(x, y, true);
    return index;
}

int32_t Tposarray::querymulti(int32_t x, int32_t y, bool add) { return repindex_.lookup(pointkey(x, y), add); }

Tnewposarray::Tnewposarray(int32_t d) : divisor(d < 1 ? 1 : d) {}

void Tnewposarray::calexy(int32_t x, int32_t y, int32_t& nx, int32_t& ny) {
    nx = pascal_com::swf_round(double(x) / divisor);
    ny = pascal_com::swf_round(double(y) / divisor);
}

int32_t Tnewposarray::newaddpos(int32_t x, int32_t y, int32_t& nx, int32_t& ny) {
    calexy(x, y, nx, ny);
    int32_t index = addpos(x, y);
    Tposentry& e = positions_[size_t(index)];
    if (lastrepeat != -1) {
        nx = e.nx;
        ny = e.ny;
    } else {
        e.nx = nx;
        e.ny = ny;
    }
    lastmappedx = nx;
    lastmappedy = ny;
    return index;
}

void Tnewposarray::newaddposadd(int32_t dx, int32_t dy, int32_t& ndx, int32_t& ndy) {
    int64_t px = lastmappedx, py = lastmappedy;
    int32_t nx, ny;
    newaddpos(checked(currentx + dx), checked(currenty + dy), nx, ny);
    ndx = checked(nx - px);
    ndy = checked(ny - py);
}
