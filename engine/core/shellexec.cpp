#include "shellexec.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

int decode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// Waits for pid, retrying on EINTR; -1 when it cannot be waited for.
int waitblocking(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return decode(status);
}

void sleepms(long ms) {
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) < 0 && errno == EINTR) {
    }
}

bool isexecutable(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

int shellexecute_argv(const std::string& program, const std::vector<std::string>& args, int timeout_ms) {
    if (program.empty()) return -1;
    // Everything the child needs is built before fork: it only calls
    // async-signal-safe functions.
    std::vector<std::string> words;
    words.reserve(args.size() + 1);
    words.push_back(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0) return -1;  // nothing was started, so nothing to wait for
    if (pid == 0) {
        setpgid(0, 0);  // so that a timeout also stops what the tool started
        int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, 0);
            dup2(devnull, 1);
            dup2(devnull, 2);
            if (devnull > 2) close(devnull);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    setpgid(pid, pid);  // also from here: no race with the child's own call
    if (timeout_ms <= 0) return waitblocking(pid);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    long nap = 1;
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return decode(status);
        if (r < 0 && errno != EINTR) return -1;
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
            waitblocking(pid);
            return -2;
        }
        sleepms(nap);
        if (nap < 50) nap *= 2;
    }
}

int shellexecute_wait(const char* program, const char* commandline) {
    if (!program) return -1;
    std::vector<std::string> words;
    std::string line = commandline ? commandline : "";
    if (line.size() > 1023) line.resize(1023);
    size_t i = 0;
    while (i < line.size() && words.size() < 254) {
        while (i < line.size() && line[i] == ' ') ++i;
        size_t j = i;
        while (j < line.size() && line[j] != ' ') ++j;
        if (j > i) words.push_back(line.substr(i, j - i));
        i = j;
    }
    return shellexecute_argv(program, words, 0);
}

bool toolavailable(const char* program) {
    if (!program || !*program) return false;
    if (std::strchr(program, '/')) return isexecutable(program);
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        size_t end = dirs.find(':', start);
        std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (dir.empty()) dir = ".";
        if (isexecutable(dir + "/" + program)) return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}

std::string toolpath(const char* dir, const char* name) {
    if (dir && *dir) {
        std::string full = dir;
        if (full.back() != '/') full += '/';
        full += name;
        if (isexecutable(full)) return full;
    }
    return name;
}
