#include "fileutil.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "enginestate.h"
#include "pascal_com.h"

using namespace pascal_com;

int64_t filesize(int fd) {
    if (lseek(fd, 0, SEEK_SET) < 0) return 0;
    off_t end = lseek(fd, 0, SEEK_END);
    return end < 0 ? 0 : int64_t(end);
}

// O_NONBLOCK: opening a FIFO for reading must not wait for a writer.
static int openread(const char* path) { return open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK); }

int64_t filesize(const char* path) {
    int fd = openread(path);
    if (fd < 0) return 0;
    // The seek end of a directory or device is no size to read by.
    struct stat st;
    int64_t n = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? filesize(fd) : 0;
    close(fd);
    return n;
}

bool fileexists(const char* path) {
    int fd = openread(path);
    if (fd < 0) return false;
    close(fd);
    return fd >= 1;
}

int rmfile(const char* path) {
    chmod(path, 0666);
    unlink(path);
    return 1;
}

int openexistfile(const char* path) { return open(path, O_RDWR | O_CLOEXEC); }
int openwritefile(const char* path) { return open(path, O_RDWR | O_CLOEXEC); }

int createnewfile(const char* path) {
    unlink(path);
    return open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

static bool readall(int fd, unsigned char* p, size_t n, int64_t offset) {
    while (n > 0) {
        ssize_t got = pread(fd, p, n, offset);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        p += got;
        n -= size_t(got);
        offset += got;
    }
    return true;
}

bool writeall(int fd, const void* data, size_t n) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    while (n > 0) {
        ssize_t put = write(fd, p, n);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        p += put;
        n -= size_t(put);
    }
    return true;
}

bool dump2file(const char* path, unsigned char*& array, int64_t offset, int64_t count, int fd) {
    bool mine = fd == -1;
    if (mine) {
        fd = openread(path);
        if (fd < 0) return false;
        struct stat st;
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            close(fd);
            errno = EISDIR;
            return false;
        }
    }
    int64_t size = filesize(fd);
    int64_t n = count ? count : size - offset;
    bool ok = offset >= 0 && n >= 0 && offset + n <= size && n <= int64_t(UINT32_MAX - 16);
    if (ok) {
        setlength(array, 1, size_t(n));
        ok = n == 0 || readall(fd, array, size_t(n), offset);
        if (!ok) setlength(array, 1, 0);
    }
    if (mine) close(fd);
    return ok;
}

bool dump2tofile(bool append, const char* path, const unsigned char* array, int fd, int from, int to) {
    bool mine = fd == -1;
    if (mine) {
        int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
        fd = open(path, flags, 0666);
        if (fd < 0) return false;
    } else if (append) {
        lseek(fd, 0, SEEK_END);
    }
    bool ok = true;
    uint32_t n = length(array);
    if (to == -1) to = int(n) - 1;
    if (array && from >= 0 && to >= from && uint32_t(to) < n) ok = writeall(fd, array + from, size_t(to - from + 1));
    if (mine) ok = close(fd) == 0 && ok;
    return ok;
}

bool writefileatomic(const char* path, const unsigned char* const* pieces, const uint32_t* sizes, int count) {
    std::string tmp = std::string(path) + ".partXXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0) {
        seterror("cannot create a file beside %s: %s", path, std::strerror(errno));
        return false;
    }
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) ok = writeall(fd, pieces[i], sizes[i]);
    int err = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && rename(tmp.c_str(), path) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        unlink(tmp.c_str());
        seterror("cannot write %s: %s", path, std::strerror(err));
    }
    return ok;
}

bool samefile(const char* a, const char* b) {
    struct stat sa, sb;
    if (stat(a, &sa) != 0 || stat(b, &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

namespace {

std::string absolutepath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    std::vector<char> cwd(4096);
    if (!getcwd(cwd.data(), cwd.size())) return "";
    std::string base = cwd.data();
    if (base.back() != '/') base += '/';
    // "./" stays harmless wherever the name ends up.
    return base + (path.compare(0, 2, "./") == 0 ? path.substr(2) : path);
}

// Why folder could be rearranged under us; empty when it cannot.
std::string unsafefolder(const std::string& folder) {
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) return std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return "not a directory";
    // Its owner, and anyone who may write in it without the sticky bit, can
    // rename what is in it and put something of their own in its place.
    if (st.st_uid != geteuid() && st.st_uid != 0) return "it belongs to another user";
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) && !(st.st_mode & S_ISVTX))
        return "other users may write in it and it is not sticky";
    return "";
}

// The same for root and every folder above it; empty when all are safe.
std::string unsaferoot(const std::string& root, std::string& which) {
    for (size_t at = 1; at <= root.size(); ++at) {
        if (at < root.size() && root[at] != '/') continue;
        which = root.substr(0, at);
        const std::string why = unsafefolder(which);
        if (!why.empty()) return why;
    }
    return "";
}

// Creates each missing folder of path, private to this user.
bool makeprivatepath(const std::string& path, std::string& error) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        struct stat st;
        if (stat(part.c_str(), &st) == 0) continue;
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            error = part + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

bool alldigits(const std::string& s) { return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos; }

}  // namespace

std::string makescratchdir(const std::string& root, const char* prefix, std::string& error) {
    if (root.empty()) {
        error = "no scratch folder given";
        return "";
    }
    std::string dir = absolutepath(root);
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (dir.empty()) {
        error = root + ": the current folder cannot be named";
        return "";
    }
    if (!makeprivatepath(dir, error)) return "";
    std::string which;
    const std::string why = unsaferoot(dir, which);
    if (!why.empty()) {
        error = dir + ": not used as a scratch folder: " + (which == dir ? "" : which + ": ") + why;
        return "";
    }
    std::string name = (dir == "/" ? "" : dir) + "/" + prefix + "-" + std::to_string(getpid()) + "-XXXXXX";
    if (!mkdtemp(name.data())) {
        error = dir + ": " + std::strerror(errno);
        return "";
    }
    return name + "/";
}

void removescratchdir(const std::string& dir) {
    if (dir.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

void removestalescratch(const std::string& root, const char* prefix) {
    const std::string head = std::string(prefix) + "-";
    DIR* d = opendir(root.c_str());
    if (!d) return;
    std::vector<std::string> stale;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name.compare(0, head.size(), head) != 0) continue;
        // "<pid>-XXXXXX", or the bare "<pid>" of older versions.
        std::string pid = name.substr(head.size());
        const size_t dash = pid.find('-');
        if (dash != std::string::npos) {
            if (pid.size() - dash - 1 != 6) continue;
            pid.resize(dash);
        }
        if (!alldigits(pid) || pid.size() > 9) continue;
        const std::string path = root + (root.back() == '/' ? "" : "/") + name;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) continue;
        const pid_t owner = pid_t(std::stol(pid));
        if (owner != getpid() && kill(owner, 0) != 0 && errno == ESRCH) stale.push_back(path);
    }
    closedir(d);
    for (const auto& path : stale) removescratchdir(path);
}

std::string scratchname(const std::string& dir, const char* stem, const char* ext) {
    static std::atomic<unsigned> counter{0};
    std::string s = dir;
    if (!s.empty() && s.back() != '/') s += '/';
    return s + stem + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + ext;
}
