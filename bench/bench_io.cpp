// Read-and-write speed of the engine over the corpus with every resource
// passed through, beside what inflating and deflating the same bodies costs
// alone: the difference is what parsing, writing and copying add.
//   bench_io [--fast] [--reps N] [folder]
#include <libdeflate.h>
#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/swftag.h"
#include "pipeline/tagsmith.h"
#include "support/enginerun.h"
#include "support/swfbuilder.h"

namespace fs = std::filesystem;
using swfb::Bytes;

namespace {

struct Movie {
    std::string path;
    Bytes file;      // as stored
    Bytes packed;    // the movie's compressed body ('CWS' only), else empty
    Bytes unpacked;  // the whole uncompressed movie
    bool projector = false;
    bool lzma = false;
};

double cpuseconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Best wall and processor times of reps runs: the machine may be shared, and
// processor time is what others' load disturbs least.
struct Timing {
    double wall = 1e30, cpu = 1e30;
};

// Runs f once; t keeps the best of its runs.
void measure(Timing& t, const std::function<void()>& f) {
    const auto w0 = std::chrono::steady_clock::now();
    const double c0 = cpuseconds();
    f();
    t.cpu = std::min(t.cpu, cpuseconds() - c0);
    t.wall = std::min(t.wall, std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count());
}

// How the engine is asked to pass everything through.
enum class Mode { Skip, Keepraw };

void engineonce(const Movie& m, const std::string& out, const Tparams& params, Mode mode, const std::string& tmp) {
    one_initdata("/nonexistent/", tmp.c_str());
    two_readfile(m.path.c_str());
    if (mode == Mode::Keepraw)
        for (int i = 0; i < tagcount(); ++i) tags[i]->keepraw = 1;
    five_allimgsetratodef(0, 0);
    six_allparamset(params);
    // A new file, as a run into an output folder writes: renaming over the
    // last movie's output would make the file system flush it first.
    std::remove(out.c_str());
    dooptimize(out.c_str(), m.projector ? 1 : 0);
    appfina();
}

// Inflate of every input body, then deflate of every uncompressed body, at the
// engine's level.
void alone(const std::vector<Movie>& movies, bool fast) {
    libdeflate_compressor* c = libdeflate_alloc_compressor(12);
    Bytes buf, outbuf;
    for (const Movie& m : movies) {
        const size_t body = m.unpacked.size() - 8;
        if (m.lzma) {
            buf = swfb::unpackmovie(m.file);
        } else if (!m.packed.empty()) {
            buf.resize(body);
            uLongf n = body;
            uncompress(buf.data(), &n, m.packed.data(), m.packed.size());
        }
        if (fast) {
            uLongf n = compressBound(body);
            outbuf.resize(n);
            compress2(outbuf.data(), &n, m.unpacked.data() + 8, body, Z_DEFAULT_COMPRESSION);
        } else {
            outbuf.resize(libdeflate_zlib_compress_bound(c, body));
            libdeflate_zlib_compress(c, m.unpacked.data() + 8, body, outbuf.data(), outbuf.size());
        }
    }
    libdeflate_free_compressor(c);
}

}  // namespace

int main(int argc, char** argv) {
    bool fast = false;
    int reps = 3;
    std::string folder = SHRINKWELL_CORPUS;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--fast")) fast = true;
        else if (!std::strcmp(argv[i], "--reps") && i + 1 < argc) reps = std::max(1, std::atoi(argv[++i]));
        else folder = argv[i];
    }
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        std::printf("bench_io: no corpus at %s, skipped\n", folder.c_str());
        return 0;
    }
    swfb::Scratchdir dir("bench_io");
    const std::string out = dir.file("out.swf");

    std::vector<Movie> movies;
    std::vector<std::string> paths;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        const std::string ext = e.path().extension().string();
        if (e.is_regular_file(ec) && (ext == ".swf" || ext == ".exe")) paths.push_back(e.path().string());
    }
    std::sort(paths.begin(), paths.end());
    Tparams params;
    paramssetdef(params);
    for (const std::string& p : paths) {
        Movie m;
        m.path = p;
        m.file = swfb::readfile(p);
        m.unpacked = swfb::unpackmovie(m.file);
        // Only what the engine loads and writes counts, on both sides of the table.
        one_initdata("/nonexistent/", dir.path().c_str());
        two_readfile(p.c_str());
        const bool ok = fileloaded() && m.unpacked.size() > 8;
        appfina();
        if (!ok) continue;
        m.projector = m.file.size() > 1 && m.file[0] == 'M' && m.file[1] == 'Z';
        Bytes movie = m.file;
        if (m.projector) {
            const size_t n = movie.size();
            const uint32_t len = movie[n - 4] | movie[n - 3] << 8 | movie[n - 2] << 16 | uint32_t(movie[n - 1]) << 24;
            movie = Bytes(movie.end() - 8 - long(len), movie.end() - 8);
        }
        m.lzma = movie[0] == 'Z';
        if (movie[0] == 'C') m.packed.assign(movie.begin() + 8, movie.end());
        movies.push_back(std::move(m));
    }
    double inmb = 0, rawmb = 0;
    for (const Movie& m : movies) {
        inmb += m.file.size() / 1e6;
        rawmb += m.unpacked.size() / 1e6;
    }

    setfastzip(fast ? 1 : 0);
    Tparams pass = params;
    pass.Skip_Image = pass.Skip_Shape = pass.Skip_Sound = pass.Skip_Font = pass.Skip_Video = 1;
    // Morph shapes belong to no kind the skips cover.
    pass.Sha_ForceCCR = pass.Sha_FontCCR = 1;
    // Taken in turns, so that a change in the machine's load touches each alike.
    Timing tskip, traw, talone;
    for (int i = 0; i < reps; ++i) {
        measure(tskip, [&] {
            for (const Movie& m : movies) engineonce(m, out, pass, Mode::Skip, dir.path());
        });
        measure(traw, [&] {
            for (const Movie& m : movies) engineonce(m, out, pass, Mode::Keepraw, dir.path());
        });
        measure(talone, [&] { alone(movies, fast); });
    }

    std::printf("bench_io: %zu movies of %zu in %s, best of %d, %s\n", movies.size(), paths.size(), folder.c_str(),
                reps, fast ? "zlib default level (--fast)" : "libdeflate level 12");
    std::printf("  input %.2f MB, uncompressed %.2f MB\n", inmb, rawmb);
    std::printf("  %-34s %9s %9s %11s %7s\n", "", "wall s", "cpu s", "MB/s (cpu)", "ratio");
    auto row = [&](const char* name, const Timing& t) {
        std::printf("  %-34s %9.3f %9.3f %11.2f %7.2f\n", name, t.wall, t.cpu, inmb / t.cpu, t.cpu / talone.cpu);
    };
    row("inflate + deflate alone", talone);
    row("engine, every kind skipped", tskip);
    row("engine, every tag kept as read", traw);
    return 0;
}
