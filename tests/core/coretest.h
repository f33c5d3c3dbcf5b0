// Shared fixture for the engine core tests: a scratch directory and an engine
// returned to its idle state around every test.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "pipeline/tagsmith.h"
#include "core/swftag.h"
#include "support/swfbuilder.h"
#include "vector/registry.h"

class TempDir {
public:
    TempDir() {
        std::string t = (std::filesystem::temp_directory_path() / "tagsmith-XXXXXX").string();
        if (!mkdtemp(t.data())) throw std::runtime_error("mkdtemp");
        path_ = t;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetengine();
        one_initdata("/nonexistent/tools/", dir.path().c_str());
    }
    void TearDown() override { resetengine(); }

    // Writes the bytes to a file and loads it through the stages.
    std::string load(const swfb::Bytes& file, const std::string& name = "in.swf") {
        std::string p = dir.file(name);
        swfb::writefile(p, file);
        two_readfile(p.c_str());
        return p;
    }
    // Body bytes of the loaded tags, in list order.
    std::vector<swfb::Bytes> loadedbodies() const {
        std::vector<swfb::Bytes> out;
        for (int i = 0; i < tagcount(); ++i) {
            const Tswftag* t = tags[i];
            out.emplace_back(t->rawbody, t->rawbody + pascal_com::length(t->rawbody));
        }
        return out;
    }
    std::vector<int> loadedcodes() const {
        std::vector<int> out;
        for (int i = 0; i < tagcount(); ++i) out.push_back(tags[i]->tagcode);
        return out;
    }
    static bool exists(const std::string& p) { return std::filesystem::exists(p); }

    TempDir dir;
};

// Plain tags that no tag class rebuilds, so they come back byte for byte.
inline swfb::Bytes action(uint8_t n, size_t size = 3) {
    swfb::Bytes body(size, n);
    return swfb::doaction(body);
}
inline swfb::Bytes framelabel(const std::string& s) {
    swfb::Writer w;
    w.str(s);
    return swfb::tag(43, w.take());
}
