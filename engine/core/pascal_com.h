// Length-prefixed dynamic arrays: one pointer per array, null when empty.
#pragma once
#include <cstddef>
#include <cstdint>

namespace pascal_com {

// Layout: [u32 capacity in bytes][u32 count][elements...]; the handle points at
// the first element, so the count sits in the four bytes right before it.
// The capacity lets repeated one-by-one growth stay amortised linear.
inline uint32_t length(const void* handle) {
    return handle ? reinterpret_cast<const uint32_t*>(handle)[-1] : 0u;
}
inline int32_t high(const void* handle) { return int32_t(length(handle)) - 1; }
inline int32_t low(const void* handle) { return handle ? 0 : -1; }

// zero false: the caller writes every new byte itself at once.
void* setlength_raw(void* handle, size_t elementsize, size_t count, bool zero = true);

template <typename T>
inline void setlength(T*& handle, size_t elementsize, size_t count) {
    handle = static_cast<T*>(setlength_raw(handle, elementsize, count));
}
// Element size taken from the handle's type.
template <typename T>
inline void setlen(T*& handle, size_t count) {
    setlength(handle, sizeof(T), count);
}
template <typename T>
inline void freearray(T*& handle) {
    setlength(handle, 1, 0);
}

void* move(const void* source, void* destination, size_t n);
int swf_round(double x);
inline double swf_abs(double x) { return x < 0 ? -x : x; }
inline int swf_abs(int x) { return x < 0 ? -x : x; }

}  // namespace pascal_com

using bytes_t = unsigned char*;

void bytearrayappend(unsigned char*& destination, const unsigned char* source, int from, int to);
void bytearrayreplace(unsigned char*& destination, const unsigned char* source, int from, int to);
void bytearrayappendraw(unsigned char*& destination, const void* data, size_t n);
int getmaxfromarray(int a, int b, int c, int d);
int getbytecount(int value, int zerobits);
