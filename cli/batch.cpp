#include "cli/batch.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <new>
#include <optional>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/filerun.h"
#include "cli/jsonout.h"
#include "cli/outputfile.h"
#include "cli/outputname.h"
#include "cli/report.h"
#include "cli/workers.h"
#include "media/workpool.h"
#include "pipeline/tagsmith.h"
#include "settings/effective.h"
#include "settings/schema.h"

namespace {

// The engine formats its temporary and tool names into 256-byte buffers.
constexpr size_t kmaxenginepath = 255 - 16;

pid_t mainpid = 0;
bool singleprocess = true;

void oninterrupt(int sig) {
    // Workers get each Ctrl-C from the terminal and again from the main
    // process: only the main process counts a second one.
    if (getpid() != mainpid) {
        if (cliinterrupted) return;
    } else if (cliinterrupted) {
        // Without workers a second interrupt ends the program at once; with
        // them, the pool ends its workers and reports what they finished.
        if (singleprocess) {
            std::signal(sig, SIG_DFL);
            raise(sig);
        }
        cliinterrupted = 2;
        return;
    }
    cliinterrupted = 1;
    stoptools(true);
    CancelProc();
}

struct Tidentity {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
};

Tidentity identity(const std::string& path) {
    struct stat st;
    Tidentity id;
    if (!path.empty() && lstat(path.c_str(), &st) == 0) id = {true, st.st_dev, st.st_ino};
    return id;
}

bool makedirs(const std::string& dir, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        error = dir + ": " + ec.message();
        return false;
    }
    return true;
}

// Each process works in a private folder of its own under the scratch root,
// made on first use: a worker makes its own after fork.
class Tscratch {
public:
    explicit Tscratch(std::string root) : root_(std::move(root)) {}
    // Empty when the folder cannot be made; error() says why.
    std::string dir() {
        if (pid_ != getpid()) {
            pid_ = getpid();
            dir_ = makescratchdir(root_, "cli", error_);
        }
        return dir_;
    }
    const std::string& error() const { return error_; }
    void remove() {
        if (dir_.empty() || pid_ != getpid()) return;
        removescratchdir(dir_);
        dir_.clear();
    }

private:
    std::string root_, dir_, error_;
    pid_t pid_ = 0;
};

// A write that was killed leaves the engine's "NAME.partXXXXXX" beside the output.
void removepartials(const std::string& output) {
    const Tsourcename n = splitsource(output);
    const std::string dir = n.dir.empty() ? "." : n.dir;
    const std::string prefix = output.substr(n.dir.size()) + ".part";
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    std::vector<std::string> found;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) found.push_back(name);
    }
    closedir(d);
    for (const auto& name : found) unlink((n.dir + name).c_str());
}

std::string basename(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What the engine makes of a level, after the level itself.
std::string levelnote(int kind, const Tlevelvalues& v) {
    auto n = [](int x) { return std::to_string(x); };
    switch (kind) {
    case KIND_IMAGE: return "JPEG quality " + n(v.jpegquality);
    case KIND_SOUND: {
        if (!v.soundok) return "unusable custom values: sounds kept";
        char khz[16];
        std::snprintf(khz, sizeof khz, "%g", v.soundhz / 1000.0);
        const std::string rate = v.soundencoding == SOUND_VBR   ? "VBR quality " + n(v.soundvbr)
                                 : v.soundencoding == SOUND_ABR ? n(v.soundkbps) + " kbit/s average"
                                                                : n(v.soundkbps) + " kbit/s";
        return std::string(khz) + " kHz, " + rate + ", " + (v.soundmono ? "mono" : "stereo");
    }
    case KIND_FLV: return v.videokbps > 0 ? n(v.videokbps) + " kbit/s" : "no bit rate: videos kept";
    default: return "";
    }
}

// The movie a run of "-" works on, in the scratch folder: its name tells the
// engine whether to write a projector.
std::string stdinmovie(const std::string& scratchdir, std::string& error) {
    const std::string raw = scratchname(scratchdir, "stdin", "");
    error = readstandardinput(raw);
    if (!error.empty()) {
        unlink(raw.c_str());
        return "";
    }
    const std::string signature = moviesignature(raw);
    const std::string named = raw + (signature.rfind("MZ", 0) == 0 ? ".exe" : ".swf");
    if (rename(raw.c_str(), named.c_str()) != 0) {
        error = std::strerror(errno);
        unlink(raw.c_str());
        return "";
    }
    return named;
}

}  // namespace

std::string describesettings(const Tclioptions& o) {
    const Tparams& p = o.params;
    const Tlevelvalues v = levelvalues(p);
    std::vector<const Tfield*> shown;
    for (const Tfield& f : paramfields)
        if (f.shown) shown.push_back(&f);
    std::sort(shown.begin(), shown.end(), [](const Tfield* a, const Tfield* b) { return a->shown < b->shown; });
    std::string s = "settings: preset " + o.preset;
    int group = 0;
    for (const Tfield* f : shown) {
        if (f->flags & FIELD_PAIRED) s += " ";
        else s += f->shown / 10 != group ? "; " : ", ";
        group = f->shown / 10;
        s += std::string(f->label) + " " + std::to_string(p.*f->member);
        if (f->flags & FIELD_PERCENT) s += "%";
        if (f->flags & FIELD_LEVEL) s += " (" + levelnote(f->kind, v) + ")";
    }
    std::string skips;
    for (const Tfield& f : paramfields)
        if ((f.flags & FIELD_SKIP) && p.*f.member) skips += std::string(" ") + kindnames[f.kind].word;
    if (!skips.empty()) s += "; kept as they are:" + skips;
    if (o.allowlarger) s += "; larger results written";
    if (o.salvage) s += "; damaged movies salvaged";
    return s + "\n";
}

int runbatch(const Tclioptions& o, const Twalkresult& inputs) {
    Tsummary summary;
    for (const auto& e : inputs.errors) {
        std::fprintf(stderr, "shrinkwell-cli: %s\n", e.c_str());
        summary.addfailure();
    }
    summary.setskipped(int(inputs.skipped.size()));
    if (o.verbose)
        for (const auto& s : inputs.skipped) std::printf("skipped (earlier output): %s\n", s.c_str());
    std::vector<std::string> files = inputs.files;
    const bool stdinmode = files.size() == 1 && files[0] == "-";
    // With "-" standard output carries the movie, so every word goes to standard error.
    FILE* const text = stdinmode && !o.info ? stderr : stdout;
    if (files.empty()) {
        if (!o.quiet) std::fprintf(stderr, "shrinkwell-cli: no .swf or .exe files found\n");
        return summary.failed() ? 1 : 0;
    }

    std::string error;
    if (o.toolsdir.size() > kmaxenginepath) {
        std::fprintf(stderr, "shrinkwell-cli: --tools: the path is too long (at most %zu bytes)\n", kmaxenginepath);
        return 2;
    }
    std::error_code ec;
    const std::string tmproot = std::filesystem::absolute(o.tmpdir, ec).string();
    if (tmproot.size() + kscratchroom > kmaxenginepath) {
        std::fprintf(stderr, "shrinkwell-cli: --tmp: the path is too long (at most %zu bytes as an absolute path)\n",
                     kmaxenginepath - kscratchroom);
        return 2;
    }
    if (!o.info && !o.dryrun && !o.outdir.empty() && !makedirs(o.outdir, error)) {
        std::fprintf(stderr, "shrinkwell-cli: cannot create %s\n", error.c_str());
        return 1;
    }
    // Made here, so that an unusable root fails the run before any file.
    Tscratch scratch(tmproot);
    if (scratch.dir().empty()) {
        std::fprintf(stderr, "shrinkwell-cli: %s\n", scratch.error().c_str());
        return 1;
    }
    removestalescratch(tmproot, "cli");
    setfastzip(o.fast ? 1 : 0);
    setlzmaout(o.lzma ? 1 : 0);
    if (o.verbose) std::fputs(describesettings(o).c_str(), o.json ? stderr : text);

    // Outputs are chosen up front, in input order, so that parallel workers
    // never pick the same name and the names do not depend on timing. The
    // engine writes to writes[i]: the output itself, or a scratch file (dry
    // run, standard output) or a hidden file beside a source to replace.
    std::vector<std::string> outputs(files.size()), writes(files.size()), planerrors(files.size());
    if (stdinmode) {
        files[0] = stdinmovie(scratch.dir(), planerrors[0]);
        if (!planerrors[0].empty()) planerrors[0] = "standard input: " + planerrors[0];
    }
    if (!o.info) {
        Toutputnamer namer(o.outdir, o.overwrite);
        for (const auto& f : files) namer.protect(f);
        for (size_t i = 0; i < files.size(); ++i) {
            if (!planerrors[i].empty()) continue;
            const std::string subdir = o.outdir.empty() || i >= inputs.subdirs.size() ? "" : inputs.subdirs[i];
            if (stdinmode) outputs[i] = "-";
            else if (o.inplace) outputs[i] = files[i];
            else outputs[i] = namer.choose(files[i], planerrors[i], subdir);
            if (outputs[i].empty()) continue;
            if (stdinmode || o.dryrun) writes[i] = scratchname(scratch.dir(), "out", "");
            else if (o.inplace) writes[i] = replacementname(files[i]);
            else writes[i] = outputs[i];
            if (!subdir.empty() && !o.dryrun && !makedirs(splitsource(outputs[i]).dir, error)) planerrors[i] = error;
        }
    }

    // What each output name was before the run: a failed file's output is
    // removed only when it is one this run put there.
    std::vector<Tidentity> before(writes.size());
    for (size_t i = 0; i < writes.size(); ++i) before[i] = identity(writes[i]);

    // Where a good result ends up, once the engine has written it.
    auto settle = [&](size_t i, Tfileresult& r, const Tfiletimes& times) {
        if (!r.ok) return;
        const std::string& written = writes[i];
        if (o.inplace) {
            r.inplace = true;
            if (r.kept || r.dstsize >= r.srcsize) {
                unlink(written.c_str());
                r.kept = true;
                r.dstsize = r.srcsize;
                r.output.clear();
                return;
            }
        }
        std::string failure;
        if (o.dryrun) {
            unlink(written.c_str());
            r.dryrun = true;
            r.output = outputs[i];
        } else if (stdinmode) {
            failure = writestandardoutput(written);
            unlink(written.c_str());
            r.output = "-";
        } else if (o.inplace) {
            failure = replacesource(files[i], written, o.preserve ? &times : nullptr);
            if (failure.empty()) r.output = files[i];
            else failure = "not replaced: " + failure;
        } else if (o.preserve && !settimes(written, times)) {
            r.warning += std::string(r.warning.empty() ? "" : "; ") + "the times could not be kept: " +
                         std::strerror(errno);
        }
        if (!failure.empty()) {
            r.ok = false;
            r.error = failure;
            r.dstsize = 0;
        }
    };

    // Source bytes stand for the work a file takes, for the time left.
    std::vector<int64_t> sizes(files.size(), 1);
    int64_t totalbytes = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        struct stat st;
        if (stat(files[i].c_str(), &st) == 0 && st.st_size > 0) sizes[i] = st.st_size;
        totalbytes += sizes[i];
    }
    const auto started = std::chrono::steady_clock::now();
    auto timeleft = [&](int64_t donebytes) -> std::string {
        if (files.size() < 2) return "";
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        return ", " + formateta(elapsed, double(donebytes) / double(totalbytes));
    };

    mainpid = getpid();
    singleprocess = o.jobs <= 1 || files.size() == 1;
    std::signal(SIGINT, oninterrupt);
    std::signal(SIGTERM, oninterrupt);
    std::signal(SIGPIPE, SIG_IGN);

    Tprogressbar bar(!o.quiet && isatty(fileno(stderr)), stderr);
    const size_t total = files.size();

    auto task = [&](size_t i, const Tprogressfn& progress) {
        if (!planerrors[i].empty()) {
            Tfileresult r;
            r.source = files[i];
            r.error = planerrors[i];
            return r;
        }
        Trunsettings s{o.params, o.toolsdir, scratch.dir(), o.allowlarger, o.salvage};
        if (s.tmpdir.empty()) {
            Tfileresult r;
            r.source = files[i];
            r.error = "cannot make a scratch folder: " + scratch.error();
            return r;
        }
        try {
            if (o.info) return inspectfile(files[i], s, progress);
            const Tfiletimes times = o.preserve ? filetimes(files[i]) : Tfiletimes{};
            Tfileresult r = compressfile(files[i], writes[i], s, progress);
            settle(i, r, times);
            return r;
        } catch (const std::bad_alloc&) {
            // That file fails; the engine lets go of it and the batch goes on.
            appfina();
            Tfileresult r;
            r.source = files[i];
            r.error = "out of memory";
            if (!o.info && !writes[i].empty()) removepartials(writes[i]);
            return r;
        }
    };

    // Results are printed in input order, whatever order they finish in.
    std::vector<std::optional<Tfileresult>> pending(total);
    size_t printed = 0;
    auto deliver = [&](size_t i, Tfileresult& r) {
        if (r.source.empty()) r.source = files[i];
        if (stdinmode) r.source = "-";
        if (!r.ok && !o.info && !writes[i].empty()) {
            // A worker ended mid-file may have left its write at either name.
            removepartials(writes[i]);
            const Tidentity now = identity(writes[i]);
            if (now.exists && (!before[i].exists || now.dev != before[i].dev || now.ino != before[i].ino))
                unlink(writes[i].c_str());
        }
        pending[i] = std::move(r);
        for (; printed < total && pending[printed]; ++printed) {
            const Tfileresult& p = *pending[printed];
            bar.clear();
            summary.add(p);
            if (o.json) std::printf("%s\n", resultjson(p).c_str());
            else if (p.ok && !o.quiet) std::fputs((o.info ? formatinfo(p) : formatresult(p, o.verbose)).c_str(), text);
            std::fflush(text);
            if (!p.ok) std::fputs(formatfailure(p).c_str(), stderr);
            pending[printed].reset();
        }
    };

    if (o.jobs <= 1 || total == 1) {
        int64_t donebytes = 0;
        for (size_t i = 0; i < total && !cliinterrupted; ++i) {
            const std::string label = std::to_string(i + 1) + "/" + std::to_string(total) + " " + basename(files[i]);
            bar.update(label + timeleft(donebytes), 0);
            Tfileresult r = task(i, [&](int percent) {
                bar.update(label + timeleft(donebytes + sizes[i] * percent / 100), percent);
            });
            donebytes += sizes[i];
            deliver(i, r);
        }
        scratch.remove();
    } else {
        std::map<size_t, int> running;
        size_t finished = 0;
        int64_t finishedbytes = 0;
        auto showoverall = [&]() {
            int64_t sum = int64_t(finished) * 100, bytes = finishedbytes;
            for (const auto& [index, percent] : running) sum += percent, bytes += sizes[index] * percent / 100;
            bar.update(std::to_string(finished) + "/" + std::to_string(total) + " files" + timeleft(bytes),
                       int(sum / int64_t(total)));
        };
        // Cores shared by the workers' own threads: -j N is N busy in all.
        int cores[2] = {-1, -1};
        if (pipe2(cores, O_CLOEXEC) == 0) setcoreshare(cores[0], cores[1]);
        Tworkerpool pool(o.jobs, [&]() { scratch.remove(); }, cores[1]);
        pool.run(
            total, task,
            [&](size_t i, int percent) {
                running[i] = percent;
                showoverall();
            },
            [&](size_t i, Tfileresult& r) {
                running.erase(i);
                ++finished;
                finishedbytes += sizes[i];
                deliver(i, r);
                showoverall();
            },
            []() { return int(cliinterrupted); });
        setcoreshare(-1, -1);
        for (int fd : cores)
            if (fd >= 0) close(fd);
        scratch.remove();
    }
    bar.clear();

    if (cliinterrupted) std::fprintf(stderr, "shrinkwell-cli: interrupted\n");
    if (!o.quiet) {
        // The engine falls back to PATH when the tools folder lacks a program;
        // a kind that is kept anyway needs no program.
        auto found = [&](const char* tool, bool skipped) {
            return skipped || toolavailable(toolpath(o.toolsdir.c_str(), tool).c_str());
        };
        FILE* const notes = o.json ? stderr : text;
        std::fputs(summary.toolnotes(found("lame", o.params.Skip_Sound), found("ffmpeg", o.params.Skip_Video)).c_str(),
                   notes);
        std::fputs(summary.text(o.info).c_str(), notes);
        if (o.dryrun && !o.info) std::fputs("dry run: nothing was written\n", notes);
    }
    std::fflush(stdout);
    if (cliinterrupted) return 130;
    return summary.failed() ? 1 : 0;
}
