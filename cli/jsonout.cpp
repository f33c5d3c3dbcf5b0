#include "cli/jsonout.h"

#include <cstdio>

namespace {

// Length of the valid UTF-8 sequence at s[i], 0 when the byte there starts none.
size_t utf8length(const std::string& s, size_t i) {
    const auto b = [&](size_t k) { return uint8_t(s[k]); };
    const uint8_t c = b(i);
    size_t n;
    uint32_t cp;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) n = 2, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF) n = 3, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, cp = c & 0x07;
    else return 0;
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (b(i + k) & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and code points past U+10FFFF are not UTF-8.
    if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        return 0;
    return n;
}

std::string num(int64_t v) { return std::to_string(v); }

std::string kindsjson(const Tfileresult& r) {
    std::string s = "{";
    for (int i = 0; i < KIND_COUNT; ++i) {
        const Tkindresult& k = r.kinds[i];
        s += std::string(i ? "," : "") + jsonstring(kindnames[i].user) + ":{\"count\":" + num(k.count) +
             ",\"source\":" + num(k.srcsize);
        if (!r.info) s += ",\"dest\":" + num(k.dstsize);
        s += "}";
    }
    return s + "}";
}

std::string nullable(const std::string& s) { return s.empty() ? "null" : jsonstring(s); }

std::string settingsjson(const Tlevelvalues& v) {
    std::string s = "{";
    for (const Tlevelfield& f : levelfields) {
        const int32_t x = v.*f.member;
        std::string text = num(x);
        if (f.show == SHOW_BOOLEAN) text = x ? "true" : "false";
        else if (f.show == SHOW_NULL_WHEN_ZERO && x <= 0) text = "null";
        else if (f.show == SHOW_NULL_WHEN_NEGATIVE && x < 0) text = "null";
        s += std::string(s.size() > 1 ? "," : "") + jsonstring(f.name) + ":" + text;
    }
    return s + "}";
}

}  // namespace

std::string jsonstring(const std::string& s) {
    std::string out = "\"";
    char buf[8];
    for (size_t i = 0; i < s.size();) {
        const uint8_t c = uint8_t(s[i]);
        const size_t n = utf8length(s, i);
        if (n == 0) {
            std::snprintf(buf, sizeof buf, "\\udc%02x", c);
            out += buf;
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(s, i, n);
            i += n;
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += char(c);
            }
        }
        ++i;
    }
    return out + "\"";
}

double savedpercent(int64_t before, int64_t after) {
    return before > 0 ? 100.0 * double(before - after) / double(before) : 0.0;
}

std::string resultjson(const Tfileresult& r) {
    std::string s = "{\"source\":" + jsonstring(r.source);
    if (r.info) {
        const Tmovieheader& h = r.header;
        char bg[8];
        std::snprintf(bg, sizeof bg, "#%02x%02x%02x", h.red, h.green, h.blue);
        s += ",\"ok\":" + std::string(r.ok ? "true" : "false") + ",\"error\":" + nullable(r.error) +
             ",\"size\":" + num(r.srcsize);
        if (r.ok) {
            s += ",\"signature\":" + nullable(h.signature) + ",\"version\":" + num(h.version) +
                 ",\"file_length\":" + num(h.filelength) + ",\"width\":" + num(h.width) +
                 ",\"height\":" + num(h.height) + ",\"frame_rate\":" + num(h.framerate) +
                 ",\"frame_count\":" + num(h.framecount) + ",\"background\":" + jsonstring(bg) +
                 ",\"kinds\":" + kindsjson(r);
        }
    } else {
        s += ",\"output\":" + nullable(r.dryrun ? "" : r.output) + ",\"ok\":" + (r.ok ? "true" : "false") +
             ",\"error\":" + nullable(r.error) + ",\"exe\":" + num(r.exe) + ",\"before\":" + num(r.srcsize) +
             ",\"after\":" + num(r.dstsize);
        char pct[32] = "null";
        if (r.ok) std::snprintf(pct, sizeof pct, "%.1f", savedpercent(savingbaseline(r), r.dstsize));
        s += std::string(",\"saved_percent\":") + pct + ",\"kinds\":" + kindsjson(r);
        s += ",\"kept\":" + std::string(r.kept ? "true" : "false") + ",\"rewritten\":" + num(r.rewritten);
        if (r.dropped > 0) s += ",\"dropped\":" + num(r.dropped) + ",\"baseline\":" + num(savingbaseline(r));
        if (!r.damage.empty()) s += ",\"damage\":" + jsonstring(r.damage);
        if (r.salvaged) s += ",\"salvaged\":true";
        if (r.dryrun) s += ",\"dry_run\":true";
        if (r.inplace) s += ",\"in_place\":true";
        s += ",\"notes\":[";
        for (size_t i = 0; i < r.notes.size(); ++i) s += (i ? "," : "") + jsonstring(r.notes[i]);
        s += "]";
        s += ",\"settings\":" + settingsjson(r.used);
    }
    if (!r.warning.empty()) s += ",\"warning\":" + jsonstring(r.warning);
    return s + ",\"ms\":" + num(r.ms) + "}";
}
