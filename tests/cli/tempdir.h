// A scratch directory for one test, removed with everything in it.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/swfbuilder.h"

class Ttempdir {
public:
    Ttempdir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "swcli-XXXXXX").string();
        path_ = mkdtemp(tmpl.data()) ? tmpl : "";
    }
    ~Ttempdir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // Writes bytes to name (directories created), returns the full path.
    std::string put(const std::string& name, const swfb::Bytes& data = {}) const {
        std::filesystem::path p = std::filesystem::path(path_) / name;
        std::filesystem::create_directories(p.parent_path());
        swfb::writefile(p.string(), data);
        return p.string();
    }

private:
    std::string path_;
};
