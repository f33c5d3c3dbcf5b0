#include "cli/outputname.h"

#include <climits>
#include <cstdlib>
#include <strings.h>
#include <sys/stat.h>

namespace {

std::string joinpath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

// Two spellings of one directory ("out", "./out/") must reserve the same names.
std::string canonicaldir(const std::string& dir) {
    char buf[PATH_MAX];
    if (realpath(dir.empty() ? "." : dir.c_str(), buf)) return buf;
    return dir;
}

}  // namespace

Tsourcename splitsource(const std::string& path) {
    Tsourcename n;
    size_t slash = path.rfind('/');
    n.dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = file.rfind('.');
    n.hasdot = dot != std::string::npos;
    n.base = n.hasdot ? file.substr(0, dot) : file;
    n.ext = n.hasdot ? file.substr(dot + 1) : "";
    return n;
}

int exeflag(const std::string& path) { return strcasecmp(splitsource(path).ext.c_str(), "swf") == 0 ? 0 : 1; }

Toutputnamer::Toutputnamer(std::string outdir, bool overwrite) : outdir_(std::move(outdir)), overwrite_(overwrite) {}

void Toutputnamer::protect(const std::string& source) {
    struct stat st;
    if (stat(source.c_str(), &st) == 0) sources_.insert({st.st_dev, st.st_ino});
}

bool Toutputnamer::free(const std::string& path, const std::string& key) const {
    if (reserved_.count(key)) return false;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return true;
    if (stat(path.c_str(), &st) == 0) {
        if (sources_.count({st.st_dev, st.st_ino})) return false;
        if (S_ISDIR(st.st_mode)) return false;
    }
    return overwrite_;
}

std::string Toutputnamer::choose(const std::string& source, std::string& error, const std::string& subdir) {
    const Tsourcename n = splitsource(source);
    const std::string dir = outdir_.empty() ? n.dir : joinpath(outdir_, subdir);
    // A folder of the tree may not be made yet.
    const std::string canon = outdir_.empty() ? canonicaldir(dir) : joinpath(canonicaldir(outdir_), subdir);
    const std::string suffix = n.hasdot ? "." + n.ext : "";
    const std::string stem = n.base + "_compressed";
    // The counter form is tried only after the plain name.
    for (long counter = -1; counter < 100000; ++counter) {
        std::string name = stem + (counter < 0 ? "" : std::to_string(counter)) + suffix;
        std::string path = joinpath(dir, name);
        std::string key = joinpath(canon, name);
        if (free(path, key)) {
            reserved_.insert(key);
            return path;
        }
    }
    error = "no free output name for " + stem + suffix + " in " + (dir.empty() ? "." : dir);
    return "";
}
