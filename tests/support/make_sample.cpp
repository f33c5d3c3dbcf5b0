// Writes the demo movie: a few shapes on a sprite timeline and a picture.
#include <cstdio>

#include "support/bitmapbuilder.h"
#include "support/swfbuilder.h"

using namespace swfb;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample OUT.swf\n");
        return 2;
    }
    Movie m;
    m.version = 10;
    m.frames = 24;
    m.tags.push_back(setbackground(0xF0, 0xF0, 0xE8));
    const uint8_t palette[][3] = {{200, 40, 40}, {40, 160, 60}, {40, 80, 200}, {230, 180, 20}, {120, 40, 160}};
    for (uint16_t i = 0; i < 5; ++i)
        m.tags.push_back(rectshape(uint16_t(1 + i), 1200 + 400 * i, 800 + 300 * i, palette[i][0], palette[i][1],
                                   palette[i][2], i % 2 ? 32 : 2));
    // A lossless picture shown at half its pixel size: it can be stored smaller.
    const int pw = 160, ph = 120;
    Bytes xrgb;
    const Bytes rgb = testcanvas(pw, ph);
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) xrgb.insert(xrgb.end(), {0xFF, rgb[i], rgb[i + 1], rgb[i + 2]});
    m.tags.push_back(definebitslossless(30, 5, pw, ph, xrgb));
    m.tags.push_back(bitmapshape(31, 30, pw * 10, ph * 10, 10 << 16, 10 << 16));
    std::vector<Bytes> spin;
    for (int f = 0; f < 6; ++f) {
        spin.push_back(place2(uint16_t(1 + f % 5), 1, 200 * f, 100 * f));
        spin.push_back(showframe());
        spin.push_back(tag(28, {1, 0}));  // RemoveObject2 depth 1
    }
    m.tags.push_back(sprite(10, 6, spin));
    for (int f = 0; f < 24; ++f) {
        for (uint16_t d = 0; d < 5; ++d) {
            Bytes p = place2(uint16_t(1 + d), uint16_t(d + 1), 600 + 1500 * d + 40 * f, 1000 + 900 * d);
            if (f > 0) p[2] |= 0x01;  // move
            m.tags.push_back(p);
        }
        if (f == 0) {
            m.tags.push_back(place2(10, 20, 4000, 5000));
            m.tags.push_back(place2(31, 30, 7000, 300));
        }
        m.tags.push_back(showframe());
    }
    Bytes movie = build(m, 'F');
    if (!writefile(argv[1], movie)) {
        std::fprintf(stderr, "make-sample: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("wrote %s (%zu bytes)\n", argv[1], movie.size());
    return 0;
}
