// Writes the fuzzer's seed movies into a directory: one of each container form
// and a few tag families, all small so that mutations stay cheap.
#include <zlib.h>

#include <cstdio>
#include <string>

#include "support/swfbuilder.h"

using namespace swfb;

namespace {

Movie shapes() {
    Movie m;
    m.tags.push_back(setbackground(255, 255, 255));
    m.tags.push_back(rectshape(1, 400, 300, 200, 0, 0, 2));
    m.tags.push_back(rectshape(2, 200, 900, 0, 200, 0, 22));
    m.tags.push_back(rectshape(3, 1000, 80, 0, 0, 200, 32));
    m.tags.push_back(rectshape(4, 333, 777, 90, 90, 90, 83));
    for (uint16_t i = 1; i <= 4; ++i) m.tags.push_back(place2(i, i, 100 * i, 50 * i, i == 3 ? 0x18000 : 0));
    m.tags.push_back(showframe());
    return m;
}

Movie sprites() {
    Movie m;
    m.frames = 2;
    m.tags.push_back(rectshape(1, 500, 500, 10, 20, 30));
    m.tags.push_back(sprite(2, 2, {place2(1, 1, 0, 0), showframe(), place2(1, 2, 60, 60), showframe()}));
    // A sprite inside a sprite, which players ignore and the engine keeps whole.
    Bytes inner = sprite(3, 1, {place2(1, 1, 0, 0), showframe()});
    m.tags.push_back(sprite(4, 1, {inner, place2(2, 1, 10, 10), showframe()}));
    m.tags.push_back(place2(2, 1, 1000, 1000));
    m.tags.push_back(place2(4, 2, 2000, 1000));
    m.tags.push_back(showframe());
    m.tags.push_back(tag(28, {1, 0}));
    m.tags.push_back(showframe());
    return m;
}

Bytes lossless(uint16_t id, uint16_t w, uint16_t h) {
    Bytes pixels;
    for (int i = 0; i < w * h; ++i) {
        pixels.push_back(255);
        pixels.push_back(uint8_t(i * 37));
        pixels.push_back(uint8_t(i * 11));
        pixels.push_back(uint8_t(255 - i));
    }
    uLongf n = compressBound(pixels.size());
    Bytes packed(n);
    compress2(packed.data(), &n, pixels.data(), pixels.size(), 9);
    packed.resize(n);
    Writer b;
    b.u16(id).u8(5).u16(w).u16(h).raw(packed);
    return tag(36, b.take());
}

Movie media() {
    Movie m;
    m.frames = 3;
    m.tags.push_back(lossless(1, 3, 2));
    // ADPCM event sound, 5.5 kHz mono 16-bit; the payload is arbitrary.
    Writer snd;
    snd.u16(2).u8(1 << 4 | 0 << 2 | 1 << 1 | 0).u32(64);
    for (int i = 0; i < 40; ++i) snd.u8(uint32_t(i * 29 + 3));
    m.tags.push_back(tag(14, snd.take()));
    m.tags.push_back(tag(15, {2, 0, 0}));  // StartSound, no info
    // ADPCM stream head and two blocks.
    m.tags.push_back(tag(18, {0x02, 1 << 4 | 1 << 1, 32, 0}));
    m.tags.push_back(tag(19, Bytes(24, 0x5A)));
    m.tags.push_back(showframe());
    m.tags.push_back(tag(19, Bytes(24, 0xA5)));
    // Video stream of two frames, Sorenson codec.
    Writer vs;
    vs.u16(3).u16(2).u16(16).u16(16).u8(0).u8(2);
    m.tags.push_back(tag(60, vs.take()));
    m.tags.push_back(tag(61, {3, 0, 0, 0, 0, 0, 0x84, 0, 0x20}));
    m.tags.push_back(showframe());
    m.tags.push_back(tag(61, {3, 0, 1, 0, 0, 0, 0x86, 0, 0x20}));
    m.tags.push_back(doaction({0x07, 0x06}));  // Stop, Play
    m.tags.push_back(tag(43, {'a', 0}));        // FrameLabel
    m.tags.push_back(showframe());
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIR\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    Movie zws = shapes();
    zws.version = 13;
    const Bytes stub = {'M', 'Z', 0x90, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0xFF, 0xFF, 0, 0};
    const struct {
        const char* name;
        Bytes bytes;
    } seeds[] = {
        {"plain.swf", build(shapes(), 'F')},
        {"zlib.swf", build(shapes(), 'C')},
        {"lzma.swf", build(zws, 'Z')},
        {"projector.exe", projector(stub, build(sprites(), 'C'))},
        {"sprites.swf", build(sprites(), 'F')},
        {"media.swf", build(media(), 'F')},
        {"empty.swf", build(Movie{}, 'F')},
    };
    for (const auto& s : seeds) {
        if (!writefile(dir + s.name, s.bytes)) {
            std::fprintf(stderr, "make_seeds: cannot write %s%s\n", dir.c_str(), s.name);
            return 1;
        }
    }
    return 0;
}
