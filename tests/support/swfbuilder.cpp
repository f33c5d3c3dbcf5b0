#include "support/swfbuilder.h"

#include "support/enginerun.h"
#include "support/shapebuilder.h"

#include <lzma.h>
#include <zlib.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace swfb {

Writer& Writer::ub(int n, uint32_t v) {
    for (int i = n - 1; i >= 0; --i) {
        if (bit_ == 0) buf_.push_back(0);
        if ((v >> i) & 1u) buf_.back() |= uint8_t(0x80u >> bit_);
        bit_ = (bit_ + 1) & 7;
    }
    return *this;
}
Writer& Writer::sb(int n, int32_t v) { return ub(n, uint32_t(v)); }
Writer& Writer::align() {
    bit_ = 0;
    return *this;
}
Writer& Writer::u8(uint32_t v) {
    align();
    buf_.push_back(uint8_t(v));
    return *this;
}
Writer& Writer::u16(uint32_t v) { return u8(v).u8(v >> 8); }
Writer& Writer::u32(uint32_t v) { return u16(v).u16(v >> 16); }
Writer& Writer::raw(const Bytes& b) {
    align();
    buf_.insert(buf_.end(), b.begin(), b.end());
    return *this;
}
Writer& Writer::str(const std::string& s) {
    align();
    buf_.insert(buf_.end(), s.begin(), s.end());
    buf_.push_back(0);
    return *this;
}

uint32_t Reader::ub(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
        if (pos_ >= buf_.size()) throw std::out_of_range("bits past the end");
        v = v << 1 | ((buf_[pos_] >> (7 - bit_)) & 1u);
        if (++bit_ == 8) bit_ = 0, ++pos_;
    }
    return v;
}
int32_t Reader::sb(int n) {
    const uint32_t v = ub(n);
    return n == 0 ? 0 : int32_t(int64_t(v) - ((v >> (n - 1)) & 1 ? int64_t(1) << n : 0));
}
Reader& Reader::align() {
    if (bit_) bit_ = 0, ++pos_;
    return *this;
}
uint32_t Reader::u8() { return align().ub(8); }
uint32_t Reader::u16() { return u8() | u8() << 8; }
uint32_t Reader::u32() { return u16() | u16() << 16; }
void Reader::skip(size_t n) {
    align();
    if (n > left()) throw std::out_of_range("skip past the end");
    pos_ += n;
}
std::string Reader::str() {
    std::string s;
    for (uint32_t c = u8(); c; c = u8()) s += char(c);
    return s;
}
Reader::Rect Reader::rect() {
    align();
    const int n = int(ub(5));
    Rect r{sb(n), sb(n), sb(n), sb(n)};
    align();
    return r;
}
Reader::Matrix Reader::matrix() {
    align();
    Matrix m{false, false, 65536, 65536, 0, 0, 0, 0};
    auto pair = [this](int32_t& a, int32_t& b) {
        const int n = int(ub(5));
        a = sb(n);
        b = sb(n);
    };
    if ((m.hasscale = ub(1))) pair(m.sx, m.sy);
    if ((m.hasrotate = ub(1))) pair(m.r0, m.r1);
    pair(m.tx, m.ty);
    align();
    return m;
}

int ubits(uint32_t value) { return value ? 32 - __builtin_clz(value) : 0; }

int sbits(std::initializer_list<int32_t> values) {
    int best = 0;
    for (int32_t v : values) best = std::max(best, v == 0 ? 0 : ubits(uint32_t(v > 0 ? v : ~v)) + 1);
    return best;
}

Writer& Writer::rect(int32_t xmin, int32_t xmax, int32_t ymin, int32_t ymax) {
    align();
    const int n = std::max(1, sbits({xmin, xmax, ymin, ymax}));
    ub(5, uint32_t(n)).sb(n, xmin).sb(n, xmax).sb(n, ymin).sb(n, ymax);
    return align();
}

Writer& Writer::matrix(int32_t tx, int32_t ty, int32_t sx, int32_t sy, int32_t r0, int32_t r1, bool hasscale,
                       bool hasrotate) {
    auto pair = [this](int32_t a, int32_t b) {
        const int n = sbits({a, b});
        ub(5, uint32_t(n)).sb(n, a).sb(n, b);
    };
    align();
    hasscale = hasscale || sx || sy;
    hasrotate = hasrotate || r0 || r1;
    ub(1, hasscale);
    if (hasscale) pair(sx, sy);
    ub(1, hasrotate);
    if (hasrotate) pair(r0, r1);
    pair(tx, ty);
    return align();
}

Bytes Writer::take() {
    align();
    return std::exchange(buf_, {});
}

Bytes tag(int code, const Bytes& body, bool longheader) {
    Writer w;
    if (body.size() < 63 && !longheader) {
        w.u16(uint32_t(code) << 6 | uint32_t(body.size()));
    } else {
        w.u16(uint32_t(code) << 6 | 63).u32(uint32_t(body.size()));
    }
    w.raw(body);
    return w.take();
}

Bytes sprite(uint16_t id, uint16_t frames, const std::vector<Bytes>& inner) {
    Writer w;
    w.u16(id).u16(frames);
    for (const auto& t : inner) w.raw(t);
    if (inner.empty() || inner.back() != end()) w.raw(end());
    return tag(39, w.take(), true);
}

Bytes build(const Movie& m, char signature) {
    Writer body;
    body.rect(0, m.width, 0, m.height).u16(m.framerate).u16(m.frames);
    for (const auto& t : m.tags) body.raw(t);
    if (m.tags.empty() || m.tags.back() != end()) body.raw(end());
    const Bytes rest = body.take();
    Writer head;
    head.u8(signature == 'C' || signature == 'Z' ? signature : 'F').u8('W').u8('S').u8(m.version);
    head.u32(uint32_t(rest.size() + 8));
    if (signature == 'C') return head.raw(zlibpacked(rest, 9)).take();
    if (signature == 'Z') return head.raw(lzmapacked(rest, 6, true)).take();
    return head.raw(rest).take();
}

Bytes projector(const Bytes& stub, const Bytes& movie) {
    return Writer().raw(stub).raw(movie).u32(kprojectortrailer).u32(uint32_t(movie.size())).take();
}

Bytes zlibpacked(const Bytes& body, int level) {
    uLongf n = compressBound(body.size());
    Bytes out(n);
    compress2(out.data(), &n, body.data(), body.size(), level);
    out.resize(n);
    return out;
}

Bytes lzmapacked(const Bytes& body, int preset, bool endmark) {
    lzma_options_lzma opt{};
    lzma_lzma_preset(&opt, uint32_t(preset));
    lzma_filter f[2] = {{LZMA_FILTER_LZMA1, &opt}, {LZMA_VLI_UNKNOWN, nullptr}};
    uint8_t props[5];
    lzma_properties_encode(&f[0], props);
    lzma_stream s = LZMA_STREAM_INIT;
    if (lzma_raw_encoder(&s, f) != LZMA_OK) throw std::runtime_error("lzma");
    Bytes packed(body.size() + body.size() / 2 + 1024);
    s.next_in = body.data();
    s.avail_in = body.size();
    s.next_out = packed.data();
    s.avail_out = packed.size();
    while (lzma_code(&s, LZMA_FINISH) == LZMA_OK) {}
    packed.resize(packed.size() - s.avail_out);
    lzma_end(&s);
    // The encoder always writes the 5-byte end mark.
    if (!endmark && packed.size() > 6) packed.resize(packed.size() - 5);
    return Writer().u32(uint32_t(packed.size())).raw(Bytes(props, props + 5)).raw(packed).take();
}

Bytes setbackground(uint8_t r, uint8_t g, uint8_t b) { return tag(9, {r, g, b}); }
Bytes showframe() { return tag(1, {}); }
Bytes end() { return tag(0, {}); }

Bytes rectshape(uint16_t id, int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b, int code) {
    ShapeWriter s(code);
    s.fillcount(1).solid(r, g, b).linecount(1).line(20, 0, 0, 0).bits(1, 1);
    s.change({.move = true, .fill0 = 1, .line = 1});
    s.straight(w, 0).straight(0, h).straight(-w, 0).straight(0, -h).endshape();
    Writer t;
    t.u16(id).rect(-10, w + 10, -10, h + 10);
    if (code == 83) t.rect(0, w, 0, h).u8(0);  // edge bounds, no stroke flags
    return tag(code, t.raw(s.take()).take());
}

Bytes place2(uint16_t id, uint16_t depth, int32_t tx, int32_t ty, int32_t scale) {
    Writer w;
    w.u8(0x02 | 0x04).u16(depth).u16(id).matrix(tx, ty, scale, scale);
    return tag(26, w.take());
}

Bytes doaction(const Bytes& actions) { return tag(12, Writer().raw(actions).u8(0).take()); }

Bytes boxes(int n, char signature) {
    Movie m;
    m.tags.push_back(setbackground(0x10, 0x20, 0x30));
    for (int i = 1; i <= n; ++i) {
        m.tags.push_back(rectshape(uint16_t(i), 200 + 20 * (i % 50), 300 + 40 * (i % 30), uint8_t(i * 7),
                                   uint8_t(i * 13), uint8_t(i * 29)));
        m.tags.push_back(place2(uint16_t(i), uint16_t(i), 20 * (i % 400), 20 * (i % 300)));
    }
    m.tags.push_back(showframe());
    return build(m, signature);
}

Bytes noisy() {
    Bytes noise(3000);
    uint32_t x = 12345;
    for (auto& b : noise) b = uint8_t((x = x * 1103515245u + 12345u) >> 24);
    Movie m;
    m.tags = {doaction(noise), showframe()};
    return build(m);
}

bool writefile(const std::string& path, const Bytes& b) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    return bool(f);
}

bool writescript(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    return writefile(path, Bytes(text.begin(), text.end())) && chmod(path.c_str(), 0755) == 0;
}

Bytes readfile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

Bytes inflatemovie(const Bytes& movie) { return movie.size() >= 8 && movie[0] == 'C' ? unpackmovie(movie) : movie; }

std::vector<ParsedTag> listtags(const Bytes& fws) {
    std::vector<ParsedTag> out;
    if (fws.size() < 9) return out;
    size_t pos = 8 + (5 + 4 * (fws[8] >> 3) + 7) / 8 + 4, spriteend = 0;
    while (pos + 2 <= fws.size()) {
        if (pos >= spriteend) spriteend = 0;
        const int code = (fws[pos] | fws[pos + 1] << 8) >> 6;
        size_t len = fws[pos] & 63, head = 2;
        if (len == 63 && pos + 6 > fws.size()) break;
        if (len == 63) len = le32(fws, pos + 2), head = 6;
        if (pos + head + len > fws.size()) break;
        const bool opens = code == 39 && !spriteend && len >= 4;  // a sprite's own 4 bytes, then its tags
        const auto from = fws.begin() + long(pos + head);
        out.push_back({code, Bytes(from, from + long(opens ? 4 : len)), spriteend ? 1 : 0});
        if (opens) spriteend = pos + head + len;
        pos += head + (opens ? 4 : len);
    }
    return out;
}

}  // namespace swfb
