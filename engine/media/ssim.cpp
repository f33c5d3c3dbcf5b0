#include "ssim.h"

#include <algorithm>

namespace {
constexpr int kwindow = 8;
constexpr int kstep = 4;

// Window origins along a side of n pixels: every kstep, and one flush with
// the far edge so that the last pixels count too.
std::vector<int> origins(int n, int window) {
    std::vector<int> o;
    for (int p = 0; p + window <= n; p += kstep) o.push_back(p);
    if (o.empty() || o.back() + window < n) o.push_back(n - window);
    return o;
}
}  // namespace

double planessim(const uint8_t* a, const uint8_t* b, int width, int height) {
    if (!a || !b || width <= 0 || height <= 0) return -1.0;
    const int ww = std::min(width, kwindow), wh = std::min(height, kwindow);
    const std::vector<int> xs = origins(width, ww), ys = origins(height, wh);
    const double n = double(ww) * wh;
    const double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
    const size_t stride = size_t(width);
    double sum = 0;
    for (int y0 : ys) {
        for (int x0 : xs) {
            // Integer sums: 64 pixels of 255 squared stay far below 2^32.
            uint32_t sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
            for (int y = y0; y < y0 + wh; ++y) {
                const uint8_t* pa = a + size_t(y) * stride + size_t(x0);
                const uint8_t* pb = b + size_t(y) * stride + size_t(x0);
                for (int x = 0; x < ww; ++x) {
                    const uint32_t va = pa[x], vb = pb[x];
                    sa += va;
                    sb += vb;
                    saa += va * va;
                    sbb += vb * vb;
                    sab += va * vb;
                }
            }
            const double ma = sa / n, mb = sb / n;
            const double va = saa / n - ma * ma, vb = sbb / n - mb * mb, cov = sab / n - ma * mb;
            sum += ((2 * ma * mb + c1) * (2 * cov + c2)) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
        }
    }
    return sum / (double(xs.size()) * double(ys.size()));
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
