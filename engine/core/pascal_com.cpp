#include "pascal_com.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>

namespace pascal_com {

void* setlength_raw(void* handle, size_t elementsize, size_t count, bool zero) {
    if (count == 0) {
        if (handle) std::free(static_cast<uint32_t*>(handle) - 2);
        return nullptr;
    }
    if (count > UINT32_MAX || elementsize > (size_t(UINT32_MAX) - 8) / count) throw std::bad_alloc();
    const size_t bytes = elementsize * count;
    if (!handle) {
        size_t cap = bytes;
        auto* block = static_cast<uint32_t*>(zero ? std::calloc(1, cap + 8) : std::malloc(cap + 8));
        if (!block) throw std::bad_alloc();
        block[0] = uint32_t(cap);
        block[1] = uint32_t(count);
        return block + 2;
    }
    auto* block = static_cast<uint32_t*>(handle) - 2;
    const size_t oldbytes = size_t(block[1]) * elementsize;
    size_t cap = block[0];
    if (bytes > cap) {
        size_t newcap = cap + cap / 2;
        if (newcap < bytes) newcap = bytes;
        if (newcap > UINT32_MAX - 8) newcap = bytes;
        auto* grown = static_cast<uint32_t*>(std::realloc(block, newcap + 8));
        if (!grown) throw std::bad_alloc();
        block = grown;
        block[0] = uint32_t(newcap);
    } else if (bytes < cap / 4 && cap > 256) {
        // Give back what a generous first guess or a shrink left unused: a
        // movie holds millions of small arrays, and a quarter keeps the
        // grow-shrink churn of one array from reallocating every time.
        if (auto* smaller = static_cast<uint32_t*>(std::realloc(block, bytes + 8))) {
            block = smaller;
            block[0] = uint32_t(bytes);
        }
    }
    auto* data = reinterpret_cast<unsigned char*>(block + 2);
    // Bytes past the old end may hold stale data from an earlier shrink.
    if (zero && bytes > oldbytes) std::memset(data + oldbytes, 0, bytes - oldbytes);
    block[1] = uint32_t(count);
    return data;
}

void* move(const void* source, void* destination, size_t n) {
    if (n) std::memmove(destination, source, n);
    return destination;
}

int swf_round(double x) {
    double r = x >= 0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5);
    if (!(r < 2147483647.0)) return INT32_MAX;  // also catches NaN
    if (r < -2147483648.0) return INT32_MIN;
    return int(r);
}

}  // namespace pascal_com

using namespace pascal_com;

void bytearrayappendraw(unsigned char*& destination, const void* data, size_t n) {
    if (!n) return;
    size_t old = length(destination);
    destination = static_cast<unsigned char*>(setlength_raw(destination, 1, old + n, false));
    std::memcpy(destination + old, data, n);
}

void bytearrayappend(unsigned char*& destination, const unsigned char* source, int from, int to) {
    if (!source) return;
    if (to == -1) to = high(source);
    if (from < 0 || to < from || uint32_t(to) >= length(source)) return;
    bytearrayappendraw(destination, source + from, size_t(to - from + 1));
}

void bytearrayreplace(unsigned char*& destination, const unsigned char* source, int from, int to) {
    if (!source) return;
    setlength(destination, 1, 0);
    bytearrayappend(destination, source, from, to);
}

int getmaxfromarray(int a, int b, int c, int d) {
    int best = a;
    for (int v : {b, c, d})
        if (swf_abs(double(v)) > swf_abs(double(best))) best = v;
    return best;
}

int getbytecount(int value, int zerobits) {
    if (value == 0) return zerobits ? 1 : 0;
    const uint32_t v = uint32_t(value);
    const uint32_t sign = v >> 31;
    int i = -1;
    for (int b = 30; b >= 0; --b)
        if (((v >> b) & 1u) != sign) { i = b; break; }
    if (i < 0) return 2;  // -1
    int n = i + 2;
    // A negative power of two gets one bit more than it needs.
    if (sign && (v & ((uint32_t(2) << i) - 1u)) == 0) ++n;
    return n;
}
