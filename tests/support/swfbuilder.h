// Builds small SWF movies in code for the tests, the fuzzer seeds and the demo.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace swfb {

using Bytes = std::vector<uint8_t>;

// MSB-first bit fields and little-endian integers, as SWF stores them.
class Writer {
public:
    Writer& ub(int n, uint32_t v);
    Writer& sb(int n, int32_t v);
    Writer& align();
    Writer& u8(uint32_t v);
    Writer& u16(uint32_t v);
    Writer& u32(uint32_t v);
    Writer& raw(const Bytes& b);
    Writer& str(const std::string& s);  // with the terminating zero
    Writer& rect(int32_t xmin, int32_t xmax, int32_t ymin, int32_t ymax);
    // Scale and skew in 16.16 (0 = absent), translation in twips.
    Writer& matrix(int32_t tx = 0, int32_t ty = 0, int32_t sx = 0, int32_t sy = 0, int32_t r0 = 0, int32_t r1 = 0,
                   bool hasscale = false, bool hasrotate = false);
    Bytes take();

private:
    Bytes buf_;
    int bit_ = 0;  // bits used in the last byte
};

// Reads what Writer writes, independently of the engine; a read past the end throws std::out_of_range.
class Reader {
public:
    explicit Reader(const Bytes& b, size_t at = 0) : buf_(b), pos_(at) {}
    uint32_t ub(int n);
    int32_t sb(int n);
    Reader& align();
    uint32_t u8();
    uint32_t u16();
    uint32_t u32();
    void skip(size_t n);
    std::string str();
    struct Rect {
        int32_t xmin, xmax, ymin, ymax;
    };
    Rect rect();
    // 16.16 scale and skew (65536 and 0 when absent), translation in twips.
    struct Matrix {
        bool hasscale, hasrotate;
        int32_t sx, sy, r0, r1, tx, ty;
    };
    Matrix matrix();
    size_t pos() const { return pos_; }
    size_t left() const { return pos_ < buf_.size() ? buf_.size() - pos_ : 0; }

private:
    const Bytes& buf_;
    size_t pos_;
    int bit_ = 0;
};

// Smallest signed bit count that holds every value.
int sbits(std::initializer_list<int32_t> values);
int ubits(uint32_t value);

Bytes tag(int code, const Bytes& body, bool longheader = false);
// A complete DefineSprite tag around already formed tags (End added when missing).
Bytes sprite(uint16_t id, uint16_t frames, const std::vector<Bytes>& inner);

struct Movie {
    uint8_t version = 10;
    int32_t width = 550 * 20, height = 400 * 20;  // twips
    uint16_t framerate = 24 << 8;
    uint16_t frames = 1;
    std::vector<Bytes> tags;
};
// signature 'F', 'C' (zlib) or 'Z' (LZMA); End added when missing.
Bytes build(const Movie& m, char signature = 'F');
// A projector: stub, movie, trailer. The trailer a projector ends with: this word, then the movie's length.
constexpr uint32_t kprojectortrailer = 0xFA123456u;
Bytes projector(const Bytes& stub, const Bytes& movie);
// A movie body deflated at a zlib level.
Bytes zlibpacked(const Bytes& body, int level);
// What follows a 'ZWS' header: packed length, LZMA properties, raw LZMA data
// (without its end mark when endmark is false, as Flash often writes it).
Bytes lzmapacked(const Bytes& body, int preset, bool endmark);

Bytes setbackground(uint8_t r, uint8_t g, uint8_t b);
Bytes showframe();
Bytes end();
// DefineShape (code 2) of one solid-filled rectangle with a one-twip-wide outline.
Bytes rectshape(uint16_t id, int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b, int code = 2);
// PlaceObject2 placing id at depth with a translation (and optional scale in 16.16).
Bytes place2(uint16_t id, uint16_t depth, int32_t tx, int32_t ty, int32_t scale = 0);
Bytes doaction(const Bytes& actions);
// n solid rectangles, each placed once.
Bytes boxes(int n, char signature = 'F');
// A movie whose rewrite cannot be smaller: 3000 random bytes in a DoAction.
Bytes noisy();

inline uint32_t le32(const Bytes& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

bool writefile(const std::string& path, const Bytes& b);
// An executable file holding text (a shell script standing in for a tool), its folder made if missing.
bool writescript(const std::string& path, const std::string& text);
Bytes readfile(const std::string& path);
// Decompresses a 'CWS' movie to 'FWS' (identity for 'FWS').
Bytes inflatemovie(const Bytes& movie);

// The tags of an uncompressed movie, sprites flattened like the engine lists them.
struct ParsedTag {
    int code;
    Bytes body;
    int depth;  // 0 on the root timeline, 1 inside a sprite
};
std::vector<ParsedTag> listtags(const Bytes& fws);

}  // namespace swfb
