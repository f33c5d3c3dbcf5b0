#include "cli/result.h"

#include <type_traits>

namespace {

class Tpacker {
public:
    template <typename T>
    void num(const T& v) {
        const uint64_t u = uint64_t(int64_t(v));
        for (int i = 0; i < 8; ++i) out += char(uint8_t(u >> (8 * i)));
    }
    void str(const std::string& s) {
        num(int64_t(s.size()));
        out += s;
    }
    void list(const std::vector<std::string>& v) {
        num(int64_t(v.size()));
        for (const auto& s : v) str(s);
    }
    std::string out;
};

class Tunpacker {
public:
    explicit Tunpacker(const std::string& d) : data(d) {}
    template <typename T>
    void num(T& v) {
        if (bad || data.size() - pos < 8) {
            bad = true;
            return;
        }
        uint64_t u = 0;
        for (int i = 0; i < 8; ++i) u |= uint64_t(uint8_t(data[pos + i])) << (8 * i);
        pos += 8;
        v = T(int64_t(u));
    }
    void str(std::string& s) {
        int64_t n = 0;
        num(n);
        if (bad || n < 0 || uint64_t(n) > data.size() - pos) {
            bad = true;
            return;
        }
        s = data.substr(pos, size_t(n));
        pos += size_t(n);
    }
    void list(std::vector<std::string>& v) {
        int64_t n = 0;
        num(n);
        // Each entry takes at least its 8-byte length.
        if (bad || n < 0 || uint64_t(n) > (data.size() - pos) / 8) {
            bad = true;
            return;
        }
        v.assign(size_t(n), std::string());
        for (auto& s : v) str(s);
    }
    const std::string& data;
    size_t pos = 0;
    bool bad = false;
};

// One field list for both directions, so that they cannot disagree.
template <typename P, typename R>
void fields(P& p, R& r) {
    p.str(r.source);
    p.str(r.output);
    p.str(r.error);
    p.str(r.warning);
    p.num(r.ok);
    p.num(r.info);
    p.num(r.exe);
    p.num(r.srcsize);
    p.num(r.dstsize);
    p.num(r.ms);
    for (auto& k : r.kinds) {
        p.num(k.srcsize);
        p.num(k.dstsize);
        p.num(k.count);
    }
    auto& h = r.header;
    p.str(h.signature);
    p.num(h.version);
    p.num(h.filelength);
    p.num(h.width);
    p.num(h.height);
    p.num(h.framerate);
    p.num(h.framecount);
    p.num(h.red);
    p.num(h.green);
    p.num(h.blue);
    p.num(r.kept);
    p.num(r.rewritten);
    p.num(r.salvaged);
    p.num(r.dryrun);
    p.num(r.inplace);
    p.str(r.damage);
    p.num(r.movielen);
    p.num(r.dropped);
    for (const Tlevelfield& f : levelfields) p.num(r.used.*f.member);
    p.list(r.notes);
}

}  // namespace

int64_t savingbaseline(const Tfileresult& r) {
    if (r.kept) return r.srcsize;  // the output holds every byte of the source
    if (r.dropped <= 0 || r.movielen <= 0 || r.dropped >= r.movielen) return r.dropped > 0 ? 0 : r.srcsize;
    // Pro rata by uncompressed bytes: the source's compression is about even over a movie.
    return int64_t(double(r.srcsize) * double(r.movielen - r.dropped) / double(r.movielen) + 0.5);
}

std::string serializeresult(const Tfileresult& r) {
    Tpacker p;
    fields(p, r);
    return p.out;
}

bool deserializeresult(const std::string& data, Tfileresult& r) {
    Tunpacker p(data);
    fields(p, r);
    return !p.bad && p.pos == data.size();
}
