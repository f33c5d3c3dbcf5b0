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
#include "workpool.h"

namespace {

// The least SSIM the colour planes must keep for 4:2:0 to be used.
constexpr double kchromafloor = 0.99;
// Pixels up to which both samplings are encoded and the smaller kept.
constexpr int64_t ksmallpicture = 256 * 256;
// Pixels from which the repack runs beside the re-encode: below, handing it
// to another thread costs more than it saves.
constexpr int64_t ksplitpicture = 256 * 256;
// Pixels from which a re-encode is coded without libjpeg's buffer of all the
// picture's coefficients, and the repack waits for it: the buffers of both at
// once would pass the memory a picture of this size may take.
constexpr int64_t klargepicture = 2 << 20;

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

bool islossless(int code) { return code == DefineBitsLossless || code == DefineBitsLossless2; }

// Alpha within 1 of either end goes to that end, a player could not show the
// difference; the colour (premultiplied, 3 bytes a pixel, when given) follows.
void snapalpha(uint8_t* colour, std::vector<uint8_t>& alpha) {
    for (size_t i = 0; i < alpha.size(); ++i) {
        uint8_t* c = colour ? colour + i * 3 : nullptr;
        if (alpha[i] == 1) {
            alpha[i] = 0;
            if (c) c[0] = c[1] = c[2] = 0;
        } else if (alpha[i] == 254) {
            alpha[i] = 255;
            if (c)
                for (int k = 0; k < 3; ++k) c[k] = uint8_t(std::min(255, (c[k] * 255 + 127) / 254));
        }
    }
}

bool allopaque(const std::vector<uint8_t>& alpha) {
    return std::all_of(alpha.begin(), alpha.end(), [](uint8_t a) { return a == 255; });
}

// Gives each pixel under alpha 0 the mean colour of the shown pixels of its
// 8 x 8 block: the edge where the picture meets its transparent part then
// costs no JPEG bits. Blocks with nothing shown stay black, which is flat
// anyway. Players clamp colour to alpha, so none of it shows.
void fillhidden(std::vector<uint8_t>& canvas, const std::vector<uint8_t>& alpha, int w, int h) {
    const size_t W = size_t(w);
    for (int by = 0; by < h; by += 8)
        for (int bx = 0; bx < w; bx += 8) {
            const int ex = std::min(bx + 8, w), ey = std::min(by + 8, h);
            unsigned sum[3] = {0, 0, 0}, shown = 0, hidden = 0;
            for (int y = by; y < ey; ++y)
                for (int x = bx; x < ex; ++x) {
                    const size_t i = W * y + x;
                    if (alpha[i] == 0) {
                        ++hidden;
                        continue;
                    }
                    ++shown;
                    for (int k = 0; k < 3; ++k) sum[k] += canvas[i * 3 + k];
                }
            if (!shown || !hidden) continue;
            uint8_t mean[3];
            for (int k = 0; k < 3; ++k) mean[k] = uint8_t((sum[k] + shown / 2) / shown);
            for (int y = by; y < ey; ++y)
                for (int x = bx; x < ex; ++x)
                    if (alpha[W * y + x] == 0) std::copy_n(mean, 3, &canvas[(W * y + x) * 3]);
        }
}

// Luma SSIM of the new JPEG against the canvas it was made from; -1 when it
// does not decode to that size. The alpha plane goes through zlib unchanged,
// so only the colour can differ; it is clamped to the alpha as the canvas
// was, since players clamp it so and ringing where nothing shows is harmless.
// The canvas is taken and freed before the JPEG is decoded: a large picture
// then holds one full canvas at a time.
double encodedssim(const std::vector<uint8_t>& jpeg, std::vector<uint8_t> canvas, const std::vector<uint8_t>& alpha,
                   int w, int h) {
    clamptoalpha(canvas, alpha);
    const std::vector<uint8_t> ya = canvasluma(canvas, w, h);
    canvas.clear();
    canvas.shrink_to_fit();
    std::vector<uint8_t> back;
    int bw = 0, bh = 0, bc = 0;
    if (!JpegtoCanvas24(jpeg.data(), jpeg.size(), back, bw, bh, bc) || bw != w || bh != h) return -1;
    clamptoalpha(back, alpha);
    back = canvasluma(back, w, h);
    if (ya.empty() || back.empty()) return -1;
    return planessim(ya.data(), back.data(), w, h);
}

bool cropping(const Tbitmapinput& in) { return in.cropwidth > 0 || in.cropheight > 0; }

// The size of the bitmap as written, before any scaling; false when the crop
// does not lie inside it.
bool keptsize(const Tbitmapinput& in, int& w, int& h) {
    w = in.width;
    h = in.height;
    if (!cropping(in)) return w > 0 && h > 0;
    w = in.cropwidth;
    h = in.cropheight;
    return in.cropx >= 0 && in.cropy >= 0 && w > 0 && h > 0 && in.cropx + w <= in.width && in.cropy + h <= in.height;
}

// Keeps the crop of a plane of the bitmap's width, each pixel bytes long,
// its rows stride bytes apart; the rows kept are packed to the new stride.
void cropplane(std::vector<uint8_t>& plane, const Tbitmapinput& in, size_t bytes, size_t stride, size_t newstride) {
    if (!cropping(in)) return;
    std::vector<uint8_t> kept(newstride * size_t(in.cropheight), 0);
    for (int y = 0; y < in.cropheight; ++y)
        std::copy_n(&plane[stride * size_t(in.cropy + y) + bytes * size_t(in.cropx)], bytes * size_t(in.cropwidth),
                    &kept[newstride * size_t(y)]);
    plane.swap(kept);
}

void cropplane(std::vector<uint8_t>& plane, const Tbitmapinput& in, size_t bytes) {
    cropplane(plane, in, bytes, bytes * size_t(in.width), bytes * size_t(in.cropwidth));
}

Tbitmapresult reencode(const Tbitmapinput& in) {
    Tbitmapresult r;
    r.failure = Tbitmapresult::DECODE;
    const int W0 = in.width, H0 = in.height;
    int W = 0, H = 0;
    if (!keptsize(in, W, H) || in.newwidth <= 0 || in.newheight <= 0 || in.newwidth > W || in.newheight > H) return r;
    std::vector<uint8_t> canvas, alpha;
    bool hasalpha = false;
    switch (in.readcode) {
    case DefineBits:
    case DefineBitsJPEG2:
    case DefineBitsJPEG3: {
        int w = 0, h = 0, c = 0;
        if (!JpegtoCanvas24(in.stream.data(), in.stream.size(), canvas, w, h, c) || w != W0 || h != H0) return r;
        if (in.readcode == DefineBitsJPEG3) {
            // A plane of any other size has no pixel-exact place to go.
            if (!inflateblock(in.alphadata.data(), in.alphadata.size(), size_t(W0) * size_t(H0), alpha, true)) {
                r.failure = Tbitmapresult::ALPHA;
                return r;
            }
            hasalpha = true;
        }
        break;
    }
    case DefineBitsLossless:
    case DefineBitsLossless2: {
        const size_t want = losslessbytes(in.readcode, in.format, W0, H0);
        std::vector<uint8_t> pixels;
        if (!want || !inflateblock(in.packed.data(), in.packed.size(), want, pixels, false)) {
            r.failure = Tbitmapresult::PIXELS;
            return r;
        }
        if (in.readcode == DefineBitsLossless) {
            losslesstocanvas(in.format, pixels.data(), W0, H0, canvas);
        } else {
            lossless2tocanvas(pixels.data(), W0, H0, canvas, alpha);
            hasalpha = true;
        }
        break;
    }
    default:
        return r;
    }
    cropplane(canvas, in, 3);
    if (hasalpha) cropplane(alpha, in, 1);
    r.failure = Tbitmapresult::ENCODE;
    int w = W, h = H;
    // Averaging, not picking, when shrinking: what a player shows of a bitmap
    // drawn smaller is closer to the mean of the pixels under each screen pixel.
    Canvas24Scale_HalfTone(canvas, w, h, in.newwidth, in.newheight);
    std::vector<uint8_t> packedalpha, resized, black;
    if (hasalpha) {
        AlphaResize_HalfTone(alpha, resized, W, H, w, h);
        alpha.clear();
        alpha.shrink_to_fit();
        if (in.trimalpha) {
            snapalpha(canvas.data(), resized);
            hasalpha = !allopaque(resized);
            if (!hasalpha) resized.clear();
        }
    }
    if (hasalpha) {
        // Premultiplied colour never exceeds its alpha; players clamp it so,
        // and clamping first keeps what was invisible from costing bits.
        clamptoalpha(canvas, resized);
        if (in.cleartransparent) {
            black = canvas;
            fillhidden(canvas, resized, w, h);
        }
        packedalpha = deflateblock(resized);
        if (packedalpha.empty()) return r;
    }
    const bool subsample = in.choosesubsampling && chroma420ssim(canvas, w, h) >= kchromafloor;
    // A JPEG longer than room is never kept. A large picture is coded without
    // libjpeg's buffer of all its coefficients beside the canvas, which also
    // rules such a JPEG out before its tables are fitted.
    const size_t extra = hasalpha ? 6 + packedalpha.size() : 2;
    const size_t room = in.bodyasread > extra ? in.bodyasread - extra : 0;
    const bool large = int64_t(w) * h >= klargepicture;
    auto encode = [&](const uint8_t* px, std::vector<uint8_t>& out) {
        if (large) return Canvas24toJpegWithin(px, w, h, out, in.quality, subsample, room);
        return Canvas24toJpeg(px, w, h, out, in.quality, subsample) ? FIT_OK : FIT_FAILED;
    };
    std::vector<uint8_t> jpeg;
    const Tfit first = encode(canvas.data(), jpeg);
    if (first == FIT_FAILED) return r;
    bool fits = first == FIT_OK;
    // In a small picture the larger blocks of 4:2:0 can cost more than the
    // colour they save; trying both there is cheap.
    std::vector<uint8_t> full;
    if (subsample && int64_t(w) * h <= ksmallpicture && Canvas24toJpeg(canvas.data(), w, h, full, in.quality) &&
        full.size() < jpeg.size())
        jpeg.swap(full);
    // Some pictures pack better with black where nothing shows after all.
    if (!black.empty() && encode(black.data(), full) == FIT_OK && (!fits || full.size() < jpeg.size())) {
        jpeg.swap(full);
        canvas.swap(black);
        fits = true;
    }
    black.clear();
    black.shrink_to_fit();
    if (!fits) {
        r.ok = true;
        r.asread = true;
        r.failure = Tbitmapresult::NONE;
        return r;
    }
    const size_t bodysize = 2 + (hasalpha ? 4 + jpeg.size() + packedalpha.size() : jpeg.size());
    if (in.minssim > 0 && bodysize <= in.bodyasread) {
        r.ssim = encodedssim(jpeg, std::move(canvas), resized, w, h);
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

void putbody(std::vector<uint8_t>& b, const std::vector<uint8_t>& more) { b.insert(b.end(), more.begin(), more.end()); }

// A JPEG tag rewritten without losing a pixel: the stream optimized, the
// alpha plane snapped, dropped or packed harder. False when nothing changes.
bool repackjpeg(const Tbitmapinput& in, std::vector<uint8_t>& body, int& code) {
    const bool withalpha = in.readcode == DefineBitsJPEG3;
    std::vector<uint8_t> jpeg;
    int W = 0, H = 0;
    if (!keptsize(in, W, H)) return false;
    if (cropping(in)) {
        if (!JpegCrop(in.stream.data(), in.stream.size(), in.cropx, in.cropy, W, H, jpeg)) return false;
    } else {
        if (in.optimizejpeg) JpegOptimize(in.stream.data(), in.stream.size(), jpeg);
        if (withalpha && (jpeg.empty() || jpeg.size() >= in.jpegasread.size())) jpeg = in.jpegasread;
    }
    if (jpeg.empty()) return false;
    body.clear();
    put16(body, in.id);
    code = DefineBitsJPEG2;
    if (!withalpha) {
        putbody(body, jpeg);
        return true;
    }
    std::vector<uint8_t> alpha, packed = in.alphadata;
    const bool inflated =
        inflateblock(in.alphadata.data(), in.alphadata.size(), size_t(in.width) * size_t(in.height), alpha, true);
    // The plane as read fits the whole bitmap only.
    if (!inflated && cropping(in)) return false;
    if (inflated) {
        cropplane(alpha, in, 1);
        const std::vector<uint8_t> read = cropping(in) ? std::vector<uint8_t>() : alpha;
        if (in.trimalpha) snapalpha(nullptr, alpha);
        if (in.trimalpha && allopaque(alpha)) {
            putbody(body, jpeg);
            return true;
        }
        std::vector<uint8_t> again = deflatebest(alpha);
        if (again.empty() && alpha != read) return false;
        if (!again.empty() && (again.size() < packed.size() || alpha != read)) packed = std::move(again);
    }
    code = DefineBitsJPEG3;
    put32(body, uint32_t(jpeg.size()));
    putbody(body, jpeg);
    putbody(body, packed);
    return true;
}

// A lossless tag rewritten without losing a pixel (but for the alpha snapped
// within 1): colour-mapped when that is smaller, otherwise packed at the
// strongest level. False when its pixels cannot be read.
bool repacklossless(const Tbitmapinput& in, std::vector<uint8_t>& body, int& code) {
    int W = 0, H = 0;
    if (!keptsize(in, W, H)) return false;
    const size_t want = losslessbytes(in.readcode, in.format, in.width, in.height);
    std::vector<uint8_t> pixels;
    if (!want || !inflateblock(in.packed.data(), in.packed.size(), want, pixels, false)) return false;
    // Rows as losslessbytes lays them out: 2-byte pixels in padded rows for
    // format 4 of DefineBitsLossless, 4-byte pixels everywhere else.
    const size_t pixelbytes = in.readcode == DefineBitsLossless && in.format == 4 ? 2 : 4;
    cropplane(pixels, in, pixelbytes, losslessbytes(in.readcode, in.format, in.width, 1),
              losslessbytes(in.readcode, in.format, W, 1));
    code = in.readcode;
    int format = in.format;
    const size_t n = size_t(W) * size_t(H);
    // Alpha or a reserved byte, then R, G, B: the only layout looked into.
    const bool argb = format == 5 && pixels.size() == n * 4;
    bool binaryalpha = false;  // every alpha 0 or 255, colour 0 under 0
    if (code == DefineBitsLossless2 && argb) {
        std::vector<uint8_t> alpha(n), colour(n * 3);
        for (size_t i = 0; i < n; ++i) {
            alpha[i] = pixels[i * 4];
            std::copy_n(&pixels[i * 4 + 1], 3, &colour[i * 3]);
        }
        if (in.trimalpha) snapalpha(colour.data(), alpha);
        binaryalpha = true;
        for (size_t i = 0; i < n; ++i) {
            if (alpha[i] == 0 && in.cleartransparent) colour[i * 3] = colour[i * 3 + 1] = colour[i * 3 + 2] = 0;
            pixels[i * 4] = alpha[i];
            std::copy_n(&colour[i * 3], 3, &pixels[i * 4 + 1]);
            if ((alpha[i] != 0 && alpha[i] != 255) || (alpha[i] == 0 && (colour[i * 3] | colour[i * 3 + 1] | colour[i * 3 + 2])))
                binaryalpha = false;
        }
        if (in.trimalpha && allopaque(alpha)) {
            // The alpha bytes, all 255, stay as the reserved bytes: players
            // ignore them, and they pack as they did.
            code = DefineBitsLossless;
            format = 5;
        }
    }
    auto header = [&](int fmt) {
        body.clear();
        put16(body, in.id);
        body.push_back(uint8_t(fmt));
        put16(body, uint32_t(W));
        put16(body, uint32_t(H));
    };
    const std::vector<uint8_t> packed = deflatebest(pixels);
    if (packed.empty()) return false;
    header(format);
    putbody(body, packed);
    // A table of colours with alpha is read as premultiplied by some players
    // and as straight by others; they agree only where alpha is 0 or 255.
    const bool withalpha = code == DefineBitsLossless2;
    if (!argb || (withalpha && !binaryalpha)) return true;
    const int bytes = withalpha ? 4 : 3;
    std::vector<uint8_t> flat(n * size_t(bytes));
    for (size_t i = 0; i < n; ++i) {
        std::copy_n(&pixels[i * 4 + 1], 3, &flat[i * bytes]);
        if (withalpha) flat[i * bytes + 3] = pixels[i * 4];
    }
    std::vector<uint8_t> mapped;
    int colours = 0;
    if (!colormapped(flat.data(), bytes, W, H, mapped, colours)) return true;
    const std::vector<uint8_t> small = deflatebest(mapped);
    if (small.empty() || small.size() + 1 >= packed.size()) return true;
    header(3);
    body.push_back(uint8_t(colours - 1));
    putbody(body, small);
    return true;
}

Tbitmapresult run(const Tbitmapinput& in) {
    const bool lossless = islossless(in.readcode);
    const bool tryrepack = lossless ? !in.forcejpeg || in.trimalpha || in.cleartransparent || cropping(in)
                                    : in.optimizejpeg || cropping(in) ||
                                          (in.readcode == DefineBitsJPEG3 && (in.trimalpha || !in.forcejpeg));
    std::vector<uint8_t> body;
    int code = 0;
    bool repacked = false;
    auto repack = [&] {
        repacked = (lossless ? repacklossless(in, body, code) : repackjpeg(in, body, code)) && body.size() < in.bodyasread;
    };
    Tbitmapresult r;
    const int64_t pixels = int64_t(in.width) * in.height;
    if (tryrepack && (!lossless || in.forcejpeg) && pixels >= ksplitpicture && pixels < klargepicture) {
        // The two are independent: on an idle core the repack runs beside the
        // re-encode, so that one large bitmap does not hold the whole movie up.
        Twork other(repack, true, true);
        r = reencode(in);
        other.finish();
    } else {
        if (!lossless || in.forcejpeg) r = reencode(in);
        if (tryrepack) repack();
    }
    // Re-encoding must win outright: on a tie the pixels as read are better.
    const bool reencoded = r.ok && !r.belowfloor && !r.asread && r.body.size() <= in.bodyasread;
    if (repacked && !(reencoded && r.body.size() < body.size())) {
        Tbitmapresult k;
        k.ok = true;
        k.outcode = code;
        k.body = std::move(body);
        k.samepixels = true;
        k.ssim = r.ssim;
        return k;
    }
    if (lossless && !in.forcejpeg) {
        r = Tbitmapresult{};
        r.ok = true;
        r.asread = true;
    }
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

