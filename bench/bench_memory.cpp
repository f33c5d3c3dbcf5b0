// Peak memory of one whole engine run (read, optimize, write) over movies
// built to stress it: floods of tags and one large asset. Each movie runs in a
// child process, so each peak is its own.
//   bench_memory
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "pipeline/tagsmith.h"
#include "support/enginerun.h"
#include "support/swfbuilder.h"

using swfb::Bytes;

namespace {

// DefineShape with no styles and no edges: the smallest shape a movie can hold.
Bytes emptyshape(uint16_t id) { return swfb::tag(2, {uint8_t(id), uint8_t(id >> 8), 0, 0, 0, 0, 0}); }

struct Row {
    const char* name;
    std::function<swfb::Movie()> make;
};

// Peak resident memory (KB) and wall time of a child running the engine on path.
bool measure(const std::string& path, const std::string& out, const std::string& tmp, long& kb, double& seconds,
             std::string& outcome) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        Tparams params;
        paramssetdef(params);
        const swfb::EngineRun r = swfb::runengine(path, out, params, "/nonexistent/", tmp);
        _exit(r.written ? 0 : 3);
    }
    int status = 0;
    rusage u{};
    if (wait4(pid, &status, 0, &u) != pid) return false;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    kb = u.ru_maxrss;
    outcome = WIFEXITED(status) ? (WEXITSTATUS(status) == 0 ? "written" : "refused") : "crashed";
    return true;
}

}  // namespace

int main() {
    swfb::Scratchdir dir("bench-memory");
    const Row rows[] = {
        {"empty movie (the baseline)", [] { return swfb::Movie{}; }},
        {"10^6 ShowFrame tags",
         [] {
             swfb::Movie m;
             m.tags.assign(1000000, swfb::showframe());
             return m;
         }},
        {"10^6 empty tags after the End (2 MB of zeros)",
         [] {
             swfb::Movie m;
             m.tags = {swfb::showframe(), swfb::end(), Bytes(2000000, 0)};
             return m;
         }},
        {"10^6 small shapes (DefineShape, 7-byte bodies)",
         [] {
             swfb::Movie m;
             for (int i = 0; i < 1000000; ++i) m.tags.push_back(emptyshape(uint16_t(i % 65535 + 1)));
             return m;
         }},
        {"10^6 DoAction tags (3-byte bodies)",
         [] {
             swfb::Movie m;
             m.tags.assign(1000000, swfb::doaction({0, 0, 0}));
             return m;
         }},
        {"one 200 MB DefineBinaryData",
         [] {
             swfb::Movie m;
             Bytes body(200000000, 0);
             body[0] = 1;
             m.tags = {swfb::tag(87, body, true)};
             return m;
         }},
    };
    std::printf("  %-50s %12s %12s %9s  %s\n", "movie", "uncompressed", "peak RSS", "time", "outcome");
    for (const Row& r : rows) {
        const std::string in = dir.file("in.swf"), out = dir.file("out.swf");
        uint64_t size = 0;
        {
            const Bytes movie = swfb::build(r.make(), 'C');
            size = swfb::unpackmovie(movie).size();
            swfb::writefile(in, movie);
        }
        long kb = 0;
        double seconds = 0;
        std::string outcome;
        if (!measure(in, out, dir.path(), kb, seconds, outcome)) {
            std::printf("  %-50s could not run\n", r.name);
            continue;
        }
        std::printf("  %-50s %9.1f MB %9.1f MB %7.2f s  %s\n", r.name, size / 1e6, kb / 1024.0, seconds, outcome.c_str());
        std::fflush(stdout);
    }
    return 0;
}
