#include "shapesimplify.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "../core/params.h"

using namespace pascal_com;

namespace {

constexpr double kquarterpixel = 5.0;  // twips at natural size
constexpr int kmaxchain = 256;         // edges simplified together at most: keeps the cost linear
constexpr int kmaxmerge = 8;           // curves merged into one at most
constexpr int ksamples = 8;            // samples per curve when measuring how far curves part

struct Tpt {
    int64_t x, y;
    bool operator==(const Tpt&) const = default;
};

// An edge field holds at most 17 signed bits.
bool fits(int64_t v) { return v >= -65536 && v <= 65535; }
bool fits(const Tpt& a, const Tpt& b) { return fits(b.x - a.x) && fits(b.y - a.y); }

double segdist(double px, double py, const Tpt& a, const Tpt& b) {
    const double vx = double(b.x - a.x), vy = double(b.y - a.y);
    const double wx = px - double(a.x), wy = py - double(a.y);
    const double len2 = vx * vx + vy * vy;
    double t = len2 > 0 ? (wx * vx + wy * vy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(wx - t * vx, wy - t * vy);
}
double segdist(const Tpt& p, const Tpt& a, const Tpt& b) { return segdist(double(p.x), double(p.y), a, b); }

void setstraight(SHAPERECORD& r, int64_t dx, int64_t dy) {
    r.Kind = SHAPEREC_STRAIGHT;
    r.DeltaX = int32_t(dx);
    r.DeltaY = int32_t(dy);
    r.GeneralLineFlag = dx != 0 && dy != 0;
    r.VertLineFlag = dx == 0;
}

uint64_t mix(uint64_t k) {
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdULL;
    k ^= k >> 33;
    k *= 0xc4ceb9fe1a85ec53ULL;
    k ^= k >> 33;
    return k;
}

// Which keys occur more than once. Keys are dealt into buckets by hash first,
// so that every sort works within the cache however large the shape.
std::vector<uint8_t> repeated(const std::vector<uint64_t>& keys) {
    const size_t n = keys.size();
    std::vector<uint8_t> rep(n, 0);
    int bits = 0;
    while ((size_t(1) << bits) * 1024 < n && bits < 24) ++bits;
    const size_t buckets = size_t(1) << bits;
    auto bucket = [bits](uint64_t k) { return bits ? size_t(mix(k) >> (64 - bits)) : size_t(0); };
    std::vector<size_t> start(buckets + 1, 0);
    for (uint64_t k : keys) ++start[bucket(k) + 1];
    for (size_t b = 0; b < buckets; ++b) start[b + 1] += start[b];
    std::vector<std::pair<uint64_t, uint32_t>> items(n);
    std::vector<size_t> next(start.begin(), start.end() - 1);
    for (size_t i = 0; i < n; ++i) items[next[bucket(keys[i])]++] = {keys[i], uint32_t(i)};
    for (size_t b = 0; b < buckets; ++b) {
        auto first = items.begin() + ptrdiff_t(start[b]), last = items.begin() + ptrdiff_t(start[b + 1]);
        std::sort(first, last);
        for (auto i = first; i != last;) {
            auto j = i + 1;
            while (j != last && j->first == i->first) ++j;
            if (j - i > 1)
                for (auto k = i; k != j; ++k) rep[k->second] = 1;
            i = j;
        }
    }
    return rep;
}

uint64_t pointkey(const Tpt& p) { return uint64_t(uint32_t(int32_t(p.x))) << 32 | uint32_t(int32_t(p.y)); }

// ---- style changes that change nothing

// A flag that sets the style already in use goes, and so does a move to where
// the pen is when no stroke follows; a record left with nothing to do goes
// too, unless a stroke runs through it (a stroke cut in two there gets caps
// instead of a join).
void dropidlestyles(SHAPERECORD* records) {
    int64_t fill0 = 0, fill1 = 0, line = 0;  // -1: not known
    int64_t x = 0, y = 0;
    for (uint32_t i = 0; i < length(records); ++i) {
        SHAPERECORD& r = records[i];
        if (r.Kind == SHAPEREC_STRAIGHT) {
            x += r.DeltaX;
            y += r.DeltaY;
            continue;
        }
        if (r.Kind == SHAPEREC_CURVED) {
            x += int64_t(r.ControlDeltaX) + r.AnchorDeltaX;
            y += int64_t(r.ControlDeltaY) + r.AnchorDeltaY;
            continue;
        }
        if (r.Kind != SHAPEREC_STYLECHANGE) continue;
        const bool idlemove = r.StateMoveTo && r.MoveDeltaX == x && r.MoveDeltaY == y &&
                              (r.StateLineStyle ? int64_t(r.LineStyle) : line) == 0;
        if (r.StateMoveTo) {
            x = r.MoveDeltaX;
            y = r.MoveDeltaY;
        }
        if (r.StateNewStyles) {
            fill0 = r.StateFillStyle0 ? int64_t(r.FillStyle0) : -1;
            fill1 = r.StateFillStyle1 ? int64_t(r.FillStyle1) : -1;
            line = r.StateLineStyle ? int64_t(r.LineStyle) : -1;
            continue;
        }
        const bool idle0 = r.StateFillStyle0 && r.FillStyle0 == fill0;
        const bool idle1 = r.StateFillStyle1 && r.FillStyle1 == fill1;
        const bool idleline = r.StateLineStyle && r.LineStyle == line;
        const bool stroke = line != 0;
        const bool others = (r.StateMoveTo && !idlemove) || (r.StateFillStyle0 && !idle0) ||
                            (r.StateFillStyle1 && !idle1) || (r.StateLineStyle && !idleline);
        if (!others && stroke) {
            if (r.StateFillStyle0) fill0 = r.FillStyle0;
            if (r.StateFillStyle1) fill1 = r.FillStyle1;
            continue;
        }
        if (!others) {
            r.Kind = SHAPEREC_DROPPED;
            continue;
        }
        if (idlemove) r.StateMoveTo = 0;
        if (idle0) r.StateFillStyle0 = 0;
        if (idle1) r.StateFillStyle1 = 0;
        if (idleline && (r.StateMoveTo || !stroke)) r.StateLineStyle = 0;
        if (r.StateFillStyle0) fill0 = r.FillStyle0;
        if (r.StateFillStyle1) fill1 = r.FillStyle1;
        if (r.StateLineStyle) line = r.LineStyle;
    }
}

// ---- curves

struct Tquad {
    double x0, y0, cx, cy, x1, y1;
    void at(double t, double& x, double& y) const {
        const double u = 1 - t;
        x = u * u * x0 + 2 * u * t * cx + t * t * x1;
        y = u * u * y0 + 2 * u * t * cy + t * t * y1;
    }
    // Distance from (px, py) to the nearest point of the curve: the best of a
    // few samples, refined by Newton steps.
    double dist(double px, double py) const {
        double best = 1e300, bt = 0;
        for (int k = 0; k <= ksamples; ++k) {
            double x, y;
            const double t = double(k) / ksamples;
            at(t, x, y);
            const double d = (x - px) * (x - px) + (y - py) * (y - py);
            if (d < best) best = d, bt = t;
        }
        const double ax = x1 - 2 * cx + x0, ay = y1 - 2 * cy + y0;
        for (int it = 0; it < 4; ++it) {
            double x, y;
            at(bt, x, y);
            const double dx = 2 * ((1 - bt) * (cx - x0) + bt * (x1 - cx)), dy = 2 * ((1 - bt) * (cy - y0) + bt * (y1 - cy));
            const double g = (x - px) * dx + (y - py) * dy;
            const double h = dx * dx + dy * dy + 2 * ((x - px) * ax + (y - py) * ay);
            if (!(h > 0)) break;
            const double t = std::clamp(bt - g / h, 0.0, 1.0);
            at(t, x, y);
            const double d = (x - px) * (x - px) + (y - py) * (y - py);
            if (!(d < best)) break;
            best = d;
            bt = t;
        }
        return std::sqrt(best);
    }
};

// One curve for the curves in [first, last), if it stays within tol of them
// and they of it: tangent to the first at its start and to the last at its end.
bool fitcurves(const std::vector<Tquad>& q, size_t first, size_t last, double tol, Tpt& control) {
    const Tquad &a = q[first], &b = q[last - 1];
    const double d0x = a.cx - a.x0, d0y = a.cy - a.y0, d1x = b.x1 - b.cx, d1y = b.y1 - b.cy;
    const double ex = b.x1 - a.x0, ey = b.y1 - a.y0;
    const double den = d0x * d1y - d0y * d1x;
    if (std::abs(den) < 1e-9) return false;
    const double t = (ex * d1y - ey * d1x) / den, s = (d0x * ey - d0y * ex) / den;
    if (!(t > 0) || !(s > 0)) return false;
    const double cx = std::round(a.x0 + t * d0x), cy = std::round(a.y0 + t * d0y);
    if (!(std::abs(cx) < 2e9 && std::abs(cy) < 2e9)) return false;
    control = {int64_t(cx), int64_t(cy)};
    const Tpt p0{int64_t(a.x0), int64_t(a.y0)}, p1{int64_t(b.x1), int64_t(b.y1)};
    if (!fits(p0, control) || !fits(control, p1)) return false;
    const Tquad m{a.x0, a.y0, cx, cy, b.x1, b.y1};
    // Sampling misses the peaks between samples: keep a margin.
    const double limit = tol * 0.9;
    for (size_t i = first + 1; i < last; ++i)
        if (!(m.dist(q[i].x0, q[i].y0) < limit)) return false;
    for (size_t i = first; i < last; ++i)
        for (int k = 1; k < ksamples; ++k) {
            double x, y;
            q[i].at(double(k) / ksamples, x, y);
            if (!(m.dist(x, y) < limit)) return false;
        }
    const size_t count = last - first;
    const int samples = int(count) * ksamples;
    for (int k = 1; k < samples; ++k) {
        double x, y;
        m.at(double(k) / samples, x, y);
        // The curve its parameter points at first; all of them only if need be.
        const size_t guess = first + std::min(count - 1, size_t(k / ksamples));
        bool near = q[guess].dist(x, y) < limit;
        for (size_t i = first; i < last && !near; ++i) near = q[i].dist(x, y) < limit;
        if (!near) return false;
    }
    return true;
}

// ---- one run of edges between style changes and moves

class Trun {
public:
    Trun(SHAPERECORD* r, const std::vector<Tpt>& at, const std::vector<uint8_t>& pinned, const Tsimplifyrule& rule)
        : r_(r), at_(at), pinned_(pinned), rule_(rule) {}

    // edges: the record indices of one run, in order.
    void simplify(const std::vector<uint32_t>& edges) {
        edges_ = &edges;
        // Merged curves are not straightened too: the errors would add up.
        merged_.assign(edges.size(), 0);
        if (rule_.curves > 0) mergecurves();
        if (rule_.straight > 0) straighten();
        if (rule_.dup || rule_.angle > 0) straightchains();
    }

private:
    Tpt start(size_t j) const { return at_[(*edges_)[j]]; }
    Tpt end(size_t j) const { return at_[(*edges_)[j] + 1]; }
    // The point between edge j - 1 and edge j may be dropped.
    bool free(size_t j) const { return !pinned_[(*edges_)[j - 1] + 1]; }

    void straighten() {
        const std::vector<uint32_t>& e = *edges_;
        controls_.assign(e.size(), Tpt{0, 0});
        straightened_.assign(e.size(), 0);
        for (size_t j = 0; j < e.size(); ++j) {
            SHAPERECORD& r = r_[e[j]];
            if (r.Kind != SHAPEREC_CURVED || merged_[j]) continue;
            const Tpt p = start(j), q = end(j);
            const Tpt c{p.x + r.ControlDeltaX, p.y + r.ControlDeltaY};
            if (p == q || !fits(p, q) || !(segdist(c, p, q) < rule_.straight)) continue;
            controls_[j] = c;
            straightened_[j] = 1;
            setstraight(r, q.x - p.x, q.y - p.y);
        }
    }

    void mergecurves() {
        const std::vector<uint32_t>& e = *edges_;
        std::vector<Tquad> q;
        size_t j = 0;
        while (j < e.size()) {
            if (r_[e[j]].Kind != SHAPEREC_CURVED) {
                ++j;
                continue;
            }
            // A stretch of curves joined at points nothing else uses.
            size_t k = j + 1;
            while (k < e.size() && r_[e[k]].Kind == SHAPEREC_CURVED && free(k)) ++k;
            q.clear();
            for (size_t i = j; i < k; ++i) {
                const SHAPERECORD& r = r_[e[i]];
                const Tpt p = start(i);
                const double cx = double(p.x + r.ControlDeltaX), cy = double(p.y + r.ControlDeltaY);
                q.push_back({double(p.x), double(p.y), cx, cy, cx + r.AnchorDeltaX, cy + r.AnchorDeltaY});
            }
            size_t first = 0;
            while (first < q.size()) {
                size_t last = first + 1;
                Tpt control{}, best{};
                while (last < q.size() && last - first < size_t(kmaxmerge) &&
                       fitcurves(q, first, last + 1, rule_.curves, control)) {
                    best = control;
                    ++last;
                }
                if (last - first > 1) {
                    SHAPERECORD& r = r_[e[j + first]];
                    const Tpt p = start(j + first), t = end(j + last - 1);
                    r.ControlDeltaX = int32_t(best.x - p.x);
                    r.ControlDeltaY = int32_t(best.y - p.y);
                    r.AnchorDeltaX = int32_t(t.x - best.x);
                    r.AnchorDeltaY = int32_t(t.y - best.y);
                    for (size_t i = first + 1; i < last; ++i) r_[e[j + i]].Kind = SHAPEREC_DROPPED;
                    merged_[j + first] = 1;
                }
                first = last;
            }
            j = k;
        }
    }

    void straightchains() {
        const std::vector<uint32_t>& e = *edges_;
        size_t j = 0;
        while (j < e.size()) {
            if (r_[e[j]].Kind != SHAPEREC_STRAIGHT) {
                ++j;
                continue;
            }
            size_t k = j + 1;
            while (k < e.size() && r_[e[k]].Kind == SHAPEREC_STRAIGHT) ++k;
            if (k - j > 1) chain(j, k);
            j = k;
        }
    }

    // Straight edges [j, k): vertex i is the start of edge j + i, vertex k - j the end.
    void chain(size_t j, size_t k) {
        const size_t m = k - j;
        v_.resize(m + 1);
        for (size_t i = 0; i < m; ++i) v_[i] = start(j + i);
        v_[m] = end(k - 1);
        keep_.assign(m + 1, 1);
        if (rule_.angle > 0) {
            size_t a = 0;
            for (size_t i = 1; i <= m; ++i) {
                if (i < m && free(j + i) && i - a < size_t(kmaxchain) && smoothturn(v_[i - 1], v_[i], v_[i + 1])) continue;
                peucker(j, a, i);
                a = i;
            }
        }
        if (rule_.dup) {
            size_t p = 0;
            for (size_t i = 1; i < m; ++i) {
                if (!keep_[i]) continue;
                size_t q = i + 1;
                while (!keep_[q]) ++q;
                if (collinear(v_[p], v_[i], v_[q]) && fits(v_[p], v_[q])) keep_[i] = 0;
                else p = i;
            }
        }
        size_t p = 0;
        for (size_t i = 1; i <= m; ++i) {
            if (!keep_[i]) {
                r_[e(j + i)].Kind = SHAPEREC_DROPPED;
                continue;
            }
            setstraight(r_[e(j + p)], v_[i].x - v_[p].x, v_[i].y - v_[p].y);
            p = i;
        }
    }
    uint32_t e(size_t j) const { return (*edges_)[j]; }

    bool smoothturn(const Tpt& a, const Tpt& b, const Tpt& c) const {
        const double ux = double(b.x - a.x), uy = double(b.y - a.y), wx = double(c.x - b.x), wy = double(c.y - b.y);
        const double turn = std::atan2(std::abs(ux * wy - uy * wx), ux * wx + uy * wy) * (180 / std::numbers::pi);
        return turn < rule_.angle;
    }
    static bool collinear(const Tpt& a, const Tpt& b, const Tpt& c) {
        const int64_t ux = b.x - a.x, uy = b.y - a.y, wx = c.x - b.x, wy = c.y - b.y;
        return ux * wy == uy * wx && ux * wx + uy * wy > 0;
    }

    // Douglas-Peucker over vertices [a, b] of the chain starting at edge j:
    // a vertex stays when dropping it would leave it, or the control point of
    // a curve straightened here, at the bound or beyond.
    void peucker(size_t j, size_t a, size_t b) {
        for (size_t i = a + 1; i < b; ++i) keep_[i] = 0;
        stack_.clear();
        stack_.push_back({a, b});
        while (!stack_.empty()) {
            auto [s, t] = stack_.back();
            stack_.pop_back();
            if (t - s < 2) continue;
            size_t far = s + 1;
            double worst = -1, farthest = -1;
            if (v_[s] == v_[t] || !fits(v_[s], v_[t])) {
                far = (s + t) / 2;
                worst = rule_.bound;
            } else {
                for (size_t i = s + 1; i < t; ++i) {
                    const double d = segdist(v_[i], v_[s], v_[t]);
                    if (d > farthest) farthest = d, far = i;
                }
                worst = farthest;
                if (!straightened_.empty())
                    for (size_t i = s; i < t; ++i)
                        if (straightened_[j + i]) worst = std::max(worst, segdist(controls_[j + i], v_[s], v_[t]));
            }
            if (worst < rule_.bound) continue;
            keep_[far] = 1;
            stack_.push_back({s, far});
            stack_.push_back({far, t});
        }
    }

    SHAPERECORD* r_;
    const std::vector<Tpt>& at_;
    const std::vector<uint8_t>& pinned_;
    const Tsimplifyrule& rule_;
    const std::vector<uint32_t>* edges_ = nullptr;
    std::vector<Tpt> controls_, v_;
    std::vector<uint8_t> straightened_, merged_, keep_;
    std::vector<std::pair<size_t, size_t>> stack_;
};

}  // namespace

Tsimplifyrule simplifyrule(const Tparams& p, double scale, int k) {
    Tsimplifyrule r;
    if (!(scale > 0) || k < 1) return r;
    r.bound = kquarterpixel / (scale * k);
    r.dup = p.Sha_Idup != 0;
    if (p.Sha_PenOpt && p.Sha_PenAngle > 0) r.angle = std::min(p.Sha_PenAngle, 180);
    if (p.Sha_ForceStraight && p.Sha_ForceStraightValue > 0) r.straight = r.bound;
    if (p.Sha_ForceCurAngle > 0) r.curves = p.Sha_ForceCurAngle == 1 ? r.bound / 2 : r.bound;
    return r;
}

void SHAPERECORDsimplify(SHAPERECORD* records, const Tsimplifyrule& rule) {
    if (!rule.any() || !(rule.bound > 0)) return;
    const uint32_t n = length(records);
    if (rule.dup) dropidlestyles(records);

    // The pen before every record, and after the last.
    std::vector<Tpt> at(size_t(n) + 1);
    Tpt pen{0, 0};
    for (uint32_t i = 0; i < n; ++i) {
        at[i] = pen;
        const SHAPERECORD& r = records[i];
        if (r.Kind == SHAPEREC_STYLECHANGE && r.StateMoveTo) pen = {r.MoveDeltaX, r.MoveDeltaY};
        else if (r.Kind == SHAPEREC_STRAIGHT) pen = {pen.x + r.DeltaX, pen.y + r.DeltaY};
        else if (r.Kind == SHAPEREC_CURVED)
            pen = {pen.x + r.ControlDeltaX + r.AnchorDeltaX, pen.y + r.ControlDeltaY + r.AnchorDeltaY};
    }
    at[n] = pen;

    // pinned[i + 1]: the pen after record i is a point the shape reaches more
    // than once. Only simplifications that drop points off the line need it.
    std::vector<uint8_t> pinned(size_t(n) + 1, 0);
    if (rule.angle > 0 || rule.curves > 0) {
        std::vector<uint64_t> keys;
        std::vector<uint32_t> owner;
        keys.reserve(size_t(n) + 1);
        owner.reserve(size_t(n) + 1);
        keys.push_back(pointkey(at[0]));
        owner.push_back(0);
        for (uint32_t i = 0; i < n; ++i) {
            const SHAPERECORD& r = records[i];
            if (r.Kind == SHAPEREC_STRAIGHT || r.Kind == SHAPEREC_CURVED ||
                (r.Kind == SHAPEREC_STYLECHANGE && r.StateMoveTo)) {
                keys.push_back(pointkey(at[i + 1]));
                owner.push_back(i + 1);
            }
        }
        const std::vector<uint8_t> rep = repeated(keys);
        for (size_t i = 0; i < keys.size(); ++i)
            if (rep[i]) pinned[owner[i]] = 1;
    }

    Trun run(records, at, pinned, rule);
    std::vector<uint32_t> edges;
    for (uint32_t i = 0; i <= n; ++i) {
        const uint8_t kind = i < n ? records[i].Kind : uint8_t(SHAPEREC_END);
        if (kind == SHAPEREC_STRAIGHT || kind == SHAPEREC_CURVED) {
            edges.push_back(i);
        } else if (kind != SHAPEREC_DROPPED) {
            if (edges.size() > 1 || (edges.size() == 1 && rule.straight > 0)) run.simplify(edges);
            edges.clear();
        }
    }
}
