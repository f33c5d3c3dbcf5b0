// One table of the engine's speed and memory goals: each row a figure, its
// reference measured in the same run, their ratio and the goal. Runs the
// other benchmarks of this folder and reads their output, and measures the
// per-file cost and the peak memory itself.
//   bench_table [--memory] [corpus folder]     --memory: the peak memory rows alone
#include <fcntl.h>
#include <spawn.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/enginestate.h"
#include "pipeline/tagsmith.h"
#include "support/enginerun.h"
#include "support/swfbuilder.h"

namespace fs = std::filesystem;

namespace {

std::string here;  // folder of this program and the other benchmarks

struct Row {
    std::string what;
    double figure = 0, reference = 0;
    std::string unit, goal;
    double ratio() const { return reference > 0 ? figure / reference : 0; }
};
std::vector<Row> rows;
std::vector<std::string> skipped;

// The lines another benchmark printed.
std::vector<std::string> runbench(const std::string& command) {
    std::vector<std::string> lines;
    FILE* f = popen((here + command + " 2>&1").c_str(), "r");
    if (!f) return lines;
    char buf[4096];
    while (std::fgets(buf, sizeof buf, f)) lines.push_back(buf);
    pclose(f);
    return lines;
}

// The number `col` (from 0) among those after the name in the first line
// holding it; words that are no number ("s", "MB") are passed over.
bool after(const std::vector<std::string>& lines, const char* name, int col, double& v) {
    for (const std::string& l : lines) {
        const size_t at = l.find(name);
        if (at == std::string::npos) continue;
        const char* p = l.c_str() + at + std::strlen(name);
        int seen = 0;
        while (*p) {
            while (*p == ' ' || *p == 'x') ++p;
            char* end = nullptr;
            const double x = std::strtod(p, &end);
            if (end != p) {
                if (seen++ == col) {
                    v = x;
                    return true;
                }
                p = end;
            }
            while (*p && *p != ' ') ++p;
        }
        return false;
    }
    return false;
}

void passthrough(const std::string& corpus, bool fast) {
    const auto out = runbench("bench_io" + std::string(fast ? " --fast " : " ") + "'" + corpus + "'");
    double engine = 0, alone = 0;
    if (!after(out, "inflate + deflate alone", 1, alone) || !after(out, "engine, every kind skipped", 1, engine)) {
        skipped.push_back(fast ? "pass-through --fast" : "pass-through");
        return;
    }
    rows.push_back({fast ? "pass-through, --fast: engine cpu s / zlib-6 alone"
                         : "pass-through: engine cpu s / libdeflate-12 alone",
                    engine, alone, "s", fast ? "<= 1.30" : "<= 1.15"});
}

double selfcpu() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The command line's argv with args; words holds the strings it points into.
std::vector<char*> cliargv(const std::vector<std::string>& args, std::vector<std::string>& words) {
    words = args;
    words.insert(words.begin(), SHRINKWELL_CLI);
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    return argv;
}

// Runs the command line quietly and returns the CPU seconds it took, -1 when
// it failed. Spawned rather than forked: a forked child first pays for the
// copy of this process, which is no cost of the command line.
double spawncpu(const std::vector<std::string>& args) {
    std::vector<std::string> words;
    std::vector<char*> argv = cliargv(args, words);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    int status = 0;
    rusage u{};
    if (rc != 0 || wait4(pid, &status, 0, &u) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void perfile(const swfb::Scratchdir& dir) {
    swfb::Movie m;
    m.tags = {swfb::setbackground(255, 255, 255), swfb::rectshape(1, 2000, 1000, 200, 0, 0), swfb::place2(1, 1, 0, 0),
              swfb::showframe()};
    const std::string tiny = dir.file("tiny.swf"), out = dir.file("tiny_out.swf");
    swfb::writefile(tiny, swfb::build(m));
    // Interleaved, so that a change in the machine's load touches both alike.
    const int n = 100;
    double version = 0, fresh = 0;
    bool ok = true;
    // Each run writes a new file, as a run into an output folder does (see bench_io).
    const std::string written = dir.file("tiny_compressed.swf");
    for (int i = 0; i < n && ok; ++i) {
        std::remove(written.c_str());
        const double v = spawncpu({"--version"}), f = spawncpu({"-q", "-o", dir.path(), tiny});
        ok = v >= 0 && f >= 0;
        version += v / n * 1e3;
        fresh += f / n * 1e3;
    }
    if (ok) rows.push_back({"per file, fresh process: ms cpu / --version", fresh, version, "ms", "<= 3 ms"});
    else skipped.push_back("per file, fresh process (the command line did not run)");

    Tparams params;
    paramssetdef(params);
    auto once = [&] {
        one_initdata("/nonexistent/", dir.path().c_str());
        two_readfile(tiny.c_str());
        five_allimgsetratodef(0, 0);
        six_allparamset(params);
        std::remove(out.c_str());
        dooptimize(out.c_str(), 0);
        appfina();
    };
    once();
    const int k = 2000;
    const double c0 = selfcpu();
    for (int i = 0; i < k; ++i) once();
    const double inproc = (selfcpu() - c0) / k * 1e3;
    rows.push_back({"per file, in one process: ms cpu / fresh process", inproc, fresh, "ms", "<= 0.3 ms"});
}

void shapes() {
    const auto out = runbench("bench_shape");
    for (const char* mode : {"plain", "quality"}) {
        const char* quality = std::strcmp(mode, "plain") ? "on" : "off";
        double base = 0;
        for (int edges : {10000, 100000, 1000000}) {
            double ns = 0;
            bool found = false;
            for (const std::string& l : out) {
                char q[16];
                int e = 0;
                size_t in = 0, outb = 0;
                double ms = 0, v = 0;
                if (std::sscanf(l.c_str(), "%15s %d %zu %zu %lf %lf", q, &e, &in, &outb, &ms, &v) == 6 &&
                    !std::strcmp(q, mode) && e == edges) {
                    ns = v;
                    found = true;
                }
            }
            if (!found) {
                skipped.push_back(std::string("shape ns/edge, quality ") + quality);
                break;
            }
            if (edges == 10000) base = ns;
            rows.push_back({"shape ns/edge at " + std::to_string(edges) + ", quality " + quality + " / at 10^4", ns,
                            base, "ns", edges == 10000 ? "" : "<= 1.30"});
        }
    }
}

void images(const std::string& corpus) {
    const auto out = runbench("bench_image --reps 2 '" + corpus + "'");
    double job = 0, turbo = 0, one = 0, pool = 0;
    if (after(out, "JPEG bitmaps: whole job at full size", 0, job) &&
        after(out, "JPEG bitmaps: libjpeg-turbo decode+encode alone", 0, turbo))
        rows.push_back({"image job / libjpeg-turbo, same settings", job, turbo, "s", "<= 1.30"});
    else skipped.push_back("image job");
    if (after(out, "batch total", 0, one) && after(out, "batch total", 1, pool) && pool > 0)
        rows.push_back({"image pool, bitmaps of movies of 4+: 1 thread / pool", one, pool, "s", ">= 1.60"});
    else skipped.push_back("image pool");
    // The same movies written whole: parsing and the final compression run
    // on one thread, whatever the pool does.
    if (after(out, "movie total", 0, one) && after(out, "movie total", 1, pool) && pool > 0)
        rows.push_back({"whole movie write, same movies: 1 thread / pool", one, pool, "s", ""});
}

// Peak resident memory (KB) of the command line's own process, outside
// encoders (lame, ffmpeg) left out: read from the process as it exits, which
// it is held at; -1 when it failed to run.
long cliownpeak(const std::vector<std::string>& args) {
    std::vector<std::string> words;
    std::vector<char*> argv = cliargv(args, words);
    std::fflush(stdout);  // else the child writes what is buffered once more
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(127);
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    long kb = -1;
    int status = 0;
    bool first = true;
    while (waitpid(pid, &status, 0) == pid && WIFSTOPPED(status)) {
        int deliver = 0;
        if (first) {
            ptrace(PTRACE_SETOPTIONS, pid, nullptr, reinterpret_cast<void*>(PTRACE_O_TRACEEXIT));
            first = false;
        } else if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            std::ifstream f("/proc/" + std::to_string(pid) + "/status");
            for (std::string line; std::getline(f, line);)
                if (line.rfind("VmHWM:", 0) == 0) kb = std::strtol(line.c_str() + 6, nullptr, 10);
        } else {
            deliver = WSTOPSIG(status);
        }
        ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(intptr_t(deliver)));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) return -1;
    return kb;
}

uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

// Width and height from the frame header of JPEG data, its segments walked
// so that a thumbnail inside a metadata segment is passed over.
bool jpegsize(const uint8_t* p, size_t n, uint32_t& w, uint32_t& h) {
    for (size_t i = 0; i + 9 < n;) {
        if (p[i] != 0xFF) return false;
        const uint8_t m = p[i + 1];
        if (m == 0xD8 || m == 0xD9 || m == 0x01 || m == 0xFF || (m >= 0xD0 && m <= 0xD7)) {
            i += m == 0xFF ? 1 : 2;
            continue;
        }
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
            h = uint32_t(p[i + 5]) << 8 | p[i + 6];
            w = uint32_t(p[i + 7]) << 8 | p[i + 8];
            return w && h;
        }
        i += 2 + (size_t(p[i + 2]) << 8 | p[i + 3]);
    }
    return false;
}

// Bytes of the largest `count` canvases the bitmaps of an uncompressed movie
// decode to, 4 bytes a pixel (colour and alpha), and how many bitmaps there
// are: the encodes alive at once are at most one a thread of the pool.
uint64_t canvasbytes(const swfb::Bytes& m, size_t count, size_t& bitmaps) {
    std::vector<uint64_t> sizes;
    if (m.size() < 9) return 0;
    size_t at = 8 + (size_t(5 + 4 * (m[8] >> 3)) + 7) / 8 + 4;
    while (at + 2 <= m.size()) {
        uint32_t code = le16(&m[at]) >> 6, len = le16(&m[at]) & 63, head = 2;
        if (len == 63) {
            if (at + 6 > m.size()) break;
            len = le32(&m[at + 2]);
            head = 6;
        }
        if (at + head + len > m.size()) break;
        const uint8_t* b = &m[at + head];
        uint32_t w = 0, h = 0;
        if ((code == 20 || code == 36) && len >= 7 && b[2] != 3) {
            w = le16(b + 3);
            h = le16(b + 5);
        } else if ((code == 6 || code == 21) && len > 2) {
            jpegsize(b + 2, len - 2, w, h);
        } else if (code == 35 && len > 6) {
            jpegsize(b + 6, std::min<size_t>(le32(b + 2), len - 6), w, h);
        }
        if (w && h) sizes.push_back(uint64_t(w) * h * 4);
        at += head + len;
    }
    bitmaps = sizes.size();
    std::sort(sizes.rbegin(), sizes.rend());
    uint64_t sum = 0;
    for (size_t k = 0; k < sizes.size() && k < count; ++k) sum += sizes[k];
    return sum;
}

void memory(const std::string& corpus, const swfb::Scratchdir& dir) {
    struct Movie {
        size_t size;
        std::string path;
        uint64_t canvases;
        size_t bitmaps;
    };
    std::vector<Movie> movies;
    const size_t threads = std::max(1u, std::thread::hardware_concurrency());
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(corpus, ec)) {
        const std::string ext = e.path().extension().string();
        if (!e.is_regular_file(ec) || (ext != ".swf" && ext != ".exe")) continue;
        const swfb::Bytes raw = swfb::unpackmovie(swfb::readfile(e.path().string()));
        size_t bitmaps = 0;
        const uint64_t canvases = canvasbytes(raw, threads, bitmaps);
        if (raw.size() > 8) movies.push_back({raw.size(), e.path().string(), canvases, bitmaps});
    }
    std::sort(movies.begin(), movies.end(), [](const Movie& a, const Movie& b) { return a.size > b.size; });
    if (movies.size() > 5) movies.resize(5);
    std::printf("peak RSS allowance: 3 x uncompressed + 16 MB + the %zu largest canvases (one a thread, "
                "4 bytes a pixel); outside encoders left out\n",
                threads);
    for (const Movie& m : movies) {
        const std::string name = fs::path(m.path).filename().string();
        const long kb = cliownpeak({"-q", "-p", "best", "--overwrite", "-o", dir.path(), m.path});
        if (kb < 0) {
            skipped.push_back("peak RSS of " + name);
            continue;
        }
        const double mb = 1048576.0, allowance = 3.0 * m.size / mb + 16 + m.canvases / mb;
        std::printf("  %-50s %8.2f MB uncompressed, %zu bitmaps, canvases %7.2f MB, peak %7.2f MB = %5.1fx "
                    "uncompressed\n",
                    name.c_str(), m.size / mb, m.bitmaps, m.canvases / mb, kb / 1024.0, kb * 1024.0 / m.size);
        rows.push_back({"peak RSS MB / allowance MB, Best: " + name, kb / 1024.0, allowance, "MB", "<= 1"});
    }
}

}  // namespace

int main(int argc, char** argv) {
    here = fs::path(argv[0]).parent_path().string();
    if (!here.empty()) here += "/";
    const bool memoryonly = argc > 1 && !std::strcmp(argv[1], "--memory");
    if (memoryonly) {
        --argc;
        ++argv;
    }
    std::string corpus = argc > 1 ? argv[1] : SHRINKWELL_CORPUS;
    std::error_code ec;
    const bool havecorpus = !corpus.empty() && fs::is_directory(corpus, ec);
    swfb::Scratchdir dir("bench_table");
    if (memoryonly) {
        if (havecorpus) memory(corpus, dir);
        else skipped.push_back("memory rows: no corpus at " + corpus);
    } else {
        if (havecorpus) {
            passthrough(corpus, false);
            passthrough(corpus, true);
        }
        perfile(dir);
        shapes();
        if (havecorpus) {
            images(corpus);
            memory(corpus, dir);
        } else {
            skipped.push_back("pass-through, image and memory rows: no corpus at " + corpus);
        }
    }
    std::printf("%-72s %12s %12s %8s  %s\n", "figure / reference", "figure", "reference", "ratio", "goal");
    for (const Row& r : rows)
        std::printf("%-72s %9.3f %-2s %9.3f %-2s %8.2f  %s\n", r.what.c_str(), r.figure, r.unit.c_str(), r.reference,
                    r.unit.c_str(), r.ratio(), r.goal.c_str());
    for (const std::string& s : skipped) std::printf("skipped: %s\n", s.c_str());
    return 0;
}
