#include "htmlsize.h"

#include <cmath>
#include <functional>

#include "../core/pascal_com.h"

using namespace pascal_com;

namespace {

struct Thtmlattr {
    std::string name;  // lower case
    uint32_t valuestart = 0, valueend = 0;
};

struct Thtmltag {
    bool end = false;
    bool selfclosing = false;
    std::string name;  // lower case
    std::vector<Thtmlattr> attrs;
    const Thtmlattr* attr(const char* wanted) const {
        for (const Thtmlattr& a : attrs)
            if (a.name == wanted) return &a;  // the first of duplicates counts
        return nullptr;
    }
};

bool isspace_(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isdigit_(unsigned char c) { return c >= '0' && c <= '9'; }
bool isnamestart(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}
char lower(unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); }

// Position of needle at or after from, or n.
uint32_t find(const unsigned char* s, uint32_t n, uint32_t from, const char* needle) {
    uint32_t k = 0;
    while (needle[k]) ++k;
    for (uint32_t i = from; i + k <= n; ++i) {
        uint32_t j = 0;
        while (j < k && s[i + j] == uint8_t(needle[j])) ++j;
        if (j == k) return i;
    }
    return n;
}

// Walks the tags of the markup in order; false when it meets markup it
// cannot follow (then the sizes players see are not known).
bool walkhtml(const unsigned char* s, uint32_t n, const std::function<void(const Thtmltag&)>& visit) {
    uint32_t i = 0;
    while (i < n) {
        if (s[i] != '<') {
            ++i;
            continue;
        }
        if (i + 1 >= n) return false;
        unsigned char c = s[i + 1];
        if (c == '!' || c == '?') {
            const char* close = c == '?'                         ? "?>"
                                : find(s, n, i, "<!--") == i      ? "-->"
                                : find(s, n, i, "<![CDATA[") == i ? "]]>"
                                                                  : ">";
            uint32_t e = find(s, n, i + 2, close);
            if (e == n) return false;
            i = e + uint32_t(std::char_traits<char>::length(close));
            continue;
        }
        Thtmltag tag;
        uint32_t p = i + 1;
        if (c == '/') {
            tag.end = true;
            ++p;
        }
        if (p >= n || !isnamestart(s[p])) return false;
        while (p < n && !isspace_(s[p]) && s[p] != '>' && s[p] != '/') tag.name += lower(s[p++]);
        for (;;) {
            while (p < n && isspace_(s[p])) ++p;
            if (p >= n) return false;
            if (s[p] == '>') break;
            if (s[p] == '/') {
                ++p;
                while (p < n && isspace_(s[p])) ++p;
                if (p >= n || s[p] != '>') return false;
                tag.selfclosing = true;
                break;
            }
            if (tag.end) {
                // Nothing but the name belongs in an end tag; skip to its end.
                while (p < n && s[p] != '>') ++p;
                if (p >= n) return false;
                break;
            }
            Thtmlattr a;
            while (p < n && !isspace_(s[p]) && s[p] != '=' && s[p] != '>' && s[p] != '/') a.name += lower(s[p++]);
            if (a.name.empty()) return false;
            while (p < n && isspace_(s[p])) ++p;
            a.valuestart = a.valueend = p;
            if (p < n && s[p] == '=') {
                ++p;
                while (p < n && isspace_(s[p])) ++p;
                if (p >= n) return false;
                if (s[p] == '"' || s[p] == '\'') {
                    unsigned char q = s[p++];
                    a.valuestart = p;
                    while (p < n && s[p] != q) ++p;
                    if (p >= n) return false;
                    a.valueend = p++;
                } else {
                    a.valuestart = p;
                    while (p < n && !isspace_(s[p]) && s[p] != '>') ++p;
                    a.valueend = p;
                    if (a.valueend == a.valuestart) return false;
                }
            }
            tag.attrs.push_back(std::move(a));
        }
        visit(tag);
        i = p + 1;
    }
    return true;
}

// The digits of a size value: [start, end) after an optional sign.
struct Tsizevalue {
    char sign = 0;
    uint32_t digitstart = 0, digitend = 0;
    bool present() const { return digitend > digitstart; }
};

Tsizevalue sizevalue(const unsigned char* s, const Thtmlattr& a) {
    Tsizevalue v;
    uint32_t p = a.valuestart;
    if (p < a.valueend && (s[p] == '+' || s[p] == '-')) v.sign = char(s[p++]);
    v.digitstart = p;
    while (p < a.valueend && isdigit_(s[p])) ++p;
    v.digitend = p;
    return v;
}

double digitsvalue(const unsigned char* s, const Tsizevalue& v) {
    double x = 0;
    for (uint32_t p = v.digitstart; p < v.digitend; ++p) x = x * 10 + (s[p] - '0');
    return x;
}

// Decimal digits times f, exactly, without leading zeros.
std::string multiplydigits(const unsigned char* s, uint32_t start, uint32_t end, uint32_t f) {
    while (start + 1 < end && s[start] == '0') ++start;
    std::string out(end - start, '0');
    uint64_t carry = 0;
    for (uint32_t k = end - start; k-- > 0;) {
        uint64_t d = uint64_t(s[start + k] - '0') * f + carry;
        out[k] = char('0' + d % 10);
        carry = d / 10;
    }
    while (carry) {
        out.insert(out.begin(), char('0' + carry % 10));
        carry /= 10;
    }
    size_t nz = out.find_first_not_of('0');
    return nz == std::string::npos ? "0" : out.substr(nz);
}

}  // namespace

uint32_t htmlsizelimit(int swfversion) {
    // From SWF 13 on players no longer clamp; stay where a height in twips
    // still fits 16 bits.
    return swfversion < 13 ? 127u : 65535u / 20u;
}

Thtmlsizes htmlsizes(const unsigned char* text, uint32_t n, double base, int swfversion) {
    Thtmlsizes r;
    const double limit = htmlsizelimit(swfversion);
    struct Topen {
        std::string name;
        double size;
    };
    std::vector<Topen> open;
    auto current = [&] { return open.empty() ? base : open.back().size; };
    bool ok = walkhtml(text, n, [&](const Thtmltag& t) {
        if (t.end) {
            if (!open.empty() && open.back().name == t.name) open.pop_back();
            return;
        }
        if (t.name == "br" || t.name == "sbr") return;
        double size = current();
        if (t.name == "font") {
            if (const Thtmlattr* face = t.attr("face"))
                r.faces.emplace_back(reinterpret_cast<const char*>(text) + face->valuestart,
                                     face->valueend - face->valuestart);
            if (const Thtmlattr* a = t.attr("size")) {
                Tsizevalue v = sizevalue(text, *a);
                if (v.present()) {
                    double x = digitsvalue(text, v);
                    double s = v.sign == '+' ? size + x : v.sign == '-' ? size - x : x;
                    // Below 1 the player raises it to 1, which a multiplied size
                    // would not reach; above the limit it lowers it.
                    double c = s < 1 ? 1 : std::floor(limit / s);
                    if (c < 1) c = 1;
                    if (c < r.cap) r.cap = uint32_t(c);
                    size = s < 1 ? 1 : (s > limit ? limit : s);
                }
            }
        }
        if (t.selfclosing) return;
        open.push_back({t.name, size});
    });
    if (!ok) {
        r.unsure = true;
        r.cap = 1;
    }
    return r;
}

void strprocsize(unsigned char*& text, uint32_t f) {
    uint32_t n = length(text);
    if (f <= 1 || n == 0) return;
    uint32_t body = text[n - 1] == 0 ? n - 1 : n;
    std::string out;
    uint32_t copied = 0;
    walkhtml(text, body, [&](const Thtmltag& t) {
        if (t.end || t.name != "font") return;
        const Thtmlattr* a = t.attr("size");
        if (!a) return;
        Tsizevalue v = sizevalue(text, *a);
        if (!v.present()) return;
        out.append(reinterpret_cast<const char*>(text) + copied, v.digitstart - copied);
        out += multiplydigits(text, v.digitstart, v.digitend, f);
        copied = v.digitend;
    });
    if (copied == 0) return;
    out.append(reinterpret_cast<const char*>(text) + copied, n - copied);
    setlength(text, 1, out.size());
    move(out.data(), text, out.size());
}
