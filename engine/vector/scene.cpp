#include "scene.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "../core/container.h"
#include "../core/pascal_com.h"
#include "../core/swftag.h"
#include "registry.h"

using namespace pascal_com;

namespace {

struct Tedge {
    uint16_t child, parent;
    bool bitmap;
    float norm, sx, sy;
};

// Chains of placements multiply; past this nothing is drawn any finer.
constexpr double kscalelimit = 1e6;

struct Tscenestate {
    std::vector<Tedge> edges;
    std::vector<uint16_t> scripted;
    bool planned = false;
    std::vector<double> scale;    // per id up to the highest one planned, after planning
    std::vector<uint8_t> reach;   // per id up to the highest one planned, after planning
    std::unordered_map<uint16_t, std::pair<double, double>> bitmaps;
};

Tscenestate& state() {
    static Tscenestate s;
    return s;
}

// Offsets into a list sorted by key, one slot per id up to ids: items of id
// k are [first[k], first[k + 1]).
template <typename Key>
std::vector<uint32_t> bucket(const std::vector<Tedge>& edges, std::vector<uint32_t>& order, Key key, size_t ids) {
    std::vector<uint32_t> first(ids + 1, 0);
    for (const Tedge& e : edges) ++first[key(e) + 1];
    for (size_t k = 1; k < first.size(); ++k) first[k] += first[k - 1];
    order.assign(edges.size(), 0);
    std::vector<uint32_t> at(first.begin(), first.end() - 1);
    for (uint32_t i = 0; i < edges.size(); ++i) order[at[key(edges[i])]++] = i;
    return first;
}

void plan() {
    Tscenestate& s = state();
    if (s.planned) return;
    s.planned = true;
    s.bitmaps.clear();

    std::vector<uint16_t> roots = s.scripted;
    for (uint32_t i = 0; i < length(tags); ++i)
        if (tags[i] && issymboltag(tags[i]->tagcode)) symbolids(tags[i], roots);
    // Tables as long as the highest id in play, not the whole id range: a
    // small movie pays for its own ids only.
    size_t ids = 1;
    for (const Tedge& e : s.edges) ids = std::max<size_t>(ids, std::max(e.child, e.parent) + size_t(1));
    for (uint16_t r : roots) ids = std::max<size_t>(ids, r + size_t(1));
    s.scale.assign(ids, 0.0);
    s.reach.assign(ids, 0);

    // What scripts reach: down from each root through what it shows.
    std::vector<uint32_t> bychild, byparent;
    const std::vector<uint32_t> down = bucket(s.edges, byparent, [](const Tedge& e) { return e.parent; }, ids);
    std::vector<uint16_t> queue;
    for (uint16_t r : roots)
        if (!s.reach[r]) {
            s.reach[r] = 1;
            queue.push_back(r);
        }
    while (!queue.empty()) {
        const uint16_t id = queue.back();
        queue.pop_back();
        // The main timeline is no character a script could attach.
        if (id == 0) continue;
        for (uint32_t k = down[id]; k < down[id + 1]; ++k) {
            const uint16_t c = s.edges[byparent[k]].child;
            if (!s.reach[c]) {
                s.reach[c] = 1;
                queue.push_back(c);
            }
        }
    }

    // Display scales: each character takes the largest of its parents'
    // scales times its placement's, depth first without recursion (nesting
    // can be as deep as there are sprites). A cycle, which no player draws,
    // adds nothing.
    const std::vector<uint32_t> up = bucket(s.edges, bychild, [](const Tedge& e) { return e.child; }, ids);
    std::vector<uint8_t> mark(ids, 0);  // 0 new, 1 on the stack, 2 done
    struct Tframe {
        uint16_t id;
        uint32_t next;
    };
    std::vector<Tframe> stack;
    auto start = [&](uint16_t id) {
        mark[id] = 1;
        s.scale[id] = s.reach[id] ? 1.0 : 0.0;
        stack.push_back({id, up[id]});
    };
    // An id no edge leads to keeps the scale start gives it; walking only the
    // others, in the same ascending order, leaves every result as it was.
    for (uint16_t r : roots)
        if (r && s.reach[r]) s.scale[r] = 1.0;
    for (uint32_t k = 0; k < bychild.size(); ++k) {
        const uint16_t id = s.edges[bychild[k]].child;
        if (id == 0 || mark[id]) continue;
        start(id);
        while (!stack.empty()) {
            Tframe& f = stack.back();
            if (f.next == up[f.id + 1]) {
                mark[f.id] = 2;
                stack.pop_back();
                continue;
            }
            const Tedge& e = s.edges[bychild[f.next]];
            if (e.bitmap) {
                ++f.next;
                continue;
            }
            double from;
            if (e.parent == 0) {
                from = 1.0;
            } else if (mark[e.parent] == 0) {
                start(e.parent);  // come back to this edge when it is done
                continue;
            } else {
                from = mark[e.parent] == 2 ? s.scale[e.parent] : 0.0;
            }
            const double v = std::min(kscalelimit, from * e.norm);
            double& mine = s.scale[f.id];
            if (v > mine) mine = v;
            ++f.next;
        }
    }

    for (const Tedge& e : s.edges) {
        if (!e.bitmap) continue;
        const double from = s.scale[e.parent];
        auto& b = s.bitmaps[e.child];
        // Scripts may show the drawing at any size: keep every pixel.
        if (s.reach[e.parent]) {
            b.first = std::max(1.0, b.first);
            b.second = std::max(1.0, b.second);
        }
        b.first = std::max(b.first, std::min(kscalelimit, from * e.sx));
        b.second = std::max(b.second, std::min(kscalelimit, from * e.sy));
    }
}

}  // namespace

void symbolids(const Tswftag* t, std::vector<uint16_t>& ids) {
    // A count, then (id, name) pairs.
    const unsigned char* b = t->rawbody;
    const uint32_t n = length(b);
    if (n < 2) return;
    const uint32_t count = b[0] | b[1] << 8;
    uint32_t pos = 2;
    for (uint32_t i = 0; i < count && pos + 2 <= n; ++i) {
        ids.push_back(uint16_t(b[pos] | b[pos + 1] << 8));
        pos += 2;
        while (pos < n && b[pos]) ++pos;
        ++pos;
    }
}

double matrixnorm(const MATRIX& m) {
    const auto [a, b, c, d] = matrixlinear(m);
    const double sum = a * a + b * b + c * c + d * d;
    const double det = a * d - b * c;
    return std::sqrt((sum + std::sqrt(std::max(0.0, sum * sum - 4 * det * det))) / 2);
}

void sceneaddedge(uint16_t child, uint16_t parent, const MATRIX& m, bool bitmap) {
    Tscenestate& s = state();
    Tedge e{child, parent, bitmap, float(matrixnorm(m)), 0.0f, 0.0f};
    if (bitmap) {
        // Per axis, relative to natural size (one pixel per 20 twips).
        const auto [a, b, c, d] = matrixlinear(m);
        e.sx = float(std::sqrt(a * a + b * b) / 20.0);
        e.sy = float(std::sqrt(d * d + c * c) / 20.0);
    }
    s.edges.push_back(e);
    s.planned = false;
}

void sceneaddscripted(uint16_t id) {
    state().scripted.push_back(id);
    state().planned = false;
}

double scenescale(uint16_t id) {
    plan();
    const auto& v = state().scale;
    return id < v.size() ? v[id] : 0.0;
}

bool scenescripted(uint16_t id) {
    plan();
    const auto& v = state().reach;
    return id < v.size() && v[id] != 0;
}

void scenebitmapscale(uint16_t id, double& sx, double& sy) {
    plan();
    const auto& b = state().bitmaps;
    auto it = b.find(id);
    sx = it == b.end() ? 0.0 : it->second.first;
    sy = it == b.end() ? 0.0 : it->second.second;
}

void sceneclear() {
    Tscenestate& s = state();
    s.edges.clear();
    s.scripted.clear();
    s.planned = false;
    s.scale.clear();
    s.reach.clear();
    s.bitmaps.clear();
}
