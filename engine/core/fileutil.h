// Whole-file helpers over POSIX calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

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

// The bytes a scratch folder made by makescratchdir and a name from
// scratchname add to the root's absolute path, at most.
constexpr size_t kscratchroom = 64;

// Creates this process's own scratch folder under root: root is created when
// missing (0700), refused when others could swap folders in it (group- or
// world-writable without the sticky bit, or another user's), and the folder
// itself comes from mkdtemp (0700) as "<prefix>-<pid>-XXXXXX". Returns its
// absolute path ending with '/', or empty with the reason in error.
std::string makescratchdir(const std::string& root, const char* prefix, std::string& error);
// Removes a folder made by makescratchdir with everything in it.
void removescratchdir(const std::string& dir);
// Removes "<prefix>-<pid>-XXXXXX" folders under root that belong to this user
// and whose process is gone: what runs that were killed left behind.
void removestalescratch(const std::string& root, const char* prefix);
// dir + stem + "-<pid>-<n>" + ext, a name no other call in any process gives.
std::string scratchname(const std::string& dir, const char* stem, const char* ext);
