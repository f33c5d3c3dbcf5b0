#include "cli/filewalk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <utility>

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace {

using Tfileid = std::pair<dev_t, ino_t>;

struct Twalker {
    Twalkresult result;
    std::set<Tfileid> seen;

    void addfile(const std::string& path, const std::string& subdir = "") {
        struct stat st;
        if (stat(path.c_str(), &st) == 0 && !seen.insert({st.st_dev, st.st_ino}).second) return;
        result.files.push_back(path);
        result.subdirs.push_back(subdir);
    }

    void walk(const std::string& dir, const std::string& subdir = "") {
        DIR* d = opendir(dir.c_str());
        if (!d) {
            result.errors.push_back(dir + ": " + std::strerror(errno));
            return;
        }
        std::vector<std::string> names;
        while (dirent* e = readdir(d)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
        }
        closedir(d);
        std::sort(names.begin(), names.end());
        const std::string prefix = dir.back() == '/' ? dir : dir + "/";
        for (const auto& name : names) {
            const std::string path = prefix + name;
            struct stat st;
            if (lstat(path.c_str(), &st) != 0) continue;
            if (S_ISDIR(st.st_mode)) {
                walk(path, subdir + name + "/");
                continue;
            }
            if (!ismoviename(name)) continue;
            // A link to a file is followed; a link to a directory is not (no loops).
            if (S_ISLNK(st.st_mode) && stat(path.c_str(), &st) != 0) continue;
            if (!S_ISREG(st.st_mode)) continue;
            if (seen.count({st.st_dev, st.st_ino})) continue;
            if (iscompressedname(name)) {
                result.skipped.push_back(path);
                continue;
            }
            addfile(path, subdir);
        }
    }
};

}  // namespace

bool ismoviename(const std::string& filename) {
    if (filename.size() < 5) return false;
    const char* ext = filename.c_str() + filename.size() - 4;
    return strcasecmp(ext, ".swf") == 0 || strcasecmp(ext, ".exe") == 0;
}

bool iscompressedname(const std::string& filename) {
    std::string base = filename.substr(0, filename.rfind('.'));
    size_t end = base.size();
    while (end > 0 && base[end - 1] >= '0' && base[end - 1] <= '9') --end;
    static const std::string tail = "_compressed";
    return end >= tail.size() && base.compare(end - tail.size(), tail.size(), tail) == 0;
}

Twalkresult collectinputs(const std::vector<std::string>& args) {
    Twalker w;
    for (const auto& arg : args) {
        struct stat st;
        if (stat(arg.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) w.walk(arg);
        else w.addfile(arg);
    }
    return std::move(w.result);
}
