#include "jpeghuffman.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <memory>

namespace {

constexpr int klook = 9;  // bits looked up at once; longer codes are searched

struct Ttable {
    bool defined = false;
    int slot = 0;  // class * 4 + id
    uint8_t vals[256] = {};
    int32_t maxcode[17] = {};
    int32_t valoff[17] = {};
    uint16_t look[1 << klook] = {};  // length << 8 | symbol, 0 when longer
    uint64_t counts[256] = {};
};

// Canonical codes from the counts per length, as every JPEG decoder derives
// them; false when the counts do not make a prefix code.
bool buildtable(Ttable& t, const uint8_t* bits, const uint8_t* vals, int nvals) {
    std::memset(t.look, 0, sizeof t.look);
    std::memcpy(t.vals, vals, size_t(nvals));
    int32_t code = 0;
    int k = 0;
    for (int l = 1; l <= 16; ++l) {
        t.valoff[l] = k - code;
        for (int i = 0; i < bits[l - 1]; ++i, ++k, ++code) {
            if (l > klook) continue;
            const int base = code << (klook - l);
            for (int j = 0; j < 1 << (klook - l); ++j) t.look[base + j] = uint16_t(l << 8 | vals[k]);
        }
        t.maxcode[l] = bits[l - 1] ? code - 1 : -1;
        if (code > 1 << l) return false;
        code <<= 1;
    }
    t.defined = true;
    return true;
}

// Entropy-coded bits with the stuffed zero bytes taken out; past a marker or
// the end it reads zeros and counts them, so a run-on decode stops.
struct Tbits {
    const uint8_t* p;
    const uint8_t* end;
    uint64_t acc = 0;
    int n = 0;
    size_t padded = 0;

    void fill() {
        while (n <= 56) {
            uint8_t b = 0;
            if (p < end && (*p != 0xFF || (p + 1 < end && p[1] == 0))) {
                b = *p;
                p += b == 0xFF ? 2 : 1;
            } else {
                end = p;
                ++padded;
            }
            acc |= uint64_t(b) << (56 - n);
            n += 8;
        }
    }
    uint32_t peek(int k) {
        if (n < k) fill();
        return uint32_t(acc >> (64 - k));
    }
    void skip(int k) {
        if (n < k) fill();
        acc <<= k;
        n -= k;
    }
};

int decode(Tbits& b, Ttable& t) {
    int sym = -1;
    if (const uint16_t e = t.look[b.peek(klook)]) {
        b.skip(e >> 8);
        sym = e & 0xFF;
    } else {
        for (int l = klook + 1; l <= 16 && sym < 0; ++l) {
            const int32_t c = int32_t(b.peek(l));
            if (c > t.maxcode[l]) continue;
            b.skip(l);
            sym = t.vals[c + t.valoff[l]];
        }
    }
    if (sym >= 0) ++t.counts[sym];
    return sym;
}

struct Tcomp {
    int id = 0, h = 1, v = 1, dc = 0, ac = 0;
};

// The segments of a stream up to its first scan, and what the scan needs.
struct Tstream {
    Ttable tables[2][4];
    Tcomp comps[4];  // of the scan, with their table slots
    int ncomps = 0;
    int width = 0, height = 0, hmax = 1, vmax = 1;
    size_t dht[8] = {};  // offsets of the DHT segments
    int ndht = 0;
    size_t data = 0;     // first byte of coded data
    size_t tail = 0;     // first byte after it: the marker that ends the scan
};

bool readstream(const uint8_t* data, size_t size, Tstream& st) {
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
    Tcomp frame[4];
    int nframe = 0;
    size_t p = 2;
    while (p + 4 <= size) {
        if (data[p] != 0xFF) return false;
        const uint8_t marker = data[p + 1];
        if (marker == 0xFF) {
            ++p;
            continue;
        }
        const size_t len = size_t(data[p + 2]) << 8 | data[p + 3];
        if (len < 2 || p + 2 + len > size) return false;
        const uint8_t* seg = data + p + 4;
        const size_t n = len - 2;
        if (marker == 0xC0 || marker == 0xC1) {
            if (n < 6 || seg[0] != 8) return false;
            st.height = seg[1] << 8 | seg[2];
            st.width = seg[3] << 8 | seg[4];
            nframe = seg[5];
            if (!st.width || !st.height || nframe < 1 || nframe > 4 || n < 6 + 3 * size_t(nframe)) return false;
            for (int i = 0; i < nframe; ++i) {
                frame[i].id = seg[6 + 3 * i];
                frame[i].h = seg[7 + 3 * i] >> 4;
                frame[i].v = seg[7 + 3 * i] & 15;
                if (frame[i].h < 1 || frame[i].h > 4 || frame[i].v < 1 || frame[i].v > 4) return false;
                st.hmax = frame[i].h > st.hmax ? frame[i].h : st.hmax;
                st.vmax = frame[i].v > st.vmax ? frame[i].v : st.vmax;
            }
        } else if (marker == 0xC4) {
            if (st.ndht == 8) return false;
            st.dht[st.ndht++] = p;
            for (size_t q = 0; q < n;) {
                if (q + 17 > n || seg[q] >> 4 > 1 || (seg[q] & 15) > 3) return false;
                int nvals = 0;
                for (int l = 0; l < 16; ++l) nvals += seg[q + 1 + l];
                if (nvals > 256 || q + 17 + size_t(nvals) > n) return false;
                Ttable& t = st.tables[seg[q] >> 4][seg[q] & 15];
                if (!buildtable(t, seg + q + 1, seg + q + 17, nvals)) return false;
                t.slot = (seg[q] >> 4) * 4 + (seg[q] & 15);
                q += 17 + size_t(nvals);
            }
        } else if (marker == 0xDD) {
            if (n < 2 || (seg[0] | seg[1])) return false;  // restart markers are not followed
        } else if (marker == 0xDA) {
            if (!nframe || n < 1 || seg[0] < 1 || seg[0] > nframe || n < 1 + 2 * size_t(seg[0])) return false;
            st.ncomps = seg[0];
            for (int i = 0; i < st.ncomps; ++i) {
                int k = 0;
                while (k < nframe && frame[k].id != seg[1 + 2 * i]) ++k;
                if (k == nframe || (seg[2 + 2 * i] >> 4) > 3 || (seg[2 + 2 * i] & 15) > 3) return false;
                st.comps[i] = frame[k];
                st.comps[i].dc = seg[2 + 2 * i] >> 4;
                st.comps[i].ac = seg[2 + 2 * i] & 15;
                if (!st.tables[0][st.comps[i].dc].defined || !st.tables[1][st.comps[i].ac].defined) return false;
            }
            st.data = p + 2 + len;
            st.tail = st.data;
            while (st.tail + 1 < size && (data[st.tail] != 0xFF || data[st.tail + 1] == 0))
                st.tail += data[st.tail] == 0xFF ? 2 : 1;
            return st.tail + 1 < size;
        } else if ((marker >= 0xC2 && marker <= 0xCF) || marker == 0xD9) {
            return false;  // progressive, lossless or arithmetic coding; or no scan at all
        }
        p += 2 + len;
    }
    return false;
}

// Calls put(table, symbol, bits, nbits) for each symbol of the scan with the
// magnitude bits after it; false when the data does not follow the tables.
template <class Put>
bool walkscan(const uint8_t* data, Tstream& st, Put&& put) {
    Tbits b{data + st.data, data + st.tail};
    auto symbol = [&](Ttable& t) {
        const int sym = decode(b, t);
        if (sym < 0) return -1;
        const int nbits = sym & 15;
        const uint32_t bits = nbits ? b.peek(nbits) : 0;
        b.skip(nbits);
        put(t, sym, bits, nbits);
        return sym;
    };
    auto block = [&](const Tcomp& c) {
        const int s = symbol(st.tables[0][c.dc]);
        if (s < 0 || s > 15) return false;
        for (int k = 1; k < 64;) {
            const int rs = symbol(st.tables[1][c.ac]);
            if (rs < 0) return false;
            const int run = rs >> 4;
            if (!(rs & 15)) {
                if (run != 15) break;
                k += 16;
                continue;
            }
            k += run;
            if (k > 63) return false;
            ++k;
        }
        return b.padded <= 8;
    };
    if (st.ncomps == 1) {
        const Tcomp& c = st.comps[0];
        const int64_t w = (int64_t(st.width) * c.h + st.hmax - 1) / st.hmax;
        const int64_t h = (int64_t(st.height) * c.v + st.vmax - 1) / st.vmax;
        for (int64_t n = ((w + 7) / 8) * ((h + 7) / 8); n > 0; --n)
            if (!block(c)) return false;
    } else {
        const int64_t mcus = ((st.width + 8 * st.hmax - 1) / (8 * st.hmax)) *
                             int64_t((st.height + 8 * st.vmax - 1) / (8 * st.vmax));
        for (int64_t n = mcus; n > 0; --n)
            for (int i = 0; i < st.ncomps; ++i)
                for (int k = st.comps[i].h * st.comps[i].v; k > 0; --k)
                    if (!block(st.comps[i])) return false;
    }
    // Decoding on into zeros past the data means the stream was not followed.
    return b.padded * 8 <= size_t(b.n);
}

// Any prefix code spends at least the symbols' entropy, and a bit on each.
double tablefloor(const Ttable& t) {
    double total = 0, bits = 0;
    for (uint64_t c : t.counts) total += double(c);
    for (uint64_t c : t.counts)
        if (c) bits += double(c) * std::log2(total / double(c));
    return bits > total ? bits : total;
}

// Whole bytes out, a zero after each 0xFF; the last byte filled with ones.
struct Tput {
    std::vector<uint8_t>& out;
    uint64_t acc = 0;
    int n = 0;
    void put(uint32_t code, int len) {
        acc = acc << len | (code & ((uint32_t(1) << len) - 1));
        for (n += len; n >= 8; n -= 8) {
            const uint8_t b = uint8_t(acc >> (n - 8));
            out.push_back(b);
            if (b == 0xFF) out.push_back(0);
        }
        acc &= (uint64_t(1) << n) - 1;
    }
    void flush() {
        if (n) put(0x7F, 8 - n);
    }
};

}  // namespace

// libjpeg's own procedure: Huffman's, ties to the larger symbol, a reserved
// all-ones code, lengths cut to 16.
bool JpegFitTable(const uint64_t* counts, uint8_t (&bits)[17], uint8_t (&vals)[256], int& nvals) {
    long freq[257];
    int codesize[257] = {}, others[257];
    for (int i = 0; i < 256; ++i) {
        if (counts[i] >= 1000000000) return false;
        freq[i] = long(counts[i]);
    }
    freq[256] = 1;
    std::fill(std::begin(others), std::end(others), -1);
    for (;;) {
        int c1 = -1, c2 = -1;
        long v = 1000000000L;
        for (int i = 0; i <= 256; ++i)
            if (freq[i] && freq[i] <= v) v = freq[c1 = i];
        v = 1000000000L;
        for (int i = 0; i <= 256; ++i)
            if (freq[i] && freq[i] <= v && i != c1) v = freq[c2 = i];
        if (c2 < 0) break;
        freq[c1] += freq[c2];
        freq[c2] = 0;
        for (++codesize[c1]; others[c1] >= 0; ++codesize[c1]) c1 = others[c1];
        others[c1] = c2;
        for (++codesize[c2]; others[c2] >= 0; ++codesize[c2]) c2 = others[c2];
    }
    int count[33] = {};
    for (int i = 0; i <= 256; ++i) {
        if (codesize[i] > 32) return false;
        if (codesize[i]) ++count[codesize[i]];
    }
    int i = 32;
    for (; i > 16; --i)
        while (count[i] > 0) {
            int j = i - 2;
            while (count[j] == 0) --j;
            count[i] -= 2;
            ++count[i - 1];
            count[j + 1] += 2;
            --count[j];
        }
    while (i > 0 && count[i] == 0) --i;
    if (!i) return false;  // no symbol at all: a slot the scan never uses
    --count[i];            // the reserved code
    nvals = 0;
    for (int l = 1; l <= 16; ++l) bits[l] = uint8_t(count[l]);
    for (int l = 1; l <= 32; ++l)
        for (int s = 0; s < 256; ++s)
            if (codesize[s] == l) vals[nvals++] = uint8_t(s);
    return true;
}

size_t JpegCodedFloor(const uint8_t* data, size_t size) {
    const auto held = std::make_unique<Tstream>();  // 28 KB of tables: too much for a thread's stack
    Tstream& st = *held;
    uint64_t magnitude = 0;
    if (!readstream(data, size, st) ||
        !walkscan(data, st, [&](Ttable&, int, uint32_t, int nbits) { magnitude += uint64_t(nbits); }))
        return 0;
    double bits = double(magnitude);
    for (auto& row : st.tables)
        for (const Ttable& t : row) bits += tablefloor(t);
    return size_t(bits / 8 * (1 - 1e-9));
}

bool JpegRefit(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    out.clear();
    const auto held = std::make_unique<Tstream>();
    Tstream& st = *held;
    if (!readstream(data, size, st) || !walkscan(data, st, [](Ttable&, int, uint32_t, int) {})) return false;
    // New codes per slot; the DHT segments are written again in place, each
    // with the slots it held.
    struct Tcodes {
        uint8_t bits[17] = {}, vals[256] = {};
        int nvals = 0;
        uint16_t code[256] = {};
        uint8_t len[256] = {};
    };
    std::vector<Tcodes> codes(8);
    for (int c = 0; c < 2; ++c)
        for (int id = 0; id < 4; ++id) {
            Tcodes& k = codes[size_t(c * 4 + id)];
            if (!st.tables[c][id].defined) continue;
            if (!JpegFitTable(st.tables[c][id].counts, k.bits, k.vals, k.nvals)) return false;
            uint32_t code = 0;
            for (int l = 1, v = 0; l <= 16; ++l, code <<= 1)
                for (int i = 0; i < k.bits[l]; ++i, ++v, ++code) {
                    k.code[k.vals[v]] = uint16_t(code);
                    k.len[k.vals[v]] = uint8_t(l);
                }
        }
    out.reserve(size);
    size_t at = 0;
    for (int d = 0; d < st.ndht; ++d) {
        const size_t p = st.dht[d], end = p + 2 + (size_t(data[p + 2]) << 8 | data[p + 3]);
        out.insert(out.end(), data + at, data + p);
        const size_t lenat = out.size() + 2;
        out.insert(out.end(), {0xFF, 0xC4, 0, 0});
        for (size_t q = p + 4; q < end;) {
            const uint8_t slot = data[q];
            int nvals = 0;
            for (int l = 1; l <= 16; ++l) nvals += data[q + size_t(l)];
            const Tcodes& k = codes[size_t((slot >> 4) * 4 + (slot & 15))];
            out.push_back(slot);
            out.insert(out.end(), k.bits + 1, k.bits + 17);
            out.insert(out.end(), k.vals, k.vals + k.nvals);
            q += 17 + size_t(nvals);
        }
        const size_t len = out.size() - lenat;
        out[lenat] = uint8_t(len >> 8);
        out[lenat + 1] = uint8_t(len);
        at = end;
    }
    out.insert(out.end(), data + at, data + st.data);
    Tput w{out};
    const bool ok = walkscan(data, st, [&](Ttable& t, int sym, uint32_t bits, int nbits) {
        const Tcodes& k = codes[size_t(t.slot)];
        w.put(k.code[sym], k.len[sym]);
        if (nbits) w.put(bits, nbits);
    });
    if (!ok) {
        out.clear();
        return false;
    }
    w.flush();
    out.insert(out.end(), data + st.tail, data + size);
    return true;
}
