// Writes mutated movies for the command-line mutation run (scripts/mutate-run.sh).
//
//   mutate SEEDDIR OUTDIR COUNT [RUNSEED]   writes m00000.swf ... and OUTDIR/MANIFEST.tsv
//   mutate SEEDDIR OUTDIR --one N [RUNSEED] writes movie N only, to reproduce it
//
// Movie N depends only on the seed files, N and RUNSEED, so any line of the
// manifest can be rebuilt alone. Unlike libFuzzer's byte-level mutations these
// know the container and the tag list: a movie is unpacked, its tag headers
// are parsed, the tags are edited (lengths, floods, nesting, splices), the body
// is packed again as FWS, CWS or ZWS with a right or wrong FileLength, and
// finally the file bytes themselves may be flipped or cut.
#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/enginerun.h"
#include "support/swfbuilder.h"

using swfb::Bytes;

namespace {

// Most movies stay under this so the run stays cheap on a shared machine.
constexpr size_t smallfile = 64 * 1024;
// Unpacked bodies above this are not mutated structurally (the seeds are tiny).
constexpr size_t maxbody = 8 * 1024 * 1024;

struct Rng {
    uint64_t s;
    uint64_t next() {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t below(size_t n) { return n ? size_t(next() % n) : 0; }
    bool chance(int percent) { return below(100) < size_t(percent); }
    // Small counts are common, large ones rare.
    size_t skewed(size_t max) {
        size_t bits = below(64 - __builtin_clzll(max | 1) + 1);
        return std::min(max, size_t(next() & ((1ull << bits) - 1)));
    }
};

const uint32_t interesting32[] = {0,          1,          2,          0x3E,       0x3F,       0x40,
                                  0x7F,       0x80,       0xFF,       0x100,      0x7FFF,     0x8000,
                                  0xFFFF,     0x10000,    0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
const uint8_t interesting8[] = {0, 1, 0x1F, 0x20, 0x3F, 0x40, 0x7F, 0x80, 0xC0, 0xFE, 0xFF};

uint32_t rd32(const Bytes& b, size_t p) {
    return uint32_t(b[p]) | uint32_t(b[p + 1]) << 8 | uint32_t(b[p + 2]) << 16 | uint32_t(b[p + 3]) << 24;
}
void put32(Bytes& b, size_t p, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[p + i] = uint8_t(v >> (8 * i));
}
Bytes le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

// A header with any length, long form when asked or when it does not fit the short one.
Bytes tagheader(int code, uint32_t length, bool longform) {
    if (!longform && length < 0x3F) {
        uint16_t h = uint16_t(code << 6 | length);
        return {uint8_t(h), uint8_t(h >> 8)};
    }
    uint16_t h = uint16_t(code << 6 | 0x3F);
    Bytes out = {uint8_t(h), uint8_t(h >> 8)};
    Bytes l = le32(length);
    out.insert(out.end(), l.begin(), l.end());
    return out;
}

// ---- container ----

struct Movie {
    bool swf = false;  // false: bytes the mutator does not understand, mutated raw
    char sig = 'F';
    uint8_t version = 10;
    Bytes body;  // everything after the 8-byte header, unpacked
    // A projector's stub; the movie follows it, then the trailer.
    bool projector = false;
    Bytes stub;
};

bool parsemovie(const Bytes& file, size_t off, size_t end, Movie& m) {
    if (end - off < 8) return false;
    const uint8_t* p = file.data() + off;
    if (!((p[0] == 'F' || p[0] == 'C' || p[0] == 'Z') && p[1] == 'W' && p[2] == 'S')) return false;
    m.sig = char(p[0]);
    m.version = p[3];
    m.body.clear();
    if (m.sig == 'F') {
        m.body.assign(p + 8, p + (end - off));
    } else {
        const uint32_t declared = uint32_t(p[4] | p[5] << 8 | p[6] << 16 | uint32_t(p[7]) << 24);
        const size_t expect = std::min<size_t>(declared > 8 ? declared - 8 : 0, maxbody);
        if (m.sig == 'C') m.body = swfb::inflateall(p + 8, end - off - 8, expect);
        else if (end - off >= 12) m.body = swfb::unlzma(p + 12, end - off - 12, expect);
        if (m.body.empty() || m.body.size() > maxbody) return false;
    }
    m.swf = true;
    return true;
}

Movie readmovie(const Bytes& file) {
    Movie m;
    if (parsemovie(file, 0, file.size(), m)) return m;
    // A projector: the trailer names the movie's length.
    if (file.size() >= 16 && rd32(file, file.size() - 8) == swfb::kprojectortrailer) {
        uint32_t len = rd32(file, file.size() - 4);
        if (len <= file.size() - 8) {
            size_t off = file.size() - 8 - len;
            if (parsemovie(file, off, file.size() - 8, m)) {
                m.projector = true;
                m.stub.assign(file.begin(), file.begin() + off);
                return m;
            }
        }
    }
    m.swf = false;
    m.body = file;
    return m;
}

// ---- tag list ----

struct TagRef {
    size_t head;     // offset of the header in the body
    size_t headlen;  // 2 or 6
    size_t len;      // body length as stored (clipped to the data)
    int code;
    int depth;
};

// Offset of the first tag: after RECT, frame rate and frame count.
size_t firsttag(const Bytes& body) {
    if (body.empty()) return 0;
    size_t nbits = body[0] >> 3;
    size_t rect = (5 + 4 * nbits + 7) / 8;
    return std::min(body.size(), rect + 4);
}

void listtags(const Bytes& b, size_t p, size_t end, int depth, std::vector<TagRef>& out) {
    while (p + 2 <= end && out.size() < 200000) {
        uint16_t h = uint16_t(b[p] | b[p + 1] << 8);
        int code = h >> 6;
        size_t len = h & 0x3F, headlen = 2;
        if (len == 0x3F) {
            if (p + 6 > end) return;
            len = rd32(b, p + 2);
            headlen = 6;
        }
        if (len > end - p - headlen) return;
        out.push_back({p, headlen, len, code, depth});
        // Sprites nest: their tags follow id and frame count.
        if (code == 39 && len >= 4 && depth < 64) listtags(b, p + headlen + 4, p + headlen + len, depth + 1, out);
        p += headlen + len;
        if (code == 0 && depth > 0) return;
    }
}

std::vector<TagRef> tagsof(const Bytes& body) {
    std::vector<TagRef> tags;
    listtags(body, firsttag(body), body.size(), 0, tags);
    return tags;
}

Bytes slice(const Bytes& b, size_t from, size_t n) { return Bytes(b.begin() + from, b.begin() + from + n); }

// ---- mutations ----

struct Mutator {
    Rng rng;
    const std::vector<Movie>& seeds;
    std::string log;

    void note(const std::string& s) { log += (log.empty() ? "" : " ") + s; }

    static std::string num(uint64_t v) { return std::to_string(v); }

    void bitflips(Bytes& b, const char* where) {
        if (b.empty()) return;
        size_t n = 1 + rng.skewed(16);
        for (size_t i = 0; i < n; ++i) {
            size_t p = rng.below(b.size());
            b[p] ^= uint8_t(1u << rng.below(8));
        }
        note(std::string(where) + "flip" + num(n));
    }

    void bytesets(Bytes& b, const char* where) {
        if (b.empty()) return;
        size_t n = 1 + rng.skewed(8);
        for (size_t i = 0; i < n; ++i) {
            size_t p = rng.below(b.size());
            if (rng.chance(50) && p + 4 <= b.size())
                put32(b, p, interesting32[rng.below(std::size(interesting32))]);
            else
                b[p] = rng.chance(70) ? interesting8[rng.below(std::size(interesting8))] : uint8_t(rng.next());
        }
        note(std::string(where) + "set" + num(n));
    }

    void truncate(Bytes& b, const char* where) {
        if (b.empty()) return;
        size_t at = rng.below(b.size());
        b.resize(at);
        note(std::string(where) + "cut@" + num(at));
    }

    // Sets one tag's length to 0, huge, off by one, or past the end; the
    // header may switch between short and long form.
    void lengthedit(Bytes& body, const std::vector<TagRef>& tags) {
        const TagRef& t = tags[rng.below(tags.size())];
        uint32_t len;
        switch (rng.below(7)) {
        case 0: len = 0; break;
        case 1: len = uint32_t(t.len + 1); break;
        case 2: len = uint32_t(t.len ? t.len - 1 : 0xFFFFFFFFu); break;
        case 3: len = 0xFFFFFFFFu - uint32_t(rng.below(16)); break;
        case 4: len = uint32_t(body.size() - t.head + rng.below(64)); break;
        case 5: len = 0x3F; break;
        default: len = interesting32[rng.below(std::size(interesting32))]; break;
        }
        bool longform = t.headlen == 6 ? !rng.chance(20) : rng.chance(20);
        Bytes h = tagheader(t.code, len, longform);
        body.erase(body.begin() + t.head, body.begin() + t.head + t.headlen);
        body.insert(body.begin() + t.head, h.begin(), h.end());
        note("len" + num(t.code) + "@" + num(t.head) + "=" + num(len));
    }

    // One tag repeated many times where it stood.
    void duplicate(Bytes& body, const std::vector<TagRef>& tags) {
        const TagRef& t = tags[rng.below(tags.size())];
        Bytes one = slice(body, t.head, t.headlen + t.len);
        size_t budget = std::max<size_t>(1, (smallfile * (rng.chance(10) ? 16 : 1)) / std::max<size_t>(1, one.size()));
        size_t n = 1 + rng.skewed(std::min<size_t>(budget, 50000));
        Bytes run;
        run.reserve(one.size() * n);
        for (size_t i = 0; i < n; ++i) run.insert(run.end(), one.begin(), one.end());
        body.insert(body.begin() + t.head, run.begin(), run.end());
        note("dup" + num(t.code) + "x" + num(n));
    }

    // A long run of tags without a body: ShowFrame, End, an unknown code, or
    // a definition tag that needs a body and has none.
    void flood(Bytes& body, const std::vector<TagRef>& tags) {
        static const int codes[] = {1, 0, 1, 9, 2, 26, 39, 14, 19, 61, 77, 255, 1023};
        int code = codes[rng.below(std::size(codes))];
        bool longform = rng.chance(15);
        // Packed movies may unpack far beyond 64 KB; plain ones stay small.
        size_t max = rng.chance(5) ? 2000000 : 30000;
        size_t n = 1 + rng.skewed(max);
        Bytes h = tagheader(code, 0, longform);
        Bytes run;
        run.reserve(h.size() * n);
        for (size_t i = 0; i < n; ++i) run.insert(run.end(), h.begin(), h.end());
        size_t at = tags.empty() ? body.size() : tags[rng.below(tags.size())].head;
        body.insert(body.begin() + at, run.begin(), run.end());
        note("flood" + num(code) + (longform ? "L" : "") + "x" + num(n) + "@" + num(at));
    }

    // Wraps a run of root tags in DefineSprite, possibly many levels deep.
    void nest(Bytes& body, const std::vector<TagRef>& tags) {
        std::vector<size_t> roots;
        for (size_t i = 0; i < tags.size(); ++i)
            if (tags[i].depth == 0 && tags[i].code != 0) roots.push_back(i);
        if (roots.empty()) return;
        size_t a = rng.below(roots.size()), b = a + rng.below(std::min<size_t>(roots.size() - a, 6));
        size_t from = tags[roots[a]].head, to = tags[roots[b]].head + tags[roots[b]].headlen + tags[roots[b]].len;
        Bytes inner = slice(body, from, to - from);
        size_t levels = 1 + (rng.chance(20) ? rng.skewed(6000) : rng.below(4));
        bool endtag = rng.chance(80), wrongframes = rng.chance(20);
        for (size_t i = 0; i < levels; ++i) {
            if (endtag) inner.insert(inner.end(), {0, 0});
            uint16_t id = uint16_t(rng.chance(10) ? rng.next() : 100 + i);
            uint16_t frames = uint16_t(wrongframes ? rng.next() : 1);
            Bytes s = tagheader(39, uint32_t(inner.size() + 4), true);
            s.insert(s.end(), {uint8_t(id), uint8_t(id >> 8), uint8_t(frames), uint8_t(frames >> 8)});
            s.insert(s.end(), inner.begin(), inner.end());
            inner.swap(s);
            if (inner.size() > 4 * smallfile) {
                levels = i + 1;
                break;
            }
        }
        body.erase(body.begin() + from, body.begin() + to);
        body.insert(body.begin() + from, inner.begin(), inner.end());
        note("nest" + num(b - a + 1) + "x" + num(levels) + (endtag ? "" : "noend"));
    }

    // A tag taken from any seed, put anywhere, inside sprites too.
    void splice(Bytes& body, const std::vector<TagRef>& tags) {
        const Movie& other = seeds[rng.below(seeds.size())];
        if (!other.swf) return;
        std::vector<TagRef> theirs = tagsof(other.body);
        if (theirs.empty()) return;
        const TagRef& t = theirs[rng.below(theirs.size())];
        Bytes one = slice(other.body, t.head, t.headlen + t.len);
        size_t at = tags.empty() ? body.size() : tags[rng.below(tags.size())].head;
        body.insert(body.begin() + at, one.begin(), one.end());
        note("splice" + num(t.code) + "@" + num(at));
    }

    void removeorswap(Bytes& body, const std::vector<TagRef>& tags) {
        const TagRef& t = tags[rng.below(tags.size())];
        Bytes one = slice(body, t.head, t.headlen + t.len);
        body.erase(body.begin() + t.head, body.begin() + t.head + one.size());
        if (rng.chance(50)) {
            note("drop" + num(t.code));
            return;
        }
        size_t at = rng.below(body.size() + 1);
        std::vector<TagRef> now = tagsof(body);
        if (!now.empty()) at = now[rng.below(now.size())].head;
        body.insert(body.begin() + std::min(at, body.size()), one.begin(), one.end());
        note("move" + num(t.code));
    }

    // Flips or sets bytes inside one tag's body, where the parsers of that kind look.
    void tagbody(Bytes& body, const std::vector<TagRef>& tags) {
        const TagRef& t = tags[rng.below(tags.size())];
        if (t.len == 0) return;
        Bytes inner = slice(body, t.head + t.headlen, t.len);
        if (rng.chance(50))
            bitflips(inner, "");
        else
            bytesets(inner, "");
        std::copy(inner.begin(), inner.end(), body.begin() + t.head + t.headlen);
        note("in" + num(t.code));
    }

    void header(Movie& m) {
        switch (rng.below(4)) {
        case 0: m.version = uint8_t(rng.chance(50) ? rng.below(20) : rng.next()); note("ver" + num(m.version)); break;
        case 1:
            if (!m.body.empty()) m.body[0] = uint8_t(rng.next());  // RECT bit count and first bits
            note("rect");
            break;
        default: {
            size_t at = firsttag(m.body);
            size_t back = 2 + 2 * rng.below(2);  // frame count or frame rate
            if (at >= back + 1 && at - back + 2 <= m.body.size()) {
                uint16_t v = uint16_t(rng.chance(50) ? interesting32[rng.below(std::size(interesting32))] : rng.next());
                size_t p = at - back;
                m.body[p] = uint8_t(v);
                m.body[p + 1] = uint8_t(v >> 8);
                note("count" + num(v));
            }
        }
        }
    }

    void structural(Movie& m) {
        size_t n = 1 + rng.skewed(4);
        for (size_t i = 0; i < n; ++i) {
            if (m.body.size() > maxbody) return;
            std::vector<TagRef> tags = tagsof(m.body);
            size_t op = rng.below(tags.empty() ? 4 : 12);
            if (tags.empty() && op >= 2) op += 8;  // only the ops that need no tag list
            switch (op) {
            case 0: bitflips(m.body, "b"); break;
            case 1: bytesets(m.body, "b"); break;
            case 2: lengthedit(m.body, tags); break;
            case 3: duplicate(m.body, tags); break;
            case 4: flood(m.body, tags); break;
            case 5: nest(m.body, tags); break;
            case 6: splice(m.body, tags); break;
            case 7: removeorswap(m.body, tags); break;
            case 8:
            case 9: tagbody(m.body, tags); break;
            case 10: header(m); break;
            default: rng.chance(50) ? truncate(m.body, "b") : flood(m.body, tags); break;
            }
        }
    }

    // Packs the body again, with a FileLength that is right or wrong.
    Bytes pack(Movie& m) {
        char sig = m.sig;
        if (rng.chance(30)) sig = "FCZ"[rng.below(3)];
        if (sig == 'F' && m.body.size() > smallfile && rng.chance(90)) sig = 'C';
        uint32_t truelen = uint32_t(std::min<size_t>(m.body.size() + 8, 0xFFFFFFFFu));
        uint32_t filelength = truelen;
        if (rng.chance(25)) {
            switch (rng.below(5)) {
            case 0: filelength = truelen + 1; break;
            case 1: filelength = truelen - 1; break;
            case 2: filelength = uint32_t(rng.below(truelen + 1)); break;
            case 3: filelength = 0xFFFFFFFFu - uint32_t(rng.below(4)); break;
            default: filelength = interesting32[rng.below(std::size(interesting32))]; break;
            }
            note("fl" + num(filelength));
        }
        Bytes out = {uint8_t(sig), 'W', 'S', m.version};
        Bytes l = le32(filelength);
        out.insert(out.end(), l.begin(), l.end());
        if (sig == 'F') {
            out.insert(out.end(), m.body.begin(), m.body.end());
        } else if (sig == 'C') {
            Bytes z = swfb::zlibpacked(m.body, int(rng.below(10)));
            out.insert(out.end(), z.begin(), z.end());
        } else {
            Bytes z = swfb::lzmapacked(m.body, 2, rng.chance(50));
            if (rng.chance(10)) {  // the packed size field is wrong
                put32(z, 0, interesting32[rng.below(std::size(interesting32))]);
                note("lzlen");
            }
            out.insert(out.end(), z.begin(), z.end());
        }
        if (sig != m.sig) note(std::string("sig") + sig);
        if (m.projector) {
            Bytes exe = m.stub;
            exe.insert(exe.end(), out.begin(), out.end());
            Bytes t = le32(swfb::kprojectortrailer), n = le32(rng.chance(85) ? uint32_t(out.size()) : uint32_t(rng.next()));
            exe.insert(exe.end(), t.begin(), t.end());
            exe.insert(exe.end(), n.begin(), n.end());
            return exe;
        }
        return out;
    }

    Bytes make(const Movie& seed) {
        Movie m = seed;
        Bytes out;
        if (m.swf && !rng.chance(10)) {
            structural(m);
            out = pack(m);
        } else {
            out = m.swf ? pack(m) : m.body;
        }
        // Byte-level damage to the file itself, packed data included.
        if (rng.chance(25)) rng.chance(50) ? bitflips(out, "f") : bytesets(out, "f");
        if (rng.chance(12)) truncate(out, "f");
        if (rng.chance(3)) {
            size_t n = 1 + rng.skewed(4096);
            for (size_t i = 0; i < n; ++i) out.push_back(uint8_t(rng.next()));
            note("tail" + num(n));
        }
        if (log.empty()) bitflips(out, "f");  // every movie differs from its seed
        return out;
    }
};

std::vector<std::string> seedfiles(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: mutate SEEDDIR OUTDIR COUNT [RUNSEED]\n"
                             "       mutate SEEDDIR OUTDIR --one N [RUNSEED]\n");
        return 2;
    }
    const std::string seeddir = argv[1], outdir = std::string(argv[2]) + "/";
    bool one = std::strcmp(argv[3], "--one") == 0;
    int argi = one ? 4 : 3;
    if (argi >= argc) return 2;
    uint64_t count = std::strtoull(argv[argi], nullptr, 10);
    uint64_t runseed = argi + 1 < argc ? std::strtoull(argv[argi + 1], nullptr, 10) : 1;

    std::vector<std::string> names = seedfiles(seeddir);
    std::vector<Movie> seeds;
    for (const auto& n : names) seeds.push_back(readmovie(swfb::readfile(seeddir + "/" + n)));
    if (seeds.empty()) {
        std::fprintf(stderr, "mutate: no seed files in %s\n", seeddir.c_str());
        return 1;
    }
    FILE* manifest = one ? nullptr : std::fopen((outdir + "MANIFEST.tsv").c_str(), "w");
    if (!one && !manifest) {
        std::fprintf(stderr, "mutate: cannot write %sMANIFEST.tsv\n", outdir.c_str());
        return 1;
    }
    uint64_t first = one ? count : 0, last = one ? count + 1 : count;
    for (uint64_t i = first; i < last; ++i) {
        Mutator mu{Rng{runseed * 0x100000001B3ull ^ (i + 1) * 0xD6E8FEB86659FD93ull}, seeds, {}};
        size_t s = mu.rng.below(seeds.size());
        Bytes out = mu.make(seeds[s]);
        const std::string& seedname = names[s];
        std::string ext = seedname.substr(seedname.rfind('.') == std::string::npos ? seedname.size() : seedname.rfind('.'));
        char name[32];
        std::snprintf(name, sizeof name, "m%05llu", static_cast<unsigned long long>(i));
        std::string path = outdir + name + ext;
        if (!swfb::writefile(path, out)) {
            std::fprintf(stderr, "mutate: cannot write %s\n", path.c_str());
            return 1;
        }
        if (manifest)
            std::fprintf(manifest, "%s%s\t%s\t%zu\t%s\n", name, ext.c_str(), seedname.c_str(), out.size(), mu.log.c_str());
        else
            std::printf("%s\t%s\t%zu\t%s\n", path.c_str(), seedname.c_str(), out.size(), mu.log.c_str());
    }
    if (manifest) std::fclose(manifest);
    return 0;
}
