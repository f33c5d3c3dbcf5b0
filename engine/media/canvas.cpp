#include "canvas.h"

#include <zlib.h>

#include <climits>
#include <cstdint>
#include <new>
#include <unordered_map>

#include "../core/pascal_com.h"
#include "../core/tagcode.h"
#include "../core/zhelpers.h"

bool inflateblock(const uint8_t* data, size_t size, size_t want, std::vector<uint8_t>& out, bool exact) {
    out.clear();
    if (!data || size > UINT_MAX) return false;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    // One byte of room past want tells a block that is too long.
    const size_t room = want + (exact ? 1 : 0);
    out.resize(room);
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(size);
    size_t done = 0;
    int ret = Z_OK;
    while (done < room) {
        const size_t chunk = room - done > (1u << 30) ? (1u << 30) : room - done;
        z.next_out = out.data() + done;
        z.avail_out = uInt(chunk);
        ret = inflate(&z, Z_NO_FLUSH);
        done += chunk - z.avail_out;
        if (ret != Z_OK) break;
        if (z.avail_out != 0 && z.avail_in == 0) break;
    }
    inflateEnd(&z);
    if (ret == Z_NEED_DICT || ret == Z_DATA_ERROR || ret == Z_MEM_ERROR) {
        // What came before the damage counts only if it is all we need and
        // no exact length was asked.
        if (exact || done < want) {
            out.clear();
            return false;
        }
    }
    if (exact ? done != want : done < want) {
        out.clear();
        return false;
    }
    out.resize(want);
    return true;
}

std::vector<uint8_t> deflateblock(const std::vector<uint8_t>& data) {
    uLongf n = compressBound(uLong(data.size()));
    std::vector<uint8_t> out(n);
    if (compress2(out.data(), &n, data.data(), uLong(data.size()), Z_BEST_COMPRESSION) != Z_OK) return {};
    out.resize(n);
    return out;
}

size_t losslessbytes(int tagcode, int format, int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    if (format == 5 || (tagcode == DefineBitsLossless2 && format == 4)) return size_t(width) * size_t(height) * 4;
    if (format == 4) return ((size_t(width) * 2 + 3) & ~size_t(3)) * size_t(height);
    return 0;
}

void losslesstocanvas(int format, const uint8_t* pixels, int width, int height, std::vector<uint8_t>& canvas) {
    canvas.resize(size_t(width) * size_t(height) * 3);
    uint8_t* d = canvas.data();
    if (format == 5) {
        const size_t n = size_t(width) * size_t(height);
        for (size_t i = 0; i < n; ++i, pixels += 4, d += 3) {
            d[0] = pixels[1];
            d[1] = pixels[2];
            d[2] = pixels[3];
        }
        return;
    }
    const size_t stride = (size_t(width) * 2 + 3) & ~size_t(3);
    auto widen = [](unsigned v) { return uint8_t(v << 3 | v >> 2); };
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = pixels + stride * size_t(y);
        for (int x = 0; x < width; ++x, s += 2, d += 3) {
            const unsigned w = unsigned(s[0]) << 8 | s[1];
            d[0] = widen(w >> 10 & 31);
            d[1] = widen(w >> 5 & 31);
            d[2] = widen(w & 31);
        }
    }
}

void lossless2tocanvas(const uint8_t* pixels, int width, int height, std::vector<uint8_t>& canvas,
                       std::vector<uint8_t>& alpha) {
    const size_t n = size_t(width) * size_t(height);
    canvas.resize(n * 3);
    alpha.resize(n);
    uint8_t* d = canvas.data();
    for (size_t i = 0; i < n; ++i, pixels += 4, d += 3) {
        alpha[i] = pixels[0];
        d[0] = pixels[1];
        d[1] = pixels[2];
        d[2] = pixels[3];
    }
}

std::vector<uint8_t> deflatebest(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out;
    if (data.size() > UINT32_MAX) return out;
    unsigned char* packed = nullptr;
    try {
        zipbytes(data.data(), uint32_t(data.size()), packed);
    } catch (const std::bad_alloc&) {
        pascal_com::setlength(packed, 1, 0);
        return out;
    }
    out.assign(packed, packed + pascal_com::length(packed));
    pascal_com::setlength(packed, 1, 0);
    return out;
}

bool colormapped(const uint8_t* pixels, int bytes, int width, int height, std::vector<uint8_t>& out, int& colours) {
    out.clear();
    colours = 0;
    if (width <= 0 || height <= 0 || (bytes != 3 && bytes != 4)) return false;
    const size_t stride = (size_t(width) + 3) & ~size_t(3);
    std::unordered_map<uint32_t, uint8_t> index;
    std::vector<uint8_t> table, rows(stride * size_t(height), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, pixels += bytes) {
            uint32_t key = uint32_t(pixels[0]) << 16 | uint32_t(pixels[1]) << 8 | pixels[2];
            if (bytes == 4) key = key << 8 | pixels[3];
            auto it = index.find(key);
            if (it == index.end()) {
                if (index.size() == 256) return false;
                it = index.emplace(key, uint8_t(index.size())).first;
                table.insert(table.end(), pixels, pixels + bytes);
            }
            rows[size_t(y) * stride + size_t(x)] = it->second;
        }
    colours = int(index.size());
    out = std::move(table);
    out.insert(out.end(), rows.begin(), rows.end());
    return true;
}
