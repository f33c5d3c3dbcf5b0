// Every corpus movie through the engine with "Best", and with Best at sound level 4 and a small player: the output
// reads back with the same tags in the same order, untouched tags byte for byte, sprites as they were, and every
// classed tag decoded here as its input scaled by one ratio per character (bounds, placements, advances, sizes).
#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <tuple>
#include <typeinfo>

#include "core/pascal_com.h"
#include "core/swftag.h"
#include "core/tagfactory.h"
#include "settings/schema.h"
#include "support/enginerun.h"
#include "support/swfbuilder.h"

namespace fs = std::filesystem;
using swfb::Bytes;

namespace {

std::vector<std::string> corpusfiles() {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(SHRINKWELL_CORPUS, ec)) {
        std::string ext = e.path().extension().string();
        for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (e.is_regular_file(ec) && (ext == ".swf" || ext == ".exe")) files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) files.emplace_back();  // stands for the absent folder, so that the suite reports a skip
    return files;
}

// True when no tag class claims the code, so the engine must pass the body through.
bool plaincode(int code) {
    static std::map<int, bool> known;
    if (auto it = known.find(code); it != known.end()) return it->second;
    unsigned char* data = nullptr;
    pascal_com::setlength(data, 1, 2);
    data[0] = uint8_t(code << 6);
    data[1] = uint8_t(code >> 2);
    const std::unique_ptr<Tswftag> tag(createtag(data, 0, uint16_t(code)));
    pascal_com::setlength(data, 1, 0);
    return known[code] = typeid(*tag) == typeid(Tswftag);
}

using swfb::le32;
// Signature through FrameCount.
size_t headerlength(const Bytes& fws) {
    if (fws.size() < 9) return fws.size();
    return std::min(fws.size(), size_t(8 + (5 + 4 * (fws[8] >> 3) + 7) / 8 + 4));
}

std::string where(size_t index, const swfb::ParsedTag& t) {
    return "tag #" + std::to_string(index) + " (code " + std::to_string(t.code) + (t.depth ? ", in a sprite)" : ")");
}

using Ratios = std::bitset<256>;  // the ratios k (1..255) that fit so far
using Pairs = std::vector<std::pair<int64_t, int64_t>>;
// The k with |out - in / k| <= 1 (divided) or else |out - in * k| <= 1, for every pair (in, out).
Ratios fitting(const Pairs& pairs, bool divided) {
    Ratios r;
    for (int k = 1; k < 256; ++k) {
        r[size_t(k)] = std::all_of(pairs.begin(), pairs.end(), [&](const auto& p) {
            return divided ? std::llabs(p.second * k - p.first) <= k : std::llabs(p.second - p.first * k) <= 1;
        });
    }
    return r;
}

// Width and height of a JPEG stream (an erroneous FFD9FFD8 first is allowed),
// or of a lossless bitmap; 0 x 0 when not found.
std::pair<int, int> bitmapsize(int code, const Bytes& body) {
    if (body.size() < 7) return {0, 0};
    if (code == 20 || code == 36) return {body[3] | body[4] << 8, body[5] | body[6] << 8};
    size_t p = code == 35 ? 6 : 2;
    while (p + 4 < body.size()) {
        if (body[p] != 0xFF) return {0, 0};
        const uint8_t m = body[p + 1];
        if (m == 0xFF) { ++p; continue; }
        if (m == 0xD8 || m == 0xD9) { p += 2; continue; }
        const bool sof = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (sof && p + 9 <= body.size()) return {body[p + 7] << 8 | body[p + 8], body[p + 5] << 8 | body[p + 6]};
        p += 2 + size_t(body[p + 2] << 8 | body[p + 3]);
    }
    return {0, 0};
}

double soundrate(const Bytes& body) {
    const int format = body[2] >> 4, rate = (body[2] >> 2) & 3;
    if (format == 2 && body.size() > 12 && body[9] == 0xFF && (body[10] & 0xE0) == 0xE0) {
        static const int rates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
        const int v = (body[10] >> 3) & 3, i = (body[11] >> 2) & 3;
        if (i < 3 && rates[v][i]) return rates[v][i];
    }
    return 5512.5 * (1 << rate);
}

// Checks one classed tag against its input, learning the ratio of each shape and font on the way.
struct Scaled {
    std::string check(int code, int outcode, const Bytes& in, const Bytes& out) {
        try {
            return compare(code, outcode, in, out);
        } catch (const std::out_of_range&) {
            // Cannot be read here; the engine must then have kept it as read.
            return in == out ? "" : "changed though it cannot be read";
        }
    }
    std::string compare(int code, int outcode, const Bytes& in, const Bytes& out) {
        std::ostringstream why;
        switch (code) {
        case 2: case 22: case 32: case 83: {
            swfb::Reader a(in), b(out);
            const uint32_t id = a.u16();
            if (b.u16() != id) return "character id changed";
            const auto x = a.rect(), y = b.rect();
            Ratios k = fitting({{x.xmin, y.xmin}, {x.xmax, y.xmax}, {x.ymin, y.ymin}, {x.ymax, y.ymax}}, true);
            if (k.none()) why << "bounds " << y.xmin << "," << y.xmax << "," << y.ymin << "," << y.ymax << " are no ratio of "
                              << x.xmin << "," << x.xmax << "," << x.ymin << "," << x.ymax;
            shapes[id] = k;
            break;
        }
        case 4: case 26: case 70: {
            // PlaceObject: id, depth, matrix; PlaceObject2 and 3: flags, depth, class name, id, matrix, as flagged.
            swfb::Reader a(in), b(out);
            uint32_t fa = 6, fb = 4, fa2 = 0, id = 0;
            if (code == 4) {
                id = a.u16();
                if (b.u16() != id) return "character id changed";
            } else {
                fa = a.u8();
                fb = b.u8();
                fa2 = code == 70 ? a.u8() : 0;
                if ((fa | 4) != (fb | 4) || (code == 70 && b.u8() != fa2)) return "flags changed";
            }
            a.u16();
            b.u16();
            // A class name, where players look for one.
            if (((fa2 & 8) || ((fa2 & 16) && !(fa & 2))) && a.str() != b.str()) return "class name changed";
            if (code != 4 && (fa & 2)) {
                id = a.u16();
                if (b.u16() != id) return "character id changed";
            }
            // A replacement without a matrix is given the one at its depth, scaled.
            if (!(fb & 4) || (!(fa & 4) && (fa & 1))) return "";
            const swfb::Reader::Matrix none{false, false, 65536, 65536, 0, 0, 0, 0};
            const auto x = (fa & 4) ? a.matrix() : none;
            const auto y = b.matrix();
            if (x.tx != y.tx || x.ty != y.ty) return "translation changed";
            Ratios k = fitting({{x.sx, y.sx}, {x.sy, y.sy}, {x.r0, y.r0}, {x.r1, y.r1}}, false);
            if ((fa & 2) && shapes.count(id)) k &= shapes[id];
            if (k.none()) why << "matrix scale " << y.sx << "," << y.sy << " skew " << y.r0 << "," << y.r1
                              << " is no shape ratio of " << x.sx << "," << x.sy << " skew " << x.r0 << "," << x.r1;
            break;
        }
        case 48: case 75: {
            const auto x = advances(in), y = advances(out);
            if (x.size() != y.size()) return "glyph count changed";
            Pairs pairs;
            for (size_t i = 0; i < x.size(); ++i) pairs.emplace_back(x[i], y[i]);
            const Ratios k = fitting(pairs, true);
            if (!pairs.empty() && k.none()) why << "ascent, descent and advances are no ratio of the input";
            if (!pairs.empty()) fonts[in[0] | in[1] << 8] = k;
            break;
        }
        case 11: case 33: {
            // Bounds, matrix and glyphs stay; heights grow by the ratio of their font.
            swfb::Reader a(in), b(out);
            if (a.u16() != b.u16()) return "character id changed";
            const auto x = a.rect(), y = b.rect();
            if (std::tie(x.xmin, x.xmax, x.ymin, x.ymax) != std::tie(y.xmin, y.xmax, y.ymin, y.ymax)) return "bounds changed";
            const auto m = a.matrix(), n = b.matrix();
            if (std::tie(m.sx, m.sy, m.r0, m.r1, m.tx, m.ty) != std::tie(n.sx, n.sy, n.r0, n.r1, n.tx, n.ty))
                return "matrix changed";
            const int gbits = int(a.u8()), abits = int(a.u8());
            if (b.u8() != uint32_t(gbits) || b.u8() != uint32_t(abits)) return "glyph field widths changed";
            for (uint32_t flags = a.u8(); flags; flags = a.u8()) {
                if (b.u8() != flags) return "text record flags changed";
                uint32_t font = 0;
                if (flags & 8) {
                    font = a.u16();
                    if (b.u16() != font) return "font changed";
                }
                if (flags & 4) a.skip(code == 33 ? 4 : 3), b.skip(code == 33 ? 4 : 3);
                if (flags & 1 && a.u16() != b.u16()) return "x offset changed";
                if (flags & 2 && a.u16() != b.u16()) return "y offset changed";
                if (flags & 8) {
                    const int64_t h = a.u16(), h2 = b.u16();
                    Ratios k = fitting({{h, h2}}, false);
                    if (fonts.count(font)) k &= fonts[font];
                    if (k.none()) why << "height " << h2 << " for " << h << " is no ratio of font " << font << "; ";
                }
                const uint32_t count = a.u8();
                if (b.u8() != count) return "glyph count changed";
                for (uint32_t g = 0; g < count; ++g)
                    if (a.ub(gbits) != b.ub(gbits) || a.sb(abits) != b.sb(abits)) return "glyphs changed";
                a.align();
                b.align();
            }
            break;
        }
        case 14: {
            if (in.size() < 7 || out.size() < 7) return in == out ? "" : "sound header missing";
            const double ratio = soundrate(out) / soundrate(in);
            const uint32_t a = le32(in, 3), b = le32(out, 3);
            const double expect = a * ratio;
            if (std::fabs(b - expect) > 2400 + expect / 50)
                why << "sample count " << b << " for " << a << " at " << soundrate(in) << " Hz, now "
                    << soundrate(out) << " Hz";
            break;
        }
        case 6: case 20: case 21: case 35: case 36: {
            const auto [w, h] = bitmapsize(code, in);
            const auto [w2, h2] = bitmapsize(outcode, out);
            if (w > 0 && (w2 < 1 || h2 < 1 || w2 > w || h2 > h))
                why << "bitmap of " << w << "x" << h << " written as " << w2 << "x" << h2;
            break;
        }
        }
        return why.str();
    }

    // Ascent, descent and advances of a DefineFont2 or 3 with a layout.
    static std::vector<int64_t> advances(const Bytes& body) {
        swfb::Reader r(body);
        r.u16();
        const uint32_t flags = r.u8();
        r.u8();
        r.skip(r.u8());
        const uint32_t n = r.u16();
        if (!(flags & 0x80) || n == 0) return {};
        const size_t table = r.pos();
        const bool wide = flags & 8;
        for (uint32_t i = 0; i < n; ++i) wide ? r.u32() : r.u16();
        const uint32_t codes = wide ? r.u32() : r.u16();
        swfb::Reader l(body, table + codes);
        l.skip(n * ((flags & 4) ? 2 : 1));
        std::vector<int64_t> v = {int16_t(l.u16()), int16_t(l.u16())};
        l.u16();
        for (uint32_t i = 0; i < n; ++i) v.push_back(int16_t(l.u16()));
        return v;
    }

    std::map<uint32_t, Ratios> shapes, fonts;
};

// Best, and Best with sound level 4 (11 kHz, 16 kbit/s) and a player of 160 x 120.
Tparams preset(int which) {
    Tparams p = findpreset("Best")->params;
    if (which == 1)
        std::tie(p.Audio_q, p.Audio_s, p.Audio_b, p.ImgPmps_x, p.ImgPmps_y) = std::tuple(4, 11, 16, 160, 120);
    return p;
}

class Corpus : public ::testing::TestWithParam<std::tuple<std::string, int>> {};

TEST_P(Corpus, WritesBackEveryTag) {
    const std::string& path = std::get<0>(GetParam());
    if (path.empty()) GTEST_SKIP() << "no corpus folder at " << SHRINKWELL_CORPUS;

    swfb::Scratchdir dir("corpus");
    const std::string out = dir.file("out.swf");
    const Bytes input = swfb::readfile(path);
    const swfb::EngineRun r = swfb::runengine(path, out, preset(std::get<1>(GetParam())), "/usr/bin/", dir.path());
    ASSERT_EQ(swfb::readfile(path), input) << "the source file was modified";
    if (!r.loaded) {
        ASSERT_FALSE(r.error.empty()) << "the engine refused the file without saying why";
        GTEST_SKIP() << "broken input, refused by the engine: " << r.error;
    }
    ASSERT_EQ(r.fault(), "");
    if (!r.written && r.error.rfind("damaged: ", 0) == 0) GTEST_SKIP() << "damaged input, refused: " << r.error;

    const Bytes before = swfb::unpackmovie(input);
    const Bytes outfile = swfb::readfile(out);
    const Bytes after = swfb::unpackmovie(outfile);
    ASSERT_FALSE(before.empty()) << "the engine loaded a file this test cannot unpack";
    ASSERT_GE(after.size(), 8u) << "the output cannot be unpacked";
    EXPECT_EQ(outfile[0], input[0] == 'M' ? 'M' : 'C') << "output must be compressed, projectors stay projectors";
    EXPECT_EQ(le32(after, 4), after.size()) << "FileLength must count the uncompressed output";
    EXPECT_EQ(after[3], before[3]) << "version";
    const size_t hb = headerlength(before), ha = headerlength(after);
    EXPECT_EQ(Bytes(after.begin() + 8, after.begin() + long(ha)), Bytes(before.begin() + 8, before.begin() + long(hb)))
        << "frame size, rate and count";

    const auto a = swfb::listtags(before);
    const auto b = swfb::listtags(after);
    Scaled scaled;
    size_t i = 0, j = 0, dropped = 0;
    // An emptied SoundStreamBlock is left out of the output, and so are JPEGTables once no DefineBits needs them.
    const auto droppable = [&] { return i < a.size() && (a[i].code == 19 || a[i].code == 8); };
    // A bitmap may change kind: re-encoded as JPEG, an opaque alpha plane dropped, a DefineBits made self-contained.
    const auto bitmap = [](int c) { return c == 6 || c == 20 || c == 21 || c == 35 || c == 36; };
    while (i < a.size() && j < b.size()) {
        const bool reencoded = bitmap(a[i].code) && bitmap(b[j].code) && b[j].code != 6;
        if (a[i].code != b[j].code && !reencoded) {
            if (droppable()) {
                ++i, ++dropped;
                continue;
            }
            FAIL() << where(i, a[i]) << " came out as " << where(j, b[j]);
        }
        ASSERT_EQ(a[i].depth, b[j].depth) << where(i, a[i]) << " moved into or out of a sprite";
        if (plaincode(a[i].code)) {
            EXPECT_EQ(a[i].body, b[j].body) << where(i, a[i]) << " changed but has no tag class";
        } else {
            // Kept as read is a ratio of 1, which must fit too.
            const std::string why = scaled.check(a[i].code, b[j].code, a[i].body, b[j].body);
            EXPECT_EQ(why, "") << where(i, a[i]);
        }
        ++i;
        ++j;
    }
    while (droppable()) ++i, ++dropped;
    EXPECT_EQ(i, a.size()) << "the output lost tags from " << (i < a.size() ? where(i, a[i]) : "");
    EXPECT_EQ(j, b.size()) << "the output has tags the input did not";
    const auto has = [&](int code) { return std::any_of(b.begin(), b.end(), [&](auto& t) { return t.code == code; }); };
    EXPECT_TRUE(!has(6) || has(8)) << "a DefineBits is left without its JPEGTables";
    RecordProperty("dropped_stream_blocks", int(dropped));
}

std::string testname(const ::testing::TestParamInfo<std::tuple<std::string, int>>& info) {
    const auto& [path, which] = info.param;
    std::string name = (path.empty() ? "absent" : fs::path(path).filename().string()) + (which ? "_small" : "");
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Movies, Corpus, ::testing::Combine(::testing::ValuesIn(corpusfiles()), ::testing::Values(0, 1)),
                         testname);

}  // namespace
