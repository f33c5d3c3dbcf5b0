#include "cli/outputfile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/outputname.h"
#include "pipeline/tagsmith.h"

namespace {

std::string copyfd(int from, int to) {
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = read(from, buf, sizeof buf);
        if (n == 0) return "";
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::string("cannot read: ") + std::strerror(errno);
        }
        if (!writeall(to, buf, size_t(n))) return std::string("cannot write: ") + std::strerror(errno);
    }
}

}  // namespace

std::string readstandardinput(const std::string& path) {
    if (isatty(STDIN_FILENO)) return "standard input is a terminal, not a movie";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return path + ": " + std::strerror(errno);
    std::string error = copyfd(STDIN_FILENO, fd);
    if (close(fd) != 0 && error.empty()) error = std::string("cannot write: ") + std::strerror(errno);
    return error;
}

std::string writestandardoutput(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return path + ": " + std::strerror(errno);
    const std::string error = copyfd(fd, STDOUT_FILENO);
    close(fd);
    return error.empty() ? "" : "standard output: " + error;
}

std::string replacementname(const std::string& source) {
    char buf[PATH_MAX];
    const std::string target = realpath(source.c_str(), buf) ? std::string(buf) : source;
    const Tsourcename n = splitsource(target);
    const std::string file = target.substr(n.dir.size());
    return scratchname(n.dir, ("." + file + ".shrinkwell").c_str(), "");
}

std::string replacesource(const std::string& source, const std::string& temp, const Tfiletimes* times) {
    char buf[PATH_MAX];
    if (!realpath(source.c_str(), buf)) return std::strerror(errno);
    const std::string target = buf;
    struct stat st;
    if (stat(target.c_str(), &st) != 0) return std::strerror(errno);
    const int fd = open(temp.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return "cannot open the replacement: " + std::string(std::strerror(errno));
    if (fchown(fd, st.st_uid, st.st_gid) != 0 && fchown(fd, uid_t(-1), st.st_gid) != 0) {
        // Another owner is kept only where allowed (root), the group where we
        // belong to it; otherwise the file is ours, as any file we write.
    }
    std::string error;
    if (fchmod(fd, st.st_mode & 07777) != 0) error = "cannot set the mode: " + std::string(std::strerror(errno));
    if (error.empty() && times && times->ok) {
        const timespec both[2] = {times->atime, times->mtime};
        if (futimens(fd, both) != 0) error = "cannot set the times: " + std::string(std::strerror(errno));
    }
    if (error.empty() && fsync(fd) != 0) error = "cannot sync: " + std::string(std::strerror(errno));
    close(fd);
    if (error.empty() && rename(temp.c_str(), target.c_str()) != 0)
        error = "cannot replace: " + std::string(std::strerror(errno));
    if (!error.empty()) return error;
    // The rename itself lasts only once the folder is on disk.
    const Tsourcename n = splitsource(target);
    const int dir = open(n.dir.empty() ? "." : n.dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return "";
}

Tfiletimes filetimes(const std::string& path) {
    struct stat st;
    Tfiletimes t;
    if (stat(path.c_str(), &st) == 0) t = {st.st_atim, st.st_mtim, true};
    return t;
}

bool settimes(const std::string& path, const Tfiletimes& times) {
    if (!times.ok) return false;
    const timespec both[2] = {times.atime, times.mtime};
    return utimensat(AT_FDCWD, path.c_str(), both, 0) == 0;
}
