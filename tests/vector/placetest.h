// Shared helpers for the button and placement tests: one tag parsed and
// written the way the container does it, with a clean registry around it.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "core/container.h"
#include "core/enginestate.h"
#include "core/swftag.h"
#include "support/swfbuilder.h"
#include "support/tagio.h"
#include "vector/placeobject.h"
#include "vector/registry.h"

namespace placetest {

using swfb::Bytes;

using swfb::parse;
using swfb::write;

inline Bytes body(const Bytes& tagbytes) {
    size_t head = (tagbytes[0] & 63) == 63 ? 6 : 2;
    return Bytes(tagbytes.begin() + long(head), tagbytes.end());
}

inline void setmovieversion(int version) {
    pascal_com::setlength(_head, 1, 0);
    const uint8_t h[] = {'F', 'W', 'S', uint8_t(version), 0, 0, 0, 0};
    bytearrayappendraw(_head, h, sizeof h);
}

inline MATRIX scalematrix(int32_t scale, int32_t tx = 0, int32_t ty = 0) {
    MATRIX m{};
    m.HasScale = 1;
    m.ScaleX = m.ScaleY = scale;
    m.TranslateX = tx;
    m.TranslateY = ty;
    return m;
}

constexpr int32_t kOne = 65536;  // 1.0 in 16.16

class PlaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearres();
        placeclearparsedepths();
        CCparams = Tparams{};
        CCparams.Sha_ForceCCR = 20;
        Cparsesprite = 0;
        setmovieversion(10);
    }
    void TearDown() override {
        clearres();
        placeclearparsedepths();
        CCparams = Tparams{};
        Cparsesprite = 0;
        pascal_com::setlength(_head, 1, 0);
    }
};

}  // namespace placetest
