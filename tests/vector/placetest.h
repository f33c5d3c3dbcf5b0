// Shared helpers for the button and placement tests: placements and button records built field by field, and whole
// movies run through the engine.
#pragma once
#include <functional>
#include <string>

#include "core/swftag.h"
#include "pipeline/tagsmith.h"
#include "support/enginerun.h"
#include "support/swfbuilder.h"
#include "vector/shapetest.h"

namespace placetest {

using swfb::body;
using swfb::Bytes;
using swfb::parse;
using swfb::setmovieversion;
using swfb::write;
using swfb::Writer;

// A PlaceObject2 or 3 whose fields follow its flag bytes.
struct Place {
    int code = 26;
    uint8_t flags = 0, flags2 = 0;
    uint16_t depth = 1;
    std::string classname{};
    uint16_t id = 0;
    Bytes matrix{}, cxform{};
    uint16_t ratio = 0;
    std::string name{};
    uint16_t clipdepth = 0;
    Bytes filters{};
    uint8_t blend = 0, cache = 0, visible = 0;
    Bytes background{};
    bool cachebyte = true;
    Bytes clipactions{};
    Bytes tag() const {
        Writer w;
        w.u8(flags);
        if (code == 70) w.u8(flags2);
        w.u16(depth);
        bool image = flags2 & 16, character = flags & 2;
        if (code == 70 && ((flags2 & 8) || (image && !character))) w.str(classname);
        if (flags & 2) w.u16(id);
        if (flags & 4) w.raw(matrix);
        if (flags & 8) w.raw(cxform);
        if (flags & 16) w.u16(ratio);
        if (flags & 32) w.str(name);
        if (flags & 64) w.u16(clipdepth);
        if (code == 70) {
            if (flags2 & 1) w.raw(filters);
            if (flags2 & 2) w.u8(blend);
            if ((flags2 & 4) && cachebyte) w.u8(cache);
            if (flags2 & 32) w.u8(visible);
            if (flags2 & 64) w.raw(background);
        }
        if (flags & 128) w.raw(clipactions);
        return swfb::tag(code, w.take());
    }
};

inline Bytes matrixbytes(int32_t tx, int32_t ty, int32_t sx = 0, int32_t sy = 0, int32_t r0 = 0, int32_t r1 = 0) {
    return Writer().matrix(tx, ty, sx, sy, r0, r1).take();
}

inline Bytes cxformalpha() {
    Writer w;
    w.ub(1, 1).ub(1, 1).ub(4, 10);
    for (int32_t v : {256, 128, 64, 255, -20, 30, 0, -100}) w.sb(10, v);
    return w.take();
}

// Blur, glow, gradient glow, convolution and colour matrix filters.
inline Bytes filterlist() {
    Writer w;
    w.u8(5);
    w.u8(1).u32(0x50000).u32(0x40000).u8(2 << 3);
    w.u8(2).u8(255).u8(0).u8(0).u8(128).u32(0x60000).u32(0x60000).u16(0x0180).u8(0xA1);
    w.u8(4).u8(2).u32(0xFF0000FF).u32(0x00FF00FF).u8(0).u8(255);
    w.u32(0x40000).u32(0x40000).u32(0xC90F).u32(0x40000).u16(0x100).u8(0x91);
    w.u8(5).u8(3).u8(1).u32(0x3F800000).u32(0);
    for (int i = 0; i < 3; ++i) w.u32(0x3F800000u + uint32_t(i));
    w.u32(0x11223344).u8(0x03);
    w.u8(6);
    for (int i = 0; i < 20; ++i) w.u32(uint32_t(i) * 0x01000000u);
    return w.take();
}

// Two clip action records (the second on a key press), flags of 4 bytes.
inline Bytes clipactions6() {
    Writer w;
    w.u16(0).u32(0x00020001);
    w.u32(0x00000001).u32(3).u8(0x96).u8(0x07).u8(0x00);
    w.u32(0x00020000).u32(2).u8(0x0D).u8(0x00);
    w.u32(0);
    return w.take();
}

// One clip action record with flags of 2 bytes, as SWF 5 writes them.
inline Bytes clipactions5() {
    Writer w;
    w.u16(0).u16(0x0001);
    w.u16(0x0001).u32(3).u8(0xAA).u8(0xBB).u8(0x00);
    w.u16(0);
    return w.take();
}

// One BUTTONRECORD; cxform, filters and blend are written under DefineButton2 only.
struct Rec {
    uint8_t flags = 0x0F;
    uint16_t id = 1, depth = 1;
    Bytes matrix = Writer().matrix(100, 200).take();
    Bytes cxform = Writer().ub(1, 0).ub(1, 1).ub(4, 10).sb(10, 256).sb(10, 128).sb(10, 200).sb(10, 255).take();
    Bytes filters{};
    uint8_t blend = 0;
};

// Button records of DefineButton (7) or DefineButton2 (34).
inline Bytes records(int code, const std::vector<Rec>& recs) {
    Writer w;
    for (const Rec& r : recs) {
        w.u8(r.flags).u16(r.id).u16(r.depth).raw(r.matrix);
        if (code == 34) {
            w.raw(r.cxform);
            if (r.flags & 16) w.raw(r.filters);
            if (r.flags & 32) w.u8(r.blend);
        }
    }
    return w.take();
}

// Two condition actions: on release, stop; on roll over, play.
inline Bytes condactions() { return {0x06, 0x00, 0x08, 0x00, 0x07, 0x00, 0x00, 0x00, 0x01, 0x00, 0x06, 0x00}; }

// A DefineButton2 whose ActionOffset points `gap` bytes past the end flag.
inline Bytes button2(uint16_t id, const std::vector<Rec>& recs, const Bytes& actions, uint32_t gap = 0,
                     uint8_t menu = 1) {
    Bytes recbytes = records(34, recs);
    uint32_t offset = actions.empty() ? 0 : uint32_t(2 + recbytes.size() + 1 + gap);
    Writer w;
    w.u16(id).u8(menu).u16(offset).raw(recbytes).u8(0).raw(Bytes(gap, 0xEE)).raw(actions);
    return swfb::tag(34, w.take());
}

// A whole movie through the engine's stages at a shape ratio, and the PlaceObject2 matrices it wrote.
struct Written {
    std::vector<swfb::ParsedTag> tags;
    std::vector<MATRIX> placements;  // in file order, root and sprites
};

inline Written optimize(const swfb::Movie& m, int ratio, const std::function<void(Tparams&)>& set = {}) {
    swfb::Scratchdir dir("placemovie");
    const std::string in = dir.file("in.swf"), out = dir.file("out.swf");
    swfb::writefile(in, swfb::build(m, 'C'));
    Tparams p{};
    paramssetdef(p);
    p.Sha_ForceCCR = ratio;
    if (set) set(p);
    placeclearparsedepths();
    swfb::EngineRun r = swfb::runengine(in, out, p, dir.path(), dir.path());
    EXPECT_EQ(r.fault(), "");
    Written w{swfb::listtags(swfb::unpackmovie(swfb::readfile(out))), {}};
    for (const auto& t : w.tags) {
        if (t.code != 26) continue;
        auto po = parse<Tswftag_placeobject>(swfb::tag(26, t.body));
        w.placements.push_back(po->PlaceFlagHasMatrix ? po->Matrix : MATRIX{});
    }
    return w;
}

using PlaceTest = ::VectorTest;

}  // namespace placetest
