// Writes the fuzzer's seed movies into a directory: one of each container form
// and a few tag families, all small so that mutations stay cheap.
#include <zlib.h>

#include <cstdio>
#include <string>

#include "support/bitmapbuilder.h"
#include "support/fontbuilder.h"
#include "support/soundbuilder.h"
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

// Every bitmap form the engine decodes, each shown through a shape.
Movie bitmaps() {
    Movie m;
    Bytes jpeg = jpegimage(16, 8, 60), tables, image;
    splitjpeg(jpeg, tables, image);
    m.tags.push_back(jpegtables(tables));
    m.tags.push_back(definebits(1, image));
    m.tags.push_back(definebitsjpeg2(2, jpegimage(8, 8, 40, 1)));
    m.tags.push_back(definebitsjpeg3(3, jpegimage(8, 4, 50), Bytes(32, 0x80)));
    Bytes palette;  // format 3: a four-colour table, then rows padded to four bytes
    for (int i = 0; i < 4; ++i) palette.insert(palette.end(), {uint8_t(i * 60), uint8_t(255 - i * 60), 90});
    for (int i = 0; i < 4 * 4; ++i) palette.push_back(uint8_t(i % 4));
    m.tags.push_back(definebitslossless(4, 3, 4, 4, palette, 4));
    Bytes argb;
    for (int i = 0; i < 5 * 3; ++i) argb.insert(argb.end(), {uint8_t(i * 17), uint8_t(i * 5), 40, 200});
    m.tags.push_back(definebitslossless2(5, 5, 5, 3, argb));
    for (uint16_t i = 1; i <= 5; ++i) {
        m.tags.push_back(bitmapshape(uint16_t(10 + i), i, 400, 300, 20 << 16, 20 << 16));
        m.tags.push_back(place2(uint16_t(10 + i), i, 500 * i, 200));
    }
    m.tags.push_back(showframe());
    return m;
}

Movie text() {
    Movie m;
    FontSpec f;
    f.code = 75;
    f.glyphs = {glyphsquare(0, 0, 400), glyphsquare(100, 100, 600)};
    f.layout = true;
    f.ascent = 800;
    f.descent = 200;
    f.advances = {500, 700};
    f.kerning = {{'A', 'B', -20}};
    m.tags.push_back(definefont(f));
    TextRec r;
    r.fontid = 1;
    r.height = 240;
    r.color = true;
    r.hasx = r.hasy = true;
    r.x = 40;
    r.y = 300;
    r.glyphs = {{0, 500}, {1, 700}, {0, 500}};
    m.tags.push_back(definetext(11, 2, {r}));
    EditText e;
    e.id = 3;
    e.fontid = 1;
    e.text = "AB";
    e.hascolor = true;
    e.rgba = 0x204080FF;
    m.tags.push_back(defineedittext(e));
    m.tags.push_back(place2(2, 1, 100, 100));
    m.tags.push_back(place2(3, 2, 100, 900));
    m.tags.push_back(showframe());
    return m;
}

// Sounds in the forms that are decoded or re-encoded: PCM, ADPCM, MP3 frames.
Movie sounds() {
    Movie m;
    m.frames = 2;
    const Samples s = tone(800, 11025, 440, 1, 8000);
    Bytes pcm;
    for (int16_t v : s) pcm.insert(pcm.end(), {uint8_t(v), uint8_t(uint16_t(v) >> 8)});
    m.tags.push_back(definesound(1, 3, 1, 1, 0, uint32_t(s.size()), pcm));
    m.tags.push_back(definesound(2, 1, 1, 1, 0, uint32_t(s.size()), adpcmencode(s, 1, 4)));
    Bytes mp3 = {0, 0};  // SeekSamples
    for (int i = 0; i < 3; ++i) {
        Bytes f = mp3frame(2, 2, 0, false, true);
        mp3.insert(mp3.end(), f.begin(), f.end());
    }
    m.tags.push_back(definesound(3, 2, 2, 1, 0, 3 * 576, mp3));
    for (uint16_t i = 1; i <= 3; ++i) m.tags.push_back(tag(15, {uint8_t(i), 0, 0}));
    m.tags.push_back(streamhead(45, 2, 2, 0, 576));
    m.tags.push_back(streamblock(mp3block(576, mp3frame(2, 2, 0, false, true))));
    m.tags.push_back(showframe());
    m.tags.push_back(streamblock(mp3block(576, mp3frame(2, 2, 0, false, true))));
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
        {"bitmaps.swf", build(bitmaps(), 'F')},
        {"text.swf", build(text(), 'F')},
        {"sounds.swf", build(sounds(), 'F')},
    };
    for (const auto& s : seeds) {
        if (!writefile(dir + s.name, s.bytes)) {
            std::fprintf(stderr, "make_seeds: cannot write %s%s\n", dir.c_str(), s.name);
            return 1;
        }
    }
    return 0;
}
