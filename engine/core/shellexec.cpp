#include "shellexec.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "enginestate.h"

namespace {

// Read by signal handlers, so lock-free: the groups of the tools running now
// (0 for a free slot), how many stops were asked for, and whether tools are over.
constexpr int kmaxtools = 64;
std::atomic<pid_t> runninggroups[kmaxtools];
std::atomic<unsigned> stoprequests{0};
std::atomic<int> stoppedforgood{0};
static_assert(std::atomic<pid_t>::is_always_lock_free && std::atomic<unsigned>::is_always_lock_free &&
              std::atomic<int>::is_always_lock_free);

// A slot for a tool's group; the slot a thread takes is its own until it gives it back.
std::atomic<pid_t>* takeslot(pid_t pid) {
    for (;;) {
        for (auto& slot : runninggroups) {
            pid_t free = 0;
            if (slot.compare_exchange_strong(free, pid)) return &slot;
        }
        // More tools than slots at once: wait for one to end.
        timespec ts{0, 1000000L};
        nanosleep(&ts, nullptr);
    }
}

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

// Whether pid has ended, without reaping it: until it is reaped its id
// cannot be reused, so a stop that read its slot kills nobody else.
bool ended(pid_t pid, bool block) {
    for (;;) {
        siginfo_t info{};
        if (waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT | (block ? 0 : WNOHANG)) == 0)
            return block || info.si_pid == pid;
        if (errno != EINTR) return true;  // the reaping wait then says -1
        if (!block) return false;
    }
}

void killgroup(pid_t pid) {
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);  // in case it never got its own group
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
    if (stoppedforgood.load() || CCancelProc.load()) return ktoolstopped;
    const unsigned stops = stoprequests.load();
    const pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) return -1;  // nothing was started, so nothing to wait for
    if (pid == 0) {
        setpgid(0, 0);  // so that a timeout or a stop also ends what the tool started
        // Dies with the thread that forked it; that thread waits here for the
        // tool, so only a dying program sets this off. A parent that died
        // before the prctl call is seen as a new parent process.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
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
    std::atomic<pid_t>* slot = takeslot(pid);
    // A stop that came before the group was published could not reach it.
    if (stoprequests.load() != stops) killgroup(pid);
    // why: 0 to return the exit status, else what to return instead.
    auto reap = [&](int why) {
        slot->store(0);
        const int status = waitblocking(pid);
        return stoprequests.load() != stops ? ktoolstopped : why ? why : status;
    };
    if (timeout_ms <= 0) {
        ended(pid, true);
        return reap(0);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    long nap = 1;
    for (;;) {
        if (ended(pid, false)) return reap(0);
        if (stoprequests.load() != stops) {
            killgroup(pid);
            return reap(ktoolstopped);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            killgroup(pid);
            return reap(-2);
        }
        sleepms(nap);
        if (nap < 50) nap *= 2;
    }
}

// A cancel also ends the tool that runs now, which would otherwise hold the
// loop until its time limit.
void CancelProc() {
    CCancelProc.store(1);
    stoptools(false);
}

void stoptools(bool forgood) {
    if (forgood) stoppedforgood.store(1);
    stoprequests.fetch_add(1);
    for (auto& slot : runninggroups) {
        const pid_t group = slot.load();
        if (group > 0) killgroup(group);
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
        // An empty PATH entry means the current folder.
        if (isexecutable((dir.empty() ? std::string(".") : dir) + "/" + program)) return true;
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
