#include "cli/filerun.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/outputname.h"
#include "pipeline/tagsmith.h"

volatile std::sig_atomic_t cliinterrupted = 0;

namespace {

enum Tphase { PHASE_READ, PHASE_WRITE, PHASE_READONLY };

struct Tprogressstate {
    const Tprogressfn* fn;
    Tphase phase;
    int last;
};

// Runs inside engine calls; the percentage comes from position().
void enginecallback(int, int, void* object1, void*) {
    auto* st = static_cast<Tprogressstate*>(object1);
    if (!st || !st->fn || !*st->fn) return;
    int p = position();
    p = p < 0 ? 0 : p > 100 ? 100 : p;
    const int v = st->phase == PHASE_READ ? p / 2 : st->phase == PHASE_WRITE ? 50 + p / 2 : p;
    if (v <= st->last) return;
    st->last = v;
    (*st->fn)(v);
}

// Why the engine should not be handed this path; empty when it can read it.
std::string checksource(const std::string& path, int64_t& size) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return "is a directory";
    if (!S_ISREG(st.st_mode)) return "not a regular file";
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    close(fd);
    size = st.st_size;
    if (st.st_size == 0) return "the file is empty";
    return "";
}

void readkinds(Tfileresult& r, const Tmovieresult& m) {
    for (int i = 0; i < KIND_COUNT; ++i) {
        r.kinds[i].srcsize = m.kinds[i].srcsize;
        r.kinds[i].dstsize = m.kinds[i].dstsize;
        r.kinds[i].count = m.kinds[i].count;
    }
}

std::string truncationwarning(int32_t tags, int64_t dropped) {
    if (tags <= 0) return "";
    return std::to_string(tags) + (tags == 1 ? " tag" : " tags") + " cut off by the end of the data dropped (" +
           groupdigits(dropped) + (dropped == 1 ? " byte)" : " bytes)");
}

void readdamage(Tfileresult& r, const Tmovieresult& m) {
    const Tdamage& d = m.damage;
    r.movielen = d.movielen;
    r.dropped = d.dropped;
    if (d.streamfailed || d.cutoffset >= 0) r.damage = damagetext(d);
    r.warning = truncationwarning(m.truncatedtags, d.dropped);
    if (d.streamfailed && r.warning.empty()) r.warning = r.damage;
}

void readused(Tfileresult& r, const Tparams& p) { r.used = levelvalues(p); }

int64_t since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

Tmoviejob enginejob(const std::string& source, const Trunsettings& s, Tprogressstate& state) {
    Tmoviejob job;
    job.source = source;
    job.toolsdir = s.toolsdir;
    job.tmpdir = s.tmpdir;
    job.progress = enginecallback;
    job.object1 = &state;
    return job;
}

bool validsignature(const unsigned char* s) {
    return (s[0] == 'F' || s[0] == 'C' || s[0] == 'Z') && s[1] == 'W' && s[2] == 'S';
}

}  // namespace

std::string moviesignature(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return "";
    std::string result;
    unsigned char sig[3];
    struct stat st;
    if (fstat(fd, &st) == 0 && pread(fd, sig, 3, 0) == 3) {
        if (validsignature(sig)) {
            result.assign(reinterpret_cast<char*>(sig), 3);
        } else if (sig[0] == 'M' && sig[1] == 'Z' && st.st_size >= 16) {
            // A projector ends with a magic number and the length of the movie before it.
            unsigned char t[8];
            uint64_t start = 0;
            uint32_t len = 0;
            if (pread(fd, t, 8, st.st_size - 8) == 8 && projectortrailer(t, uint64_t(st.st_size), start, len) &&
                pread(fd, sig, 3, off_t(start)) == 3 && validsignature(sig))
                result = "MZ+" + std::string(reinterpret_cast<char*>(sig), 3);
        }
    }
    close(fd);
    return result;
}

Tfileresult compressfile(const std::string& source, const std::string& output, const Trunsettings& s,
                         const Tprogressfn& progress) {
    const auto start = std::chrono::steady_clock::now();
    Tfileresult r;
    r.source = source;
    r.exe = exeflag(source);
    r.error = checksource(source, r.srcsize);
    if (!r.error.empty()) {
        r.ms = since(start);
        return r;
    }
    struct stat st;
    const bool existed = lstat(output.c_str(), &st) == 0;
    Tprogressstate state{&progress, PHASE_READ, -1};
    Tmoviejob job = enginejob(source, s, state);
    job.output = output;
    job.params = s.params;
    job.asexe = r.exe;
    job.allowlarger = s.allowlarger;
    job.salvage = s.salvage;
    job.phase = [&state](Tmoviephase p) { state.phase = p == MOVIE_WRITE ? PHASE_WRITE : PHASE_READ; };
    job.interrupted = [] { return cliinterrupted != 0; };
    const Tmovieresult m = compressmovie(job);
    const bool loaded = m.loaded;
    const bool damaged = m.damaged;
    if (loaded) readdamage(r, m);
    readused(r, s.params);
    r.kept = m.kept;
    r.rewritten = m.rewritten;
    r.notes = m.notes;
    readkinds(r, m);
    r.srcsize = m.srcsize;
    r.dstsize = m.dstsize;
    const std::string& reason = m.reason;

    if (cliinterrupted) {
        r.error = "interrupted";
        // A cancelled write keeps what it had written: never leave that behind.
        if (r.dstsize > 0) unlink(output.c_str());
    } else if (!loaded) {
        r.error = reason.empty() ? "not a Flash movie" : reason;
    } else if (r.dstsize <= 0) {
        r.error = reason.empty() ? "no output was written" : reason;
        if (damaged && !s.salvage) r.error += " (--salvage writes what could be read)";
    } else {
        r.ok = true;
        r.output = output;
        if (damaged) {
            r.salvaged = true;
            r.warning = "salvaged a damaged movie: " + r.damage + "; " + groupdigits(r.dropped) + " bytes dropped";
        }
    }
    if (!r.ok) {
        if (!existed && lstat(output.c_str(), &st) == 0) unlink(output.c_str());
        r.dstsize = 0;
    }
    r.ms = since(start);
    return r;
}

Tfileresult inspectfile(const std::string& source, const Trunsettings& s, const Tprogressfn& progress) {
    const auto start = std::chrono::steady_clock::now();
    Tfileresult r;
    r.source = source;
    r.info = true;
    r.exe = exeflag(source);
    r.error = checksource(source, r.srcsize);
    if (!r.error.empty()) {
        r.ms = since(start);
        return r;
    }
    Tprogressstate state{&progress, PHASE_READONLY, -1};
    const Tmovieresult m = inspectmovie(enginejob(source, s, state));
    const bool flash = m.head.ok;
    const bool loaded = m.loaded;
    if (loaded) {
        readdamage(r, m);
        if (m.damaged) r.warning = "damaged: " + r.damage;
    }
    readkinds(r, m);
    const std::string& reason = m.reason;

    Tmovieheader& h = r.header;
    h.version = m.head.version;
    h.filelength = m.head.filelength;
    h.framerate = m.head.framerate;
    h.framecount = m.head.framecount;
    h.red = m.head.red;
    h.green = m.head.green;
    h.blue = m.head.blue;
    h.width = m.head.xmax - m.head.xmin;
    h.height = m.head.ymax - m.head.ymin;
    h.signature = moviesignature(source);
    if (cliinterrupted) r.error = "interrupted";
    else if (!flash) r.error = "not a Flash movie";
    else if (!loaded) r.error = reason.empty() ? "not a Flash movie" : reason;
    else r.ok = true;
    r.ms = since(start);
    return r;
}
