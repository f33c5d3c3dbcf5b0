// Runs one shape tag through its tag class, as the container does.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "core/enginestate.h"
#include "support/shapebuilder.h"
#include "vector/defineshape.h"
#include "vector/registry.h"

template <typename T = Tswftag_defineshape_opt>
class Shaperun {
public:
    explicit Shaperun(const swfb::Bytes& tagbytes) {
        unsigned char* file = nullptr;
        pascal_com::setlength(file, 1, tagbytes.size());
        std::memcpy(file, tagbytes.data(), tagbytes.size());
        tag = std::make_unique<T>(file, 0);
        pascal_com::setlength(file, 1, 0);
        tag->safeparse();
    }
    swfb::Bytes write() {
        unsigned char* out = nullptr;
        tag->dofill(out);
        swfb::Bytes b(out, out + pascal_com::length(out));
        pascal_com::setlength(out, 1, 0);
        return b;
    }
    SHAPERECORD* records() const { return tag->Shapes.ShapeRecords; }
    uint32_t count() const { return pascal_com::length(records()); }
    std::unique_ptr<T> tag;
};

// Registry and shape ratio reset around every test.
class ShapeTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearres();
        CCparams = Tparams{};
        CCparams.Sha_ForceCCR = 20;
    }
    void TearDown() override { clearres(); }
};
