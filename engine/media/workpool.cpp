#include "workpool.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "../core/enginestate.h"

int CCimagethreads = 0;

enum Tworkphase { WORK_PENDING, WORK_RUNNING, WORK_DONE, WORK_DROPPED };

struct Tworkstate {
    std::function<void()> fn;
    Tworkphase phase = WORK_PENDING;
    std::exception_ptr error;
    std::vector<std::string> notes;
};

namespace {

struct Tpool {
    std::mutex mutex;
    std::condition_variable done;
    std::deque<std::shared_ptr<Tworkstate>> queue;
    int threads = 0;
    int readfd = -1, writefd = -1;
};

// Never destroyed: a thread still ending at exit must find it.
Tpool& pool() {
    static Tpool* p = new Tpool;
    return *p;
}

// The oldest queued work nobody has started, taken off the queue; null when none.
std::shared_ptr<Tworkstate> nextpending(Tpool& p) {
    while (!p.queue.empty()) {
        std::shared_ptr<Tworkstate> s = std::move(p.queue.front());
        p.queue.pop_front();
        if (s->phase == WORK_PENDING) return s;
    }
    return nullptr;
}

bool anypending(const Tpool& p) {
    for (const auto& s : p.queue)
        if (s->phase == WORK_PENDING) return true;
    return false;
}

// Runs s, which the caller has marked running; lock is held on entry and exit.
void run(Tpool& p, Tworkstate& s, std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    settoolnotesink(&s.notes);
    try {
        s.fn();
    } catch (...) {
        s.error = std::current_exception();
    }
    settoolnotesink(nullptr);
    s.fn = nullptr;
    lock.lock();
    s.phase = WORK_DONE;
    p.done.notify_all();
}

// A core from the processes' shared pool; false when the queue ran dry first.
bool takecore(Tpool& p, std::unique_lock<std::mutex>& lock) {
    const int fd = p.readfd;
    lock.unlock();
    bool got = false;
    for (;;) {
        char c;
        const ssize_t n = read(fd, &c, 1);
        if (n == 1) {
            got = true;
            break;
        }
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) break;  // the sharing has ended
        lock.lock();
        const bool more = anypending(p);
        lock.unlock();
        if (!more) break;
        pollfd f{fd, POLLIN, 0};
        poll(&f, 1, 20);
    }
    lock.lock();
    return got;
}

void givecore(int fd) {
    const char c = '+';
    while (write(fd, &c, 1) < 0 && errno == EINTR) {
    }
}

void worker() {
    Tpool& p = pool();
    std::unique_lock<std::mutex> lock(p.mutex);
    for (;;) {
        const int sharefd = p.writefd;
        if (!anypending(p) || (p.readfd >= 0 && !takecore(p, lock))) break;
        std::shared_ptr<Tworkstate> s = nextpending(p);
        if (s) {
            s->phase = WORK_RUNNING;
            run(p, *s, lock);
        }
        if (sharefd >= 0) givecore(sharefd);
        if (!s) break;
    }
    --p.threads;
}

}  // namespace

int workthreads() {
    int n = CCimagethreads > 0 ? CCimagethreads : int(std::thread::hardware_concurrency());
    // The writer is one of them.
    n -= 1;
    return n < 0 ? 0 : n > 63 ? 63 : n;
}

void setcoreshare(int readfd, int writefd) {
    Tpool& p = pool();
    std::lock_guard<std::mutex> g(p.mutex);
    if (readfd >= 0) fcntl(readfd, F_SETFL, fcntl(readfd, F_GETFL) | O_NONBLOCK);
    p.readfd = readfd >= 0 && writefd >= 0 ? readfd : -1;
    p.writefd = p.readfd >= 0 ? writefd : -1;
}

Twork::Twork(std::function<void()> fn, bool background, bool urgent) : state_(std::make_shared<Tworkstate>()) {
    state_->fn = std::move(fn);
    const int limit = background ? workthreads() : 0;
    if (limit <= 0) return;
    Tpool& p = pool();
    std::lock_guard<std::mutex> g(p.mutex);
    if (urgent) p.queue.push_front(state_);
    else p.queue.push_back(state_);
    if (p.threads >= limit) return;
    try {
        std::thread(worker).detach();
        ++p.threads;
    } catch (const std::system_error&) {
        // No thread: the writer runs it when it needs it.
    }
}

Twork::~Twork() { drop(); }

Twork& Twork::operator=(Twork&& other) noexcept {
    if (this != &other) {
        drop();
        state_ = std::move(other.state_);
    }
    return *this;
}

void Twork::drop() {
    if (!state_) return;
    Tpool& p = pool();
    std::unique_lock<std::mutex> lock(p.mutex);
    if (state_->phase == WORK_PENDING) {
        state_->phase = WORK_DROPPED;
        state_->fn = nullptr;
    }
    p.done.wait(lock, [this] { return state_->phase != WORK_RUNNING; });
    lock.unlock();
    state_.reset();
}

void Twork::finish() {
    if (!state_) return;
    std::shared_ptr<Tworkstate> s = std::move(state_);
    Tpool& p = pool();
    {
        std::unique_lock<std::mutex> lock(p.mutex);
        while (s->phase != WORK_DONE) {
            if (s->phase == WORK_PENDING) {
                s->phase = WORK_RUNNING;
                run(p, *s, lock);
                break;
            }
            // Rather than wait idle, the writer takes on the next queued piece.
            if (std::shared_ptr<Tworkstate> other = nextpending(p)) {
                other->phase = WORK_RUNNING;
                run(p, *other, lock);
                continue;
            }
            p.done.wait(lock);
        }
    }
    addtoolnotes(s->notes);
    if (s->error) std::rethrow_exception(s->error);
}
