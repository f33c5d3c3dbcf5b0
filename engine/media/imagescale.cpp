#include "imagescale.h"

#include <algorithm>
#include <cstring>

std::vector<uint32_t> scaleindex(int from, int n) {
    std::vector<uint32_t> index(n > 0 ? size_t(n) : 0);
    if (from <= 0 || n <= 0) return index;
    for (int i = 0; i < n; ++i) {
        // (2 * from * i + n) / (2n) is from * i / n rounded half up; all
        // terms are non-negative, so half up is half away from zero.
        uint64_t v = (2 * uint64_t(from) * uint64_t(i) + uint64_t(n)) / (2 * uint64_t(n));
        index[size_t(i)] = uint32_t(v < uint64_t(from) ? v : uint64_t(from) - 1);
    }
    return index;
}

void Canvas24Scale(std::vector<uint8_t>& canvas, int& width, int& height, int newwidth, int newheight) {
    if (width <= 0 || height <= 0 || newwidth <= 0 || newheight <= 0) return;
    if (canvas.size() < size_t(width) * size_t(height) * 3) return;
    const std::vector<uint32_t> xs = scaleindex(width, newwidth), ys = scaleindex(height, newheight);
    std::vector<uint8_t> out(size_t(newwidth) * size_t(newheight) * 3);
    const size_t srcstride = size_t(width) * 3;
    uint8_t* d = out.data();
    for (int y = 0; y < newheight; ++y) {
        const uint8_t* row = canvas.data() + srcstride * ys[size_t(y)];
        if (newwidth == width) {
            std::memcpy(d, row, srcstride);
            d += srcstride;
            continue;
        }
        for (int x = 0; x < newwidth; ++x) {
            const uint8_t* s = row + size_t(xs[size_t(x)]) * 3;
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            d += 3;
        }
    }
    canvas.swap(out);
    width = newwidth;
    height = newheight;
}

void AlphaResize(const std::vector<uint8_t>& source, std::vector<uint8_t>& result, int oldwidth, int oldheight,
                 int newwidth, int newheight) {
    result.clear();
    if (oldwidth <= 0 || oldheight <= 0 || newwidth <= 0 || newheight <= 0) return;
    if (source.size() < size_t(oldwidth) * size_t(oldheight)) return;
    const std::vector<uint32_t> xs = scaleindex(oldwidth, newwidth), ys = scaleindex(oldheight, newheight);
    result.resize(size_t(newwidth) * size_t(newheight));
    uint8_t* d = result.data();
    for (int y = 0; y < newheight; ++y) {
        const uint8_t* row = source.data() + size_t(oldwidth) * ys[size_t(y)];
        for (int x = 0; x < newwidth; ++x) *d++ = row[xs[size_t(x)]];
    }
}

namespace {

// First source position of each of n cells over from positions, and the end.
std::vector<uint32_t> cellbounds(int from, int n) {
    std::vector<uint32_t> b(size_t(n) + 1);
    for (int i = 0; i <= n; ++i) b[size_t(i)] = uint32_t(uint64_t(from) * uint64_t(i) / uint64_t(n));
    return b;
}

// Averages `channels` interleaved bytes per pixel over the cells: one pass
// over the source, each pixel added to its cell's sums.
template <int channels>
void boxscale(const uint8_t* src, int width, int height, uint8_t* dst, int newwidth, int newheight) {
    const std::vector<uint32_t> xs = cellbounds(width, newwidth), ys = cellbounds(height, newheight);
    std::vector<uint32_t> cellof(size_t(width) * channels);
    for (int x = 0; x < newwidth; ++x)
        for (uint32_t sx = xs[size_t(x)]; sx < xs[size_t(x) + 1]; ++sx)
            for (int c = 0; c < channels; ++c) cellof[size_t(sx) * channels + c] = uint32_t(x) * channels + c;
    std::vector<uint32_t> sums(size_t(newwidth) * channels);
    const size_t stride = size_t(width) * channels;
    for (int y = 0; y < newheight; ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        const uint32_t y0 = ys[size_t(y)], y1 = ys[size_t(y) + 1];
        for (uint32_t sy = y0; sy < y1; ++sy) {
            const uint8_t* row = src + stride * sy;
            for (size_t i = 0; i < stride; ++i) sums[cellof[i]] += row[i];
        }
        uint8_t* d = dst + size_t(y) * newwidth * channels;
        for (int x = 0; x < newwidth; ++x) {
            const uint32_t n = (xs[size_t(x) + 1] - xs[size_t(x)]) * (y1 - y0);
            for (int c = 0; c < channels; ++c)
                d[size_t(x) * channels + c] = uint8_t((sums[size_t(x) * channels + c] + n / 2) / n);
        }
    }
}

}  // namespace

void Canvas24Scale_HalfTone(std::vector<uint8_t>& canvas, int& width, int& height, int newwidth, int newheight) {
    if (width <= 0 || height <= 0 || newwidth <= 0 || newheight <= 0) return;
    if (newwidth == width && newheight == height) return;
    if (newwidth > width || newheight > height) return Canvas24Scale(canvas, width, height, newwidth, newheight);
    if (canvas.size() < size_t(width) * size_t(height) * 3) return;
    std::vector<uint8_t> out(size_t(newwidth) * size_t(newheight) * 3);
    boxscale<3>(canvas.data(), width, height, out.data(), newwidth, newheight);
    canvas.swap(out);
    width = newwidth;
    height = newheight;
}

void AlphaResize_HalfTone(const std::vector<uint8_t>& source, std::vector<uint8_t>& result, int oldwidth,
                          int oldheight, int newwidth, int newheight) {
    result.clear();
    if (oldwidth <= 0 || oldheight <= 0 || newwidth <= 0 || newheight <= 0) return;
    if (newwidth == oldwidth && newheight == oldheight && source.size() >= size_t(oldwidth) * size_t(oldheight)) {
        result.assign(source.begin(), source.begin() + long(size_t(oldwidth) * size_t(oldheight)));
        return;
    }
    if (newwidth > oldwidth || newheight > oldheight)
        return AlphaResize(source, result, oldwidth, oldheight, newwidth, newheight);
    if (source.size() < size_t(oldwidth) * size_t(oldheight)) return;
    result.resize(size_t(newwidth) * size_t(newheight));
    boxscale<1>(source.data(), oldwidth, oldheight, result.data(), newwidth, newheight);
}
