// Whole-file helpers over POSIX calls.
#pragma once
#include <cstddef>
#include <cstdint>

int64_t filesize(const char* path);
int64_t filesize(int fd);
bool fileexists(const char* path);
int rmfile(const char* path);
int openexistfile(const char* path);
int openwritefile(const char* path);
int createnewfile(const char* path);
// Reads count bytes from offset (count 0: to the end); false when nothing could be read.
bool dump2file(const char* path, unsigned char*& array, int64_t offset, int64_t count, int fd = -1);
bool dump2tofile(bool append, const char* path, const unsigned char* array, int fd = -1, int from = 0, int to = -1);
// Writes the pieces to a temporary file beside path and renames it into place,
// so that path never holds a partial file. False (with the reason set) on failure.
bool writefileatomic(const char* path, const unsigned char* const* pieces, const uint32_t* sizes, int count);
bool samefile(const char* a, const char* b);

// Writes all n bytes to fd, retrying short and interrupted writes.
bool writeall(int fd, const void* data, size_t n);
