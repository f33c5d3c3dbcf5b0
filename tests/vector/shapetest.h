// Runs one shape tag through its tag class, as the container does; the fixture every vector test shares.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/container.h"
#include "core/enginestate.h"
#include "support/shapebuilder.h"
#include "support/tagio.h"
#include "vector/defineshape.h"
#include "vector/placeobject.h"
#include "vector/registry.h"

template <typename T = Tswftag_defineshape_opt>
class Shaperun {
public:
    explicit Shaperun(const swfb::Bytes& tagbytes) : tag(swfb::parse<T>(tagbytes)) {}
    swfb::Bytes write() { return swfb::write(*tag); }
    SHAPERECORD* records() const { return tag->Shapes.ShapeRecords; }
    uint32_t count() const { return pascal_com::length(records()); }
    std::unique_ptr<T> tag;
};

// Registry, depth tables, shape and font ratios and the movie version reset around every test. Not EngineTest: the
// core tests' fixture has that name, and two inline classes of one name clash in the one test binary.
class VectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset();
        CCparams.Sha_ForceCCR = CCparams.Sha_FontCCR = 20;
        swfb::setmovieversion(10);
    }
    void TearDown() override {
        reset();
        pascal_com::setlength(_head, 1, 0);
    }
    static void reset() {
        clearres();
        placeclearparsedepths();
        CCparams = Tparams{};
        Cparsesprite = 0;
    }
};
using ShapeTest = VectorTest;

constexpr int32_t kOne = 65536;  // 1.0 in 16.16

inline MATRIX scalematrix(int32_t scale) { return MATRIX{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, scale, scale, 0, 0}; }

struct Point {
    int64_t x, y;
    bool operator==(const Point&) const = default;
};
// What the outline draws, times k: {-1, -1} then the target of each move, and the absolute points each edge passes
// through; edges that go nowhere are left out.
inline std::vector<Point> outline(const SHAPERECORD* r, int64_t k = 1) {
    std::vector<Point> out;
    int64_t x = 0, y = 0;
    for (uint32_t i = 0; i < pascal_com::length(r); ++i) {
        const SHAPERECORD& e = r[i];
        if (e.Kind == SHAPEREC_STYLECHANGE && e.StateMoveTo) {
            x = e.MoveDeltaX;
            y = e.MoveDeltaY;
            out.push_back({-1, -1});
        } else if (e.Kind == SHAPEREC_STRAIGHT && (e.DeltaX || e.DeltaY)) {
            x += e.DeltaX;
            y += e.DeltaY;
        } else if (e.Kind == SHAPEREC_CURVED &&
                   (e.ControlDeltaX || e.ControlDeltaY || e.AnchorDeltaX || e.AnchorDeltaY)) {
            out.push_back({(x + e.ControlDeltaX) * k, (y + e.ControlDeltaY) * k});
            x += e.ControlDeltaX + e.AnchorDeltaX;
            y += e.ControlDeltaY + e.AnchorDeltaY;
        } else {
            continue;
        }
        out.push_back({x * k, y * k});
    }
    return out;
}

// Every record kind and style kind the version allows, with style changes that bring new styles along. wide: two fields
// written wider than they need.
inline swfb::Bytes richshape(int code, bool end = true, bool wide = false) {
    swfb::ShapeWriter s(code);
    const bool v4 = code == 83;
    s.fillcount(v4 ? 5 : 4).solid(1, 2, 3, 4);
    s.gradient(0x10, swfb::Mat{100, -200, 70000, 70000}, {{0, 255, 0, 0, 255}, {255, 0, 0, 255, 128}});
    s.gradient(0x12, swfb::Mat{5, 5, 0, 0, 3000, -3000}, {{0, 1, 2, 3, 4}, {128, 5, 6, 7, 8}, {255, 9, 9, 9, 9}}, 0, 1, 1);
    s.bitmap(0x41, 7, swfb::Mat{60, 0, 20 << 16, 20 << 16});
    if (v4) s.gradient(0x13, swfb::Mat{0, 0, 40000, 40000}, {{0, 1, 1, 1, 1}, {255, 2, 2, 2, 2}}, 0x0180);
    s.linecount(v4 ? 3 : 2).line(20, 10, 20, 30, 40).line(0, 50, 60, 70, 80);
    if (v4) {
        const swfb::Line2 l{.startcap = 1, .join = 2, .endcap = 2, .hasfill = true, .pixelhinting = true,
                            .noclose = true, .reserved = 5, .miter = 0x0300};
        s.line2(45, l).bitmap(0x42, 7, swfb::Mat{7, 9});
    }
    s.bits(3, 2);
    s.change({.movex = 100, .movey = -50, .move = true, .fill0 = 1, .fill1 = 2, .line = 1});
    s.straight(300, 0).straight(0, -300).straight(-150, 170).curve(10, 20, 30, -40).curve(-100, 0, -50, -100);
    s.change({.fill0 = 0, .line = 2});
    s.straight(-5, -5, wide ? 6 : -1);
    s.change({.newstyles = true});
    s.fillcount(1).solid(9, 8, 7, 6).linecount(1).line(40, 1, 1, 1, 1).bits(1, 1);
    s.change({.movex = 0, .movey = 0, .move = true, .movebits = wide ? 9 : -1, .fill1 = 1, .line = 1});
    s.straight(10, 10);
    if (end) s.endshape();
    return swfb::shapetag(code, 5, -10, 400, -400, 300, s.take(), v4 ? 0x06 : 0);
}

// A morph shape with every morph style kind the version allows (a bitmap fill of id 7); the end edges pair up with the
// start edges but carry no style changes other than a move.
inline swfb::Bytes richmorph(int code, uint16_t id = 9, uint16_t width = 60) {
    swfb::Writer st;
    auto rgba = [&st](uint8_t v) { st.u8(v).u8(v + 1).u8(v + 2).u8(255); };
    st.u8(code == 84 ? 4 : 3).u8(0x00);
    rgba(1);
    rgba(2);
    st.u8(0x10).matrix(100, -200, 70000, 70000).matrix(0, 0, 90000, 90000).u8(0x02);
    for (uint8_t r : {0, 255}) {
        st.u8(r);
        rgba(r);
        st.u8(r / 2);
        rgba(3);
    }
    st.u8(0x41).u16(7).matrix(60, 0, 20 << 16, 20 << 16).matrix(90, 30, 30 << 16, 30 << 16);
    if (code == 84) {
        st.u8(0x13).matrix(0, 0, 40000, 40000).matrix(5, 5, 50000, 50000).u8(0x41).u8(0).u32(0x01010101);
        st.u8(255).u32(0x02020202).u16(0x0180).u16(0xFF80);
    }
    st.u8(2).u16(width).u16(80);
    if (code == 84) st.ub(2, 1).ub(2, 2).ub(1, 0).ub(1, 1).ub(1, 0).ub(1, 1).ub(5, 0).ub(1, 1).ub(2, 2).u16(0x0300);
    rgba(4);
    rgba(5);
    st.u16(40).u16(50);
    if (code == 84) {
        st.ub(2, 0).ub(2, 0).ub(1, 1).ub(1, 0).ub(1, 0).ub(1, 0).ub(5, 0).ub(1, 0).ub(2, 0);
        st.u8(0x42).u16(7).matrix(7, 9).matrix(8, 10);
    } else {
        rgba(6);
        rgba(7);
    }
    swfb::ShapeWriter s(32), e(32);
    s.bits(3, 2).change({.movex = 100, .movey = -50, .move = true, .fill0 = 1, .fill1 = 2, .line = 1});
    s.straight(300, 0).straight(0, -300).curve(10, 20, 30, -40).change({.fill0 = 3, .line = 2}).straight(-337, 327);
    e.bits(0, 0).change({.movex = -7, .movey = 13, .move = true});
    e.straight(613, 0).straight(0, -601).curve(-41, 43, 40, -40).straight(-601, 611);
    const swfb::Bytes styles = st.take(), starts = s.endshape().take();
    swfb::Writer w;
    w.u16(id).rect(-10, 400, -400, 300).rect(-20, 700, -700, 600);
    if (code == 84) w.rect(-10, 400, -400, 300).rect(-20, 700, -700, 600).u8(0);  // edge bounds, no stroke flags
    w.u32(uint32_t(styles.size() + starts.size())).raw(styles).raw(starts).raw(e.endshape().take());
    return swfb::tag(code, w.take());
}
