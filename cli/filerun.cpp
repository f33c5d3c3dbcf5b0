#include "cli/filerun.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/outputname.h"
#include "core/tagsmith.h"

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

void readkinds(Tfileresult& r) {
    const Trlist* list = getresourcelist();
    for (int i = 0; i < KIND_COUNT; ++i) {
        r.kinds[i].srcsize = list[i].srcsize;
        r.kinds[i].dstsize = list[i].dstsize;
        r.kinds[i].count = list[i].count;
    }
}

std::string truncationwarning(int32_t tags) {
    if (tags <= 0) return "";
    return std::to_string(tags) + (tags == 1 ? " tag" : " tags") + " cut off by the end of the data dropped (" +
           groupdigits(CCdamage.dropped) + (CCdamage.dropped == 1 ? " byte)" : " bytes)");
}

// Read right after the movie was loaded, before the engine forgets it.
void readdamage(Tfileresult& r) {
    r.movielen = CCdamage.movielen;
    r.dropped = CCdamage.dropped;
    if (CCdamage.streamfailed || CCdamage.cutoffset >= 0) r.damage = damagetext();
    r.warning = truncationwarning(Ctruncatedtags);
    if (CCdamage.streamfailed && r.warning.empty()) r.warning = r.damage;
}

void readused(Tfileresult& r, const Tparams& p) { r.used = levelvalues(p); }

int64_t since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
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
            if (pread(fd, t, 8, st.st_size - 8) == 8) {
                const uint32_t magic = t[0] | t[1] << 8 | t[2] << 16 | uint32_t(t[3]) << 24;
                const uint32_t len = t[4] | t[5] << 8 | t[6] << 16 | uint32_t(t[7]) << 24;
                if (magic == 0xFA123456u && len >= 8 && len <= uint64_t(st.st_size) - 8 &&
                    pread(fd, sig, 3, st.st_size - 8 - len) == 3 && validsignature(sig))
                    result = "MZ+" + std::string(reinterpret_cast<char*>(sig), 3);
            }
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
    // The worker's own copy: the two player-size fields go to the engine as a
    // ratio, and the record it receives carries 0 in them.
    Tparams params = s.params;

    one_initdata(s.toolsdir.c_str(), s.tmpdir.c_str());
    setslobject(&state, nullptr);
    setslproc(enginecallback);
    two_readfile(source.c_str());
    const bool loaded = fileloaded() != 0;
    if (loaded) readdamage(r);
    const bool damaged = loaded && moviedamaged();
    three_getflashdata();
    four_getexistsparam();
    five_allimgsetratodef(params.ImgPmps_x, params.ImgPmps_y);
    params.ImgPmps_x = 0;
    params.ImgPmps_y = 0;
    six_allparamset(params);
    seven_prepareopt();
    readused(r, params);
    state.phase = PHASE_WRITE;
    setsalvage(s.salvage ? 1 : 0);
    dooptimize(output.c_str(), r.exe);
    setsalvage(0);
    if (!cliinterrupted) r.kept = keepsmaller(output.c_str(), s.allowlarger ? 1 : 0) != 0;
    r.rewritten = Crewrittensize;
    r.notes = toolnotes();
    readkinds(r);
    r.srcsize = srcfilesize();
    r.dstsize = dstfilesize();
    const std::string reason = lasterror();
    appfina();
    setslproc(nullptr);
    setslobject(nullptr, nullptr);

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
    Tmovieheader& h = r.header;
    int xmin = 0, xmax = 0, ymin = 0, ymax = 0;

    one_initdata(s.toolsdir.c_str(), s.tmpdir.c_str());
    setslobject(&state, nullptr);
    setslproc(enginecallback);
    const bool flash = getflashhead(source.c_str(), h.version, h.filelength, xmin, xmax, ymin, ymax, h.framerate,
                                    h.framecount, h.red, h.green, h.blue) != 0;
    if (flash) two_readfile(source.c_str());
    const bool loaded = flash && fileloaded() != 0;
    if (loaded) {
        readdamage(r);
        if (moviedamaged()) r.warning = "damaged: " + r.damage;
    }
    three_getflashdata();
    readkinds(r);
    const std::string reason = lasterror();
    appfina();
    setslproc(nullptr);
    setslobject(nullptr, nullptr);

    h.width = xmax - xmin;
    h.height = ymax - ymin;
    h.signature = moviesignature(source);
    if (cliinterrupted) r.error = "interrupted";
    else if (!flash) r.error = "not a Flash movie";
    else if (!loaded) r.error = reason.empty() ? "not a Flash movie" : reason;
    else r.ok = true;
    r.ms = since(start);
    return r;
}
