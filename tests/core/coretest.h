// Shared fixture for the engine core tests: a scratch directory and an engine
// returned to its idle state around every test.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "pipeline/tagsmith.h"
#include "core/swftag.h"
#include "support/enginerun.h"
#include "support/swfbuilder.h"
#include "vector/registry.h"

using TempDir = swfb::Scratchdir;  // path() ends with '/'

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
    std::vector<int> loadedcodes() const {
        std::vector<int> out;
        for (int i = 0; i < tagcount(); ++i) out.push_back(tags[i]->tagcode);
        return out;
    }
    static bool exists(const std::string& p) { return std::filesystem::exists(p); }
    // Writes what is loaded; the file written, or nothing.
    swfb::Bytes write(int asexe = 0) {
        const std::string out = dir.file("out.swf");
        std::filesystem::remove(out);
        dooptimize(out.c_str(), asexe);
        return exists(out) ? swfb::readfile(out) : swfb::Bytes{};
    }
    // A file that was refused: nothing loaded, and a reason given.
    void expectrefused() const {
        EXPECT_FALSE(fileloaded());
        EXPECT_NE(std::string(lasterror()), "");
        EXPECT_EQ(tagcount(), 0);
    }

    TempDir dir;
};

// A dynamic byte array holding the given bytes, as the container hands them over; freed with the object.
struct Dynbytes {
    unsigned char* p = nullptr;
    explicit Dynbytes(const swfb::Bytes& b) { bytearrayappendraw(p, b.data(), b.size()); }
    ~Dynbytes() { pascal_com::freearray(p); }
};

inline swfb::Bytes movie(const std::vector<swfb::Bytes>& t, uint8_t version = 10, char sig = 'F') {
    return swfb::build({.version = version, .tags = t}, sig);
}

// A plain tag that no tag class rebuilds, so it comes back byte for byte.
inline swfb::Bytes action(uint8_t n, size_t size = 3) { return swfb::doaction(swfb::Bytes(size, n)); }
