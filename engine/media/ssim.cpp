#include "ssim.h"

#include <algorithm>
#include <utility>

namespace {
constexpr int kwindow = 8;
constexpr int kstep = 4;  // windows overlap by half: each 4 x 4 block is summed once

struct Tsums {
    uint32_t a = 0, b = 0, aa = 0, bb = 0, ab = 0;  // 64 pixels of 255 squared stay far below 2^32
    void add(const Tsums& o) {
        a += o.a;
        b += o.b;
        aa += o.aa;
        bb += o.bb;
        ab += o.ab;
    }
};

// rows(y) gives row y of both planes; windows only move down, so a source
// may keep just the last rows.
template <class Rows>
Tsums sumrect(Rows& rows, int x0, int y0, int w, int h) {
    Tsums s;
    for (int y = y0; y < y0 + h; ++y) {
        const auto [ra, rb] = rows(y);
        const uint8_t* pa = ra + size_t(x0);
        const uint8_t* pb = rb + size_t(x0);
        for (int x = 0; x < w; ++x) {
            const uint32_t va = pa[x], vb = pb[x];
            s.a += va;
            s.b += vb;
            s.aa += va * va;
            s.bb += vb * vb;
            s.ab += va * vb;
        }
    }
    return s;
}

double windowssim(const Tsums& s, double n) {
    const double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
    const double ma = s.a / n, mb = s.b / n;
    const double va = s.aa / n - ma * ma, vb = s.bb / n - mb * mb, cov = s.ab / n - ma * mb;
    return ((2 * ma * mb + c1) * (2 * cov + c2)) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
}

// Window origins along a side of n pixels: every kstep, and one flush with
// the far edge so that the last pixels count too.
std::vector<int> origins(int n, int window) {
    std::vector<int> o;
    for (int p = 0; p + window <= n; p += kstep) o.push_back(p);
    if (o.empty() || o.back() + window < n) o.push_back(n - window);
    return o;
}
template <class Rows>
double ssimof(Rows& rowsof, int width, int height) {
    const int ww = std::min(width, kwindow), wh = std::min(height, kwindow);
    const std::vector<int> xs = origins(width, ww), ys = origins(height, wh);
    const double n = double(ww) * wh;
    // Sums of whole 4 x 4 blocks; a window on the block grid is 2 x 2 of
    // them. Windows go down the plane, so two rows of blocks are enough.
    const int bx = width / kstep;
    const bool grid = ww == kwindow && wh == kwindow;
    std::vector<Tsums> rows[2];
    int rowat[2] = {-1, -1};
    auto blockrow = [&](int j) -> const std::vector<Tsums>& {
        std::vector<Tsums>& r = rows[j & 1];
        if (rowat[j & 1] != j) {
            r.resize(size_t(bx));
            for (int i = 0; i < bx; ++i) r[size_t(i)] = sumrect(rowsof, i * kstep, j * kstep, kstep, kstep);
            rowat[j & 1] = j;
        }
        return r;
    };
    double sum = 0;
    for (int y0 : ys) {
        const bool rowongrid = grid && y0 % kstep == 0;
        const std::vector<Tsums>* top = rowongrid ? &blockrow(y0 / kstep) : nullptr;
        const std::vector<Tsums>* bottom = rowongrid ? &blockrow(y0 / kstep + 1) : nullptr;
        for (int x0 : xs) {
            Tsums s;
            if (rowongrid && x0 % kstep == 0) {
                const size_t k = size_t(x0 / kstep);
                s = (*top)[k];
                s.add((*top)[k + 1]);
                s.add((*bottom)[k]);
                s.add((*bottom)[k + 1]);
            } else {
                s = sumrect(rowsof, x0, y0, ww, wh);
            }
            sum += windowssim(s, n);
        }
    }
    return sum / (double(xs.size()) * double(ys.size()));
}

// The last rows of a plane made a row at a time; a window spans 8 of them.
class Tringrows {
public:
    explicit Tringrows(int width) : width_(size_t(width)), buf_(width_ * kring), at_(kring, -1) {}
    template <class Make>
    const uint8_t* get(int y, Make&& make) {
        uint8_t* row = &buf_[width_ * size_t(y % kring)];
        if (at_[size_t(y % kring)] != y) {
            make(y, row);
            at_[size_t(y % kring)] = y;
        }
        return row;
    }

private:
    static constexpr int kring = 16;
    size_t width_;
    std::vector<uint8_t> buf_;
    std::vector<int> at_;
};

}  // namespace

double planessim(const uint8_t* a, const uint8_t* b, int width, int height) {
    if (!a || !b || width <= 0 || height <= 0) return -1.0;
    const size_t stride = size_t(width);
    auto rows = [&](int y) { return std::pair(a + size_t(y) * stride, b + size_t(y) * stride); };
    return ssimof(rows, width, height);
}

std::vector<uint8_t> canvasluma(const std::vector<uint8_t>& canvas, int width, int height) {
    std::vector<uint8_t> y;
    if (width <= 0 || height <= 0) return y;
    const size_t n = size_t(width) * size_t(height);
    if (canvas.size() < n * 3) return y;
    y.resize(n);
    const uint8_t* p = canvas.data();
    for (size_t i = 0; i < n; ++i, p += 3) y[i] = uint8_t((299 * p[0] + 587 * p[1] + 114 * p[2] + 500) / 1000);
    return y;
}

double chroma420ssim(const std::vector<uint8_t>& canvas, int width, int height) {
    if (width <= 0 || height <= 0) return -1;
    const size_t n = size_t(width) * size_t(height);
    if (canvas.size() < n * 3) return -1;
    const int hw = (width + 1) / 2, hh = (height + 1) / 2;
    // A plane is made a row at a time beside the same rows halved by 2 x 2
    // means and brought back with the triangle filter of libjpeg's smooth
    // upsampling (weights 9, 3, 3, 1 from the nearest sample outward, edges
    // repeated). Only the halved plane is whole: a large picture's full
    // planes would cost as much as its canvas.
    auto planessim420 = [&](double r, double g, double b) {
        auto value = [&](int x, int y) {
            const uint8_t* p = &canvas[(size_t(y) * size_t(width) + size_t(x)) * 3];
            return uint8_t(std::clamp(128 + r * p[0] + g * p[1] + b * p[2] + 0.5, 0.0, 255.0));
        };
        std::vector<uint16_t> half(size_t(hw) * size_t(hh));
        for (int j = 0; j < hh; ++j)
            for (int i = 0; i < hw; ++i) {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) sum += value(std::min(2 * i + dx, width - 1), std::min(2 * j + dy, height - 1));
                half[size_t(j) * hw + i] = uint16_t(sum);  // 4 x the mean
            }
        auto at = [&](int i, int j) {
            i = std::clamp(i, 0, hw - 1);
            j = std::clamp(j, 0, hh - 1);
            return half[size_t(j) * hw + i];
        };
        auto planerow = [&](int y, uint8_t* row) {
            for (int x = 0; x < width; ++x) row[x] = value(x, y);
        };
        auto backrow = [&](int y, uint8_t* row) {
            const int j = y / 2, nj = y % 2 ? j + 1 : j - 1;
            for (int x = 0; x < width; ++x) {
                const int i = x / 2, ni = x % 2 ? i + 1 : i - 1;
                const int v = 9 * at(i, j) + 3 * at(ni, j) + 3 * at(i, nj) + at(ni, nj);  // 64 x the value
                row[x] = uint8_t(std::min(255, (v + 32) / 64));
            }
        };
        Tringrows plane(width), back(width);
        auto rows = [&](int y) { return std::pair(plane.get(y, planerow), back.get(y, backrow)); };
        return ssimof(rows, width, height);
    };
    const double cb = planessim420(-0.168736, -0.331264, 0.5);
    return std::min(cb, planessim420(0.5, -0.418688, -0.081312));
}
