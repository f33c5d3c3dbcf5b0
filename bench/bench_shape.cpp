// Parse, divide, simplify and write one generated shape of 10^4, 10^5 and
// 10^6 edges through its tag class; the time per edge should stay flat as the
// shape grows. "first run" pays for fresh memory (page faults), the best of
// the others does not.
#include <time.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "core/enginestate.h"
#include "support/shapebuilder.h"
#include "vector/defineshape.h"
#include "vector/registry.h"

using namespace swfb;

namespace {

// A random walk over a large plane: nearly every point is new, so the point
// table grows with the shape.
Bytes bigshape(int edges) {
    std::mt19937 rnd(42);
    ShapeWriter s(32);
    s.fillcount(1).solid(10, 20, 30).linecount(1).line(20, 0, 0, 0).bits(1, 1);
    s.change({.movex = 0, .movey = 0, .move = true, .fill0 = 1, .line = 1});
    for (int i = 0; i < edges; ++i) {
        int32_t dx = int32_t(rnd() % 2001) - 1000, dy = int32_t(rnd() % 2001) - 1000;
        if (i % 4 == 3) s.curve(dx / 2, dy / 2, dy / 3, dx / 3);
        else s.straight(dx, dy);
    }
    s.endshape();
    return shapetag(32, 1, -1000000, 1000000, -1000000, 1000000, s.take());
}

// A walk that turns a little at each step, a curve every fourth edge: what
// the simplifications work on, so most of it is simplified.
Bytes smoothshape(int edges) {
    std::mt19937 rnd(7);
    ShapeWriter s(32);
    s.fillcount(1).solid(10, 20, 30).linecount(1).line(20, 0, 0, 0).bits(1, 1);
    s.change({.movex = 0, .movey = 0, .move = true, .fill0 = 1, .line = 1});
    double heading = 0;
    for (int i = 0; i < edges; ++i) {
        heading += (double(rnd() % 2001) / 1000 - 1) * 0.15;
        const double len = 40 + rnd() % 160;
        const int32_t dx = int32_t(std::lround(len * std::cos(heading))), dy = int32_t(std::lround(len * std::sin(heading)));
        if (i % 4 == 3) s.curve(dx / 2, dy / 2 + 3, dx - dx / 2, dy - dy / 2 - 3);
        else s.straight(dx, dy);
    }
    s.endshape();
    return shapetag(32, 1, -1000000, 1000000, -1000000, 1000000, s.take());
}

// CPU time of this process: the machine is shared, wall time is not telling.
double cpuseconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double runonce(const Bytes& tagbytes, size_t& outsize) {
    unsigned char* file = nullptr;
    pascal_com::setlength(file, 1, tagbytes.size());
    std::memcpy(file, tagbytes.data(), tagbytes.size());
    clearres();  // every run chooses the shape's ratio again
    double t0 = cpuseconds();
    Tswftag_defineshape_opt tag(file, 0);
    tag.safeparse();
    unsigned char* out = nullptr;
    tag.dofill(out);
    double t1 = cpuseconds();
    outsize = pascal_com::length(out);
    if (tag.keepraw) std::printf("  (shape was kept as read)\n");
    pascal_com::setlength(out, 1, 0);
    pascal_com::setlength(file, 1, 0);
    return t1 - t0;
}

}  // namespace

int main() {
#if defined(__GLIBC__)
    // Keep freed blocks in the heap: otherwise only the large sizes get fresh
    // pages (and their page faults) on every run, and "warm" compares unlike runs.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
    clearres();
    std::printf("%8s %10s %12s %12s %10s %10s %10s\n", "mode", "edges", "in bytes", "out bytes", "cpu ms", "ns/edge",
                "first run");
    // plain and quality: the random walk; simplify: the smooth walk with the
    // Good preset's shape simplifications.
    for (const char* mode : {"plain", "quality", "simplify"})
    for (int edges : {10000, 100000, 1000000}) {
        const bool simplify = std::strcmp(mode, "simplify") == 0;
        paramssetdef(CCparams);
        CCparams.Sha_ForceCCR = 20;
        CCparams.Sha_Hifi = std::strcmp(mode, "plain") != 0;
        if (simplify) {
            CCparams.Sha_Idup = CCparams.Sha_PenOpt = CCparams.Sha_ForceStraight = CCparams.Sha_ForceStraightValue = 1;
            CCparams.Sha_PenAngle = 20;
            CCparams.Sha_ForceCurAngle = 2;
        }
        Bytes t = simplify ? smoothshape(edges) : bigshape(edges);
        size_t outsize = 0;
        double first = runonce(t, outsize), best = first;
        // Small shapes run more often: their times are short and noisy.
        for (int r = 0; r < 2 + 1000000 / edges / 20; ++r) {
            double s = runonce(t, outsize);
            if (s < best) best = s;
        }
        std::printf("%8s %10d %12zu %12zu %10.1f %10.1f %10.1f\n", mode, edges, t.size(), outsize, best * 1e3,
                    best * 1e9 / edges, first * 1e9 / edges);
    }
    clearres();
    return 0;
}
