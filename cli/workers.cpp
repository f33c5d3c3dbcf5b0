#include "cli/workers.h"

#include "core/fileutil.h"
#include "core/shellexec.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Messages from a worker: 'P' index(4) percent(1), or 'R' index(4) length(4) record.
constexpr char kprogress = 'P';
constexpr char kresult = 'R';

// The signal that tells a worker to end now, and how long the workers get.
constexpr int kendnow = SIGUSR1;
constexpr auto kendgrace = std::chrono::milliseconds(500);
constexpr auto kkillgrace = std::chrono::milliseconds(300);

// Where a worker is, for its kendnow handler.
enum Tphase { PHASE_WAITING, PHASE_WORKING, PHASE_REPORTING };
std::atomic<int> workerphase{PHASE_WAITING};
volatile std::sig_atomic_t endasked = 0;

// A result being sent is let through, so that an output which reached its
// name is reported; a file still being worked on is abandoned, and the
// parent removes what it left.
void onendnow(int) {
    if (workerphase.load() == PHASE_REPORTING) {
        endasked = 1;
        return;
    }
    stoptools(true);
    _exit(1);
}

bool readall(int fd, void* data, size_t n) {
    char* p = static_cast<char*>(data);
    while (n > 0) {
        ssize_t r = read(fd, p, n);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        n -= size_t(r);
    }
    return true;
}

void put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += char(uint8_t(v >> (8 * i)));
}

uint32_t get32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(s[at + i])) << (8 * i);
    return v;
}

struct Tworker {
    pid_t pid = -1;
    int taskfd = -1;    // parent writes task indexes
    int resultfd = -1;  // parent reads messages
    long current = -1;  // task being worked on
    std::string inbox;
};

[[noreturn]] void workerloop(int taskfd, int resultfd, const Tworkerpool::Ttask& task,
                             const std::function<void()>& workerexit) {
    struct sigaction sa {};
    sa.sa_handler = onendnow;
    sigemptyset(&sa.sa_mask);
    sigaction(kendnow, &sa, nullptr);
    uint32_t index;
    while (readall(taskfd, &index, 4)) {
        workerphase.store(PHASE_WORKING);
        int lastpercent = -1;
        Tprogressfn progress = [&](int percent) {
            if (percent == lastpercent) return;
            lastpercent = percent;
            std::string m(1, kprogress);
            put32(m, index);
            m += char(uint8_t(percent));
            writeall(resultfd, m.data(), m.size());
        };
        Tfileresult r = task(index, progress);
        workerphase.store(PHASE_REPORTING);
        const std::string record = serializeresult(r);
        std::string m(1, kresult);
        put32(m, index);
        put32(m, uint32_t(record.size()));
        m += record;
        const bool sent = writeall(resultfd, m.data(), m.size());
        workerphase.store(PHASE_WAITING);
        if (endasked) _exit(1);
        if (!sent) break;
    }
    if (workerexit) workerexit();
    _exit(0);
}

std::string howitended(int status) {
    if (WIFSIGNALED(status))
        return "the worker process was killed by signal " + std::to_string(WTERMSIG(status)) + " (" +
               strsignal(WTERMSIG(status)) + ")";
    if (WIFEXITED(status)) return "the worker process ended with status " + std::to_string(WEXITSTATUS(status));
    return "the worker process ended unexpectedly";
}

}  // namespace

Tworkerpool::Tworkerpool(int jobs, std::function<void()> workerexit, int corefd)
    : jobs_(jobs < 1 ? 1 : jobs), workerexit_(std::move(workerexit)), corefd_(corefd) {}

void Tworkerpool::run(size_t count, const Ttask& task, const Tprogress& progress, const Tdone& done,
                      const Tstop& stop) {
    std::vector<Tworker> workers;
    size_t next = 0;

    auto spawn = [&]() -> bool {
        int tp[2], rp[2];
        if (pipe2(tp, O_CLOEXEC) != 0) return false;
        if (pipe2(rp, O_CLOEXEC) != 0) {
            close(tp[0]);
            close(tp[1]);
            return false;
        }
        std::fflush(nullptr);
        pid_t pid = fork();
        if (pid < 0) {
            for (int fd : {tp[0], tp[1], rp[0], rp[1]}) close(fd);
            return false;
        }
        if (pid == 0) {
            close(tp[1]);
            close(rp[0]);
            // Another worker's pipes held open here would hide that worker's end.
            for (const Tworker& w : workers) {
                if (w.taskfd >= 0) close(w.taskfd);
                if (w.resultfd >= 0) close(w.resultfd);
            }
            workerloop(tp[0], rp[1], task, workerexit_);
        }
        close(tp[0]);
        close(rp[1]);
        Tworker w;
        w.pid = pid;
        w.taskfd = tp[1];
        w.resultfd = rp[0];
        workers.push_back(w);
        return true;
    };

    // A core no worker process works on is free for the threads of those that do.
    auto freecore = [&]() {
        const char c = '+';
        if (corefd_ >= 0)
            while (write(corefd_, &c, 1) < 0 && errno == EINTR) {
            }
    };
    const size_t want = count < size_t(jobs_) ? count : size_t(jobs_);
    for (size_t i = 0; i < want; ++i) {
        if (!spawn()) break;
    }
    for (size_t i = workers.size(); i < size_t(jobs_); ++i) freecore();
    if (workers.empty() && count > 0) {
        // Without a worker nothing can run: every file fails with the reason.
        const std::string why = std::string("cannot start a worker process: ") + std::strerror(errno);
        for (; next < count && !stop(); ++next) {
            Tfileresult r;
            r.error = why;
            done(next, r);
        }
        return;
    }

    bool forwarded = false;
    bool ending = false;
    auto now = [] { return std::chrono::steady_clock::now(); };
    std::chrono::steady_clock::time_point killat, giveupat;
    // A file whose worker is gone without its result.
    auto lost = [&](Tworker& w, const std::string& why) {
        if (w.current < 0) return;
        Tfileresult r;
        r.error = ending ? "interrupted" : why;
        const size_t index = size_t(w.current);
        w.current = -1;
        done(index, r);
    };
    for (;;) {
        const int level = stop();
        // A stop interrupts the files in progress too; the workers' handlers cancel their engine.
        if (!forwarded && level) {
            forwarded = true;
            for (const Tworker& w : workers)
                if (w.pid > 0 && w.current >= 0) kill(w.pid, SIGINT);
        }
        if (!ending && level >= 2) {
            ending = true;
            killat = now() + kendgrace;
            giveupat = killat + kkillgrace;
            // An idle worker ends by itself once its task pipe closes.
            for (Tworker& w : workers) {
                if (w.pid > 0 && w.current >= 0) kill(w.pid, kendnow);
                if (w.taskfd >= 0) close(w.taskfd);
                w.taskfd = -1;
            }
        }
        if (ending && now() >= killat) {
            for (const Tworker& w : workers)
                if (w.pid > 0) kill(w.pid, SIGKILL);
        }
        if (ending && now() >= giveupat) {
            // Not even SIGKILL ended it (a stuck disk): stop waiting, keep nothing of it.
            for (Tworker& w : workers) {
                if (w.resultfd >= 0) close(w.resultfd);
                w.resultfd = -1;
                lost(w, "");
            }
            break;
        }
        // Hand out work to idle workers; an idle worker with nothing left is told to end.
        for (Tworker& w : workers) {
            if (w.pid < 0 || w.current >= 0 || w.taskfd < 0) continue;
            if (next < count && !stop()) {
                const uint32_t index = uint32_t(next);
                if (writeall(w.taskfd, &index, 4)) {
                    w.current = long(next++);
                    continue;
                }
            }
            close(w.taskfd);
            w.taskfd = -1;
            freecore();
        }
        std::vector<pollfd> fds;
        std::vector<Tworker*> owners;
        for (Tworker& w : workers) {
            if (w.resultfd < 0) continue;
            fds.push_back({w.resultfd, POLLIN, 0});
            owners.push_back(&w);
        }
        if (fds.empty()) break;
        size_t respawn = 0;
        // Bounded so that a signal that came just before poll is seen.
        if (poll(fds.data(), fds.size(), 50) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (size_t k = 0; k < fds.size(); ++k) {
            if (!fds[k].revents) continue;
            Tworker& w = *owners[k];
            char buf[65536];
            ssize_t n = read(w.resultfd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n > 0) {
                w.inbox.append(buf, size_t(n));
                for (;;) {
                    if (w.inbox.size() >= 6 && w.inbox[0] == kprogress) {
                        progress(get32(w.inbox, 1), uint8_t(w.inbox[5]));
                        w.inbox.erase(0, 6);
                    } else if (w.inbox.size() >= 9 && w.inbox[0] == kresult &&
                               w.inbox.size() - 9 >= get32(w.inbox, 5)) {
                        const size_t index = get32(w.inbox, 1);
                        const size_t len = get32(w.inbox, 5);
                        Tfileresult r;
                        if (!deserializeresult(w.inbox.substr(9, len), r)) r.error = "unreadable result from a worker";
                        w.inbox.erase(0, 9 + len);
                        if (long(index) == w.current) {
                            w.current = -1;
                            done(index, r);
                        }
                    } else {
                        break;
                    }
                }
                continue;
            }
            // The worker has gone: collect it, and fail the file it held.
            close(w.resultfd);
            w.resultfd = -1;
            if (w.taskfd >= 0) close(w.taskfd);
            w.taskfd = -1;
            int status = 0;
            while (waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
            }
            w.pid = -1;
            if (w.current >= 0) {
                lost(w, howitended(status));
                ++respawn;
            }
        }
        // After the loop: spawning grows the vector that owners points into.
        for (; respawn > 0 && next < count && !stop(); --respawn) spawn();
    }
    for (; next < count && !stop(); ++next) {
        Tfileresult r;
        r.error = "no worker process could be started for it";
        done(next, r);
    }
    for (Tworker& w : workers) {
        if (w.pid > 0) {
            int status;
            while (waitpid(w.pid, &status, ending ? WNOHANG : 0) < 0 && errno == EINTR) {
            }
        }
    }
}
