#include "fontplan.h"

#include <algorithm>
#include <unordered_map>

#include "../core/container.h"
#include "../core/enginestate.h"
#include "../core/swftag.h"
#include "../settings/effective.h"
#include "registry.h"

using namespace pascal_com;

namespace {

struct Tfontrec {
    int tagcode = 0;
    bool hasglyphs = false;
    int definitions = 0;
    std::string name;
    bool haslayout = false;
    uint32_t lineheight = 0;  // ascent + descent
    int32_t leading = 0;
};

struct Tplanstate {
    std::unordered_map<uint16_t, Tfontrec> fonts;
    std::unordered_map<uint16_t, uint32_t> heightcap;  // from static texts
    std::unordered_map<uint16_t, uint32_t> maxheight;  // from static texts
    std::vector<Tfontuse> uses;
    bool planned = false;
    int32_t plannedratio = 0;
    bool plannedfine = false;
    std::unordered_map<uint16_t, uint32_t> divisor;
    std::unordered_map<uint16_t, uint32_t> written;
    bool classesread = false;
    std::unordered_map<std::string, uint16_t> classes;
};

Tplanstate& state() {
    static Tplanstate s;
    return s;
}

// SymbolClass (76) and ExportAssets (56) share their layout: a count, then
// character id and name pairs.
void readclasses(Tplanstate& s) {
    if (s.classesread) return;
    s.classesread = true;
    for (uint32_t i = 0; i < length(tags); ++i) {
        Tswftag* t = tags[i];
        if (!t || !issymboltag(t->tagcode)) continue;
        Tparsefill p(t->rawbody, 0, 0);
        try {
            uint32_t n = p.U16parse();
            for (uint32_t k = 0; k < n; ++k) {
                uint16_t id = p.U16parse();
                unsigned char* name = nullptr;
                p.Stringparse(name);
                std::string key(reinterpret_cast<const char*>(name), length(name) - 1);
                setlength(name, 1, 0);
                s.classes.emplace(key, id);
            }
        } catch (const Tparseerror&) {
            // What was read before the damage still names its characters.
        }
    }
}

class Tfontgroups {
public:
    uint16_t root(uint16_t id) {
        auto it = parent_.find(id);
        if (it == parent_.end()) {
            parent_.emplace(id, id);
            return id;
        }
        uint16_t r = id;
        while (parent_[r] != r) r = parent_[r];
        while (parent_[id] != r) {  // path compression
            uint16_t next = parent_[id];
            parent_[id] = r;
            id = next;
        }
        return r;
    }
    void join(uint16_t a, uint16_t b) {
        uint16_t ra = root(a), rb = root(b);
        if (ra != rb) parent_[rb] = ra;
    }

private:
    std::unordered_map<uint16_t, uint16_t> parent_;
};

void makeplan() {
    Tplanstate& s = state();
    int32_t ratio = fontratio(CCparams);
    const bool fine = CCparams.Sha_FontHifi != 0;
    if (s.planned && s.plannedratio == ratio && s.plannedfine == fine) return;
    s.divisor.clear();
    readclasses(s);

    auto dividable = [&](uint16_t id) {
        auto it = s.fonts.find(id);
        if (it == s.fonts.end() || it->second.definitions != 1 || !it->second.hasglyphs) return false;
        // An id that also names a shape or a bitmap: whatever is placed under
        // it must not be mistaken for a font.
        return IDS[id].Kind != IDKIND_SHAPE && IDS[id].Kind != IDKIND_MORPH && IDS[id].Kind != IDKIND_BITMAP;
    };
    std::unordered_map<std::string, std::vector<uint16_t>> byname;
    for (const auto& [id, f] : s.fonts)
        if (!f.name.empty()) byname[f.name].push_back(id);

    Tfontgroups groups;
    std::unordered_map<uint16_t, uint32_t> cap;
    std::vector<uint16_t> laidout;  // fonts that edit texts lay lines out with
    auto limit = [&cap](uint16_t id, uint32_t c) {
        auto it = cap.find(id);
        if (it == cap.end()) cap.emplace(id, c);
        else it->second = std::min(it->second, c);
    };

    // Divided glyphs are stored in whole units: at a large height a ratio
    // that makes a unit wider than half a pixel (10 twips) turns curves into
    // visible corners and wobbles. DefineFont3 units are 20 times finer.
    auto finecap = [&](uint16_t id, uint32_t height) -> uint32_t {
        if (!height || !fine) return UINT32_MAX;
        const uint32_t em = s.fonts[id].tagcode == DefineFont3 ? 20480u * 10u : 1024u * 10u;
        return std::max(1u, em / height);
    };
    for (const auto& [id, c] : s.heightcap)
        if (dividable(id)) limit(id, std::min(c, finecap(id, s.maxheight[id])));

    for (const Tfontuse& use : s.uses) {
        std::vector<uint16_t> ids;
        bool bad = false;
        auto named = [&](const std::string& name) {
            auto it = byname.find(name);
            if (it == byname.end()) return false;
            ids.insert(ids.end(), it->second.begin(), it->second.end());
            return true;
        };
        int32_t byclass = use.fontclass.empty() ? -1 : fontplanclassid(use.fontclass);
        for (int32_t main : {use.fontid, byclass}) {
            if (main < 0 || !s.fonts.count(uint16_t(main))) continue;
            const Tfontrec& f = s.fonts[uint16_t(main)];
            ids.push_back(uint16_t(main));
            // Edit texts find their font by name and style, so every font of
            // that name may draw this text.
            if (!f.name.empty()) named(f.name);
            // A DefineFont has no advances to lay an edit text out with.
            if (f.tagcode == DefineFont) bad = true;
        }
        if (ids.empty()) {
            // A plain text in a font of no tag here changes nothing; an HTML
            // text whose base run is not embedded cannot be enlarged.
            if (!use.html) continue;
            bad = true;
        }
        for (const std::string& face : use.faces)
            if (!named(face)) bad = true;
        for (uint16_t id : ids)
            if (!dividable(id)) bad = true;
        for (uint16_t id : ids) laidout.push_back(id);
        int32_t first = -1;
        for (uint16_t id : ids) {
            if (!dividable(id)) continue;
            // HTML text keeps its size only if every size in it takes the
            // whole ratio; a font it uses is otherwise left as it is.
            uint32_t c = bad ? 1 : std::min(use.cap, finecap(id, use.height));
            if (use.html && c < uint32_t(ratio)) c = 1;
            limit(id, c);
            if (first < 0) first = id;
            else groups.join(uint16_t(first), id);
        }
    }

    std::unordered_map<uint16_t, uint32_t> groupcap;
    for (const auto& [id, c] : cap) {
        uint16_t r = groups.root(id);
        auto it = groupcap.find(r);
        if (it == groupcap.end()) groupcap.emplace(r, c);
        else it->second = std::min(it->second, c);
    }
    // The ratio of a group must divide the line height of every font in it
    // that edit texts lay out with.
    std::unordered_map<uint16_t, std::vector<uint16_t>> grouplaidout;
    for (uint16_t id : laidout)
        if (cap.count(id)) grouplaidout[groups.root(id)].push_back(id);
    for (auto& [root, c] : groupcap) {
        uint32_t d = std::min<uint32_t>(uint32_t(ratio), c);
        auto it = grouplaidout.find(root);
        if (it != grouplaidout.end()) {
            auto exact = [&](uint32_t r) {
                for (uint16_t id : it->second) {
                    const Tfontrec& f = s.fonts[id];
                    if (f.haslayout && (f.lineheight % r != 0 || f.leading % int32_t(r) != 0)) return false;
                }
                return true;
            };
            while (d > 1 && !exact(d)) --d;
        }
        c = d;
    }
    for (const auto& [id, c] : cap) {
        uint32_t d = groupcap[groups.root(id)];
        s.divisor[id] = d < 1 ? 1 : d;
    }
    s.planned = true;
    s.plannedratio = ratio;
    s.plannedfine = fine;
}

}  // namespace

void fontplanaddfont(uint16_t fontid, int tagcode, bool hasglyphs, const std::string& name) {
    Tplanstate& s = state();
    Tfontrec& f = s.fonts[fontid];
    f.tagcode = tagcode;
    f.hasglyphs = hasglyphs;
    f.definitions += 1;
    f.name = name;
    s.planned = false;
}

void fontplanaddlayout(uint16_t fontid, uint32_t ascent, uint32_t descent, int32_t leading) {
    Tplanstate& s = state();
    Tfontrec& f = s.fonts[fontid];
    f.haslayout = true;
    f.lineheight = ascent + descent;
    f.leading = leading;
    s.planned = false;
}

void fontplanaddheight(uint16_t fontid, uint32_t height) {
    Tplanstate& s = state();
    uint32_t& m = s.maxheight[fontid];
    m = std::max(m, height);
    uint32_t c = height ? 65535u / height : UINT32_MAX;
    auto it = s.heightcap.find(fontid);
    if (it == s.heightcap.end()) s.heightcap.emplace(fontid, c);
    else it->second = std::min(it->second, c);
    s.planned = false;
}

void fontplanadduse(const Tfontuse& use) {
    Tplanstate& s = state();
    s.uses.push_back(use);
    s.planned = false;
}

uint32_t fontplandivisor(uint16_t fontid) {
    makeplan();
    const auto& d = state().divisor;
    auto it = d.find(fontid);
    return it == d.end() ? 0 : it->second;
}

void fontplanwritten(uint16_t fontid, uint32_t ratio) { state().written[fontid] = ratio; }

uint32_t fontplanfactor(uint16_t fontid) {
    const auto& w = state().written;
    auto it = w.find(fontid);
    if (it != w.end()) return it->second ? it->second : 1;
    uint32_t d = fontplandivisor(fontid);
    return d ? d : 1;
}

uint32_t fontplanwrittenratio(uint16_t fontid) {
    const auto& w = state().written;
    auto it = w.find(fontid);
    return it == w.end() ? 0 : it->second;
}

int32_t fontplanclassid(const std::string& fontclass) {
    Tplanstate& s = state();
    readclasses(s);
    auto it = s.classes.find(fontclass);
    return it == s.classes.end() ? -1 : it->second;
}

void fontplanclear() { state() = Tplanstate(); }
