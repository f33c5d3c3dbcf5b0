#include "bitmapjob.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "../core/pascal_com.h"
#include "../core/tagcode.h"
#include "canvas.h"
#include "imagescale.h"
#include "jpegcodec.h"
#include "ssim.h"

namespace {

void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

void clamptoalpha(std::vector<uint8_t>& canvas, const std::vector<uint8_t>& alpha) {
    for (size_t i = 0; i < alpha.size() && i * 3 + 2 < canvas.size(); ++i) {
        uint8_t* p = &canvas[i * 3];
        const uint8_t a = alpha[i];
        if (p[0] > a) p[0] = a;
        if (p[1] > a) p[1] = a;
        if (p[2] > a) p[2] = a;
    }
}

// Luma SSIM of the new JPEG against the canvas it was made from; -1 when it
// does not decode to that size. The alpha plane goes through zlib unchanged,
// so only the colour can differ; it is clamped to the alpha as the canvas
// was, since players clamp it so and ringing where nothing shows is harmless.
double encodedssim(const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& canvas,
                   const std::vector<uint8_t>& alpha, int w, int h) {
    std::vector<uint8_t> back;
    int bw = 0, bh = 0, bc = 0;
    if (!JpegtoCanvas24(jpeg.data(), jpeg.size(), back, bw, bh, bc) || bw != w || bh != h) return -1;
    clamptoalpha(back, alpha);
    const std::vector<uint8_t> ya = canvasluma(canvas, w, h);
    back = canvasluma(back, w, h);
    if (ya.empty() || back.empty()) return -1;
    return planessim(ya.data(), back.data(), w, h);
}

Tbitmapresult run(const Tbitmapinput& in) {
    Tbitmapresult r;
    r.failure = Tbitmapresult::DECODE;
    const int W = in.width, H = in.height;
    if (W <= 0 || H <= 0 || in.newwidth <= 0 || in.newheight <= 0 || in.newwidth > W || in.newheight > H) return r;
    std::vector<uint8_t> canvas, alpha;
    bool hasalpha = false;
    switch (in.readcode) {
    case DefineBits:
    case DefineBitsJPEG2:
    case DefineBitsJPEG3: {
        int w = 0, h = 0, c = 0;
        if (!JpegtoCanvas24(in.stream.data(), in.stream.size(), canvas, w, h, c) || w != W || h != H) return r;
        if (in.readcode == DefineBitsJPEG3) {
            // A plane of any other size has no pixel-exact place to go.
            if (!inflateblock(in.alphadata.data(), in.alphadata.size(), size_t(W) * size_t(H), alpha, true)) {
                r.failure = Tbitmapresult::ALPHA;
                return r;
            }
            hasalpha = true;
        }
        break;
    }
    case DefineBitsLossless:
    case DefineBitsLossless2: {
        const size_t want = losslessbytes(in.readcode, in.format, W, H);
        std::vector<uint8_t> pixels;
        if (!want || !inflateblock(in.packed.data(), in.packed.size(), want, pixels, false)) {
            r.failure = Tbitmapresult::PIXELS;
            return r;
        }
        if (in.readcode == DefineBitsLossless) {
            losslesstocanvas(in.format, pixels.data(), W, H, canvas);
        } else {
            lossless2tocanvas(pixels.data(), W, H, canvas, alpha);
            hasalpha = true;
        }
        break;
    }
    default:
        return r;
    }
    r.failure = Tbitmapresult::ENCODE;
    int w = W, h = H;
    // Averaging, not picking, when shrinking: what a player shows of a bitmap
    // drawn smaller is closer to the mean of the pixels under each screen pixel.
    Canvas24Scale_HalfTone(canvas, w, h, in.newwidth, in.newheight);
    std::vector<uint8_t> packedalpha, resized;
    if (hasalpha) {
        AlphaResize_HalfTone(alpha, resized, W, H, w, h);
        // Premultiplied colour never exceeds its alpha; players clamp it so,
        // and clamping first keeps what was invisible from costing bits.
        clamptoalpha(canvas, resized);
        alpha.clear();
        alpha.shrink_to_fit();
        packedalpha = deflateblock(resized);
        if (packedalpha.empty()) return r;
    }
    std::vector<uint8_t> jpeg;
    if (!Canvas24toJpeg(canvas.data(), w, h, jpeg, in.quality)) return r;
    const size_t bodysize = 2 + (hasalpha ? 4 + jpeg.size() + packedalpha.size() : jpeg.size());
    if (in.minssim > 0 && bodysize <= in.bodyasread) {
        r.ssim = encodedssim(jpeg, canvas, resized, w, h);
        if (!(r.ssim >= in.minssim)) {
            r.ok = true;
            r.belowfloor = true;
            r.failure = Tbitmapresult::NONE;
            return r;
        }
    }
    canvas.clear();
    canvas.shrink_to_fit();
    r.body.reserve(bodysize);
    put16(r.body, in.id);
    if (hasalpha) {
        put32(r.body, uint32_t(jpeg.size()));
        r.body.insert(r.body.end(), jpeg.begin(), jpeg.end());
        r.body.insert(r.body.end(), packedalpha.begin(), packedalpha.end());
        r.outcode = DefineBitsJPEG3;
    } else {
        r.body.insert(r.body.end(), jpeg.begin(), jpeg.end());
        r.outcode = DefineBitsJPEG2;
    }
    r.ok = true;
    r.failure = Tbitmapresult::NONE;
    return r;
}

}  // namespace

Tbitmapresult encodebitmap(const Tbitmapinput& in) {
    try {
        return run(in);
    } catch (const std::bad_alloc&) {
        Tbitmapresult r;
        r.failure = Tbitmapresult::MEMORY;
        return r;
    }
}

void imagetarget(int width, int height, const Tsizerule& rule, int& newwidth, int& newheight) {
    using pascal_com::swf_round;
    newwidth = width;
    newheight = height;
    if (rule.keepsize || width <= 0 || height <= 0) return;
    const double sx = rule.stageratiox * rule.maxscalex, sy = rule.stageratioy * rule.maxscaley;
    // NaN or infinite factors (a stage without size) shrink nothing.
    if (!std::isfinite(sx) || !std::isfinite(sy)) return;
    int w = swf_round(width * std::min(sx, 1.0));
    int h = swf_round(height * std::min(sy, 1.0));
    if (rule.forcezip > 0 && rule.forcezip < 100) {
        w = swf_round(w * (100.0 - rule.forcezip) / 100.0);
        h = swf_round(h * (100.0 - rule.forcezip) / 100.0);
    }
    if (w < 6) w = width;
    if (h < 6) h = height;
    newwidth = std::min(w, width);
    newheight = std::min(h, height);
}

double imagessimfloor(int level) { return level == 0 ? 0.98 : 0.0; }

