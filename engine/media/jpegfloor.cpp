#include "jpegfloor.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int klook = 9;  // bits looked up at once; longer codes are searched

struct Ttable {
    bool defined = false;
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

// One block's symbols and their magnitude bits; false on a code that the
// tables do not hold or a block that runs past its 64 coefficients.
bool block(Tbits& b, Ttable& dc, Ttable& ac, uint64_t& magnitude) {
    const int s = decode(b, dc);
    if (s < 0 || s > 15) return false;
    b.skip(s);
    magnitude += uint64_t(s);
    for (int k = 1; k < 64;) {
        const int rs = decode(b, ac);
        if (rs < 0) return false;
        const int run = rs >> 4, size = rs & 15;
        if (!size) {
            if (run != 15) break;
            k += 16;
            continue;
        }
        k += run;
        if (k > 63) return false;
        b.skip(size);
        magnitude += uint64_t(size);
        ++k;
    }
    return b.padded <= 8;
}

// Any prefix code spends at least the symbols' entropy, and a bit on each.
double tablefloor(const Ttable& t) {
    double total = 0, bits = 0;
    for (uint64_t c : t.counts) total += double(c);
    for (uint64_t c : t.counts)
        if (c) bits += double(c) * std::log2(total / double(c));
    return bits > total ? bits : total;
}

struct Tframe {
    int width = 0, height = 0, hmax = 1, vmax = 1;
};

size_t scanfloor(const uint8_t* p, const uint8_t* end, const Tframe& f, const Tcomp* comps, int ncomps,
                 Ttable (&tables)[2][4]) {
    const int hmax = f.hmax, vmax = f.vmax, width = f.width, height = f.height;
    for (int i = 0; i < ncomps; ++i)
        if (!tables[0][comps[i].dc].defined || !tables[1][comps[i].ac].defined) return 0;
    Tbits b{p, end};
    uint64_t magnitude = 0;
    if (ncomps == 1) {
        const int64_t w = (int64_t(width) * comps[0].h + hmax - 1) / hmax, h = (int64_t(height) * comps[0].v + vmax - 1) / vmax;
        for (int64_t n = ((w + 7) / 8) * ((h + 7) / 8); n > 0; --n)
            if (!block(b, tables[0][comps[0].dc], tables[1][comps[0].ac], magnitude)) return 0;
    } else {
        const int64_t mcus = ((width + 8 * hmax - 1) / (8 * hmax)) * int64_t((height + 8 * vmax - 1) / (8 * vmax));
        for (int64_t n = mcus; n > 0; --n)
            for (int i = 0; i < ncomps; ++i)
                for (int k = comps[i].h * comps[i].v; k > 0; --k)
                    if (!block(b, tables[0][comps[i].dc], tables[1][comps[i].ac], magnitude)) return 0;
    }
    // Decoding on into zeros past the data means the stream was not followed.
    if (b.padded * 8 > size_t(b.n)) return 0;
    double bits = double(magnitude);
    for (auto& row : tables)
        for (const Ttable& t : row) bits += tablefloor(t);
    return size_t(bits / 8 * (1 - 1e-9));
}

}  // namespace

size_t JpegCodedFloor(const uint8_t* data, size_t size) {
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return 0;
    static_assert(sizeof(Ttable) < 8192, "tables live on the stack");
    Ttable tables[2][4];
    Tcomp comps[4];
    Tframe frame;
    int ncomps = 0;
    size_t p = 2;
    while (p + 4 <= size) {
        if (data[p] != 0xFF) return 0;
        const uint8_t marker = data[p + 1];
        if (marker == 0xFF) {
            ++p;
            continue;
        }
        const size_t len = size_t(data[p + 2]) << 8 | data[p + 3];
        if (len < 2 || p + 2 + len > size) return 0;
        const uint8_t* seg = data + p + 4;
        const size_t n = len - 2;
        if (marker == 0xC0 || marker == 0xC1) {
            if (n < 6 || seg[0] != 8) return 0;
            frame.height = seg[1] << 8 | seg[2];
            frame.width = seg[3] << 8 | seg[4];
            ncomps = seg[5];
            if (!frame.width || !frame.height || ncomps < 1 || ncomps > 4 || n < 6 + 3 * size_t(ncomps)) return 0;
            for (int i = 0; i < ncomps; ++i) {
                comps[i].id = seg[6 + 3 * i];
                comps[i].h = seg[7 + 3 * i] >> 4;
                comps[i].v = seg[7 + 3 * i] & 15;
                if (comps[i].h < 1 || comps[i].h > 4 || comps[i].v < 1 || comps[i].v > 4) return 0;
                frame.hmax = comps[i].h > frame.hmax ? comps[i].h : frame.hmax;
                frame.vmax = comps[i].v > frame.vmax ? comps[i].v : frame.vmax;
            }
        } else if (marker == 0xC4) {
            for (size_t q = 0; q < n;) {
                if (q + 17 > n || seg[q] >> 4 > 1 || (seg[q] & 15) > 3) return 0;
                int nvals = 0;
                for (int l = 0; l < 16; ++l) nvals += seg[q + 1 + l];
                if (nvals > 256 || q + 17 + size_t(nvals) > n) return 0;
                if (!buildtable(tables[seg[q] >> 4][seg[q] & 15], seg + q + 1, seg + q + 17, nvals)) return 0;
                q += 17 + size_t(nvals);
            }
        } else if (marker == 0xDD) {
            if (n < 2 || (seg[0] | seg[1])) return 0;  // restart markers are not followed
        } else if (marker == 0xDA) {
            if (!ncomps || n < 1 || seg[0] < 1 || seg[0] > ncomps || n < 1 + 2 * size_t(seg[0])) return 0;
            Tcomp scan[4];
            for (int i = 0; i < seg[0]; ++i) {
                int k = 0;
                while (k < ncomps && comps[k].id != seg[1 + 2 * i]) ++k;
                if (k == ncomps || (seg[2 + 2 * i] >> 4) > 3 || (seg[2 + 2 * i] & 15) > 3) return 0;
                scan[i] = comps[k];
                scan[i].dc = seg[2 + 2 * i] >> 4;
                scan[i].ac = seg[2 + 2 * i] & 15;
            }
            // A first scan's data is a floor for the whole stream's.
            return scanfloor(data + p + 2 + len, data + size, frame, scan, seg[0], tables);
        } else if ((marker >= 0xC2 && marker <= 0xCF) || marker == 0xD9) {
            return 0;  // progressive, lossless or arithmetic coding; or no scan at all
        }
        p += 2 + len;
    }
    return 0;
}
