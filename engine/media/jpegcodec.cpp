#include "jpegcodec.h"
#include "jpeghuffman.h"

// clang-format off
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
// clang-format on

#include "../core/pascal_com.h"

using namespace pascal_com;

namespace {

// libjpeg's default error handler exits the process; this one jumps back to
// the call that started the work instead.
struct Terrmgr {
    jpeg_error_mgr pub;
    std::jmp_buf back;
    std::jmp_buf* to = nullptr;  // where to jump instead of back, when set
};

[[noreturn]] void errorexit(j_common_ptr cinfo) {
    Terrmgr* e = reinterpret_cast<Terrmgr*>(cinfo->err);
    std::longjmp(e->to ? *e->to : e->back, 1);
}

void silent(j_common_ptr) {}

// Corrupt data makes libjpeg warn once per bad marker or scan; a stream
// that warns this often is garbage not worth decoding any further.
constexpr long kmaxwarnings = 1000;

void warning(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->num_warnings++ > kmaxwarnings) errorexit(cinfo);
}

void seterrmgr(Terrmgr& e) {
    jpeg_std_error(&e.pub);
    e.pub.error_exit = errorexit;
    e.pub.output_message = silent;
    e.pub.emit_message = warning;
}

bool isrgb3(const jpeg_decompress_struct& d) {
    return d.num_components == 3 && (d.jpeg_color_space == JCS_YCbCr || d.jpeg_color_space == JCS_RGB);
}

template <typename Stream>
int repair(Stream& s, size_t n) {
    auto at = [&s](size_t i) -> unsigned char& { return s[i]; };
    if (n > 4 && at(1) == 'P' && at(2) == 'N' && at(3) == 'G') return 0;
    if (n > 4 && at(0) == 'G' && at(1) == 'I' && at(2) == 'F') return 0;
    if (n < 4) {
        // Too short to hold both markers; the decoder refuses it anyway.
        return 1;
    }
    // Every change turns a marker byte into 0xFF, so a pass can only repeat a
    // bounded number of times; in practice one pass changes all there is.
    bool changed = true;
    while (changed) {
        changed = false;
        for (size_t i = 0; i + 4 < n; ++i) {
            if (at(i) != 0xFF || at(i + 2) != 0xFF) continue;
            unsigned char b1 = at(i + 1), b3 = at(i + 3);
            if ((b1 == 0xFF || b1 == 0xD8 || b1 == 0xD9) && (b3 == 0xD8 || b3 == 0xD9) && !(b1 == 0xFF && b3 == 0xFF)) {
                at(i + 1) = 0xFF;
                at(i + 3) = 0xFF;
                changed = true;
            }
        }
    }
    at(0) = 0xFF;
    at(1) = 0xD8;
    at(n - 2) = 0xFF;
    at(n - 1) = 0xD9;
    return 1;
}

}  // namespace

int FormatJpegData(unsigned char*& stream) { return repair(stream, length(stream)); }
int FormatJpegData(std::vector<uint8_t>& stream) { return repair(stream, stream.size()); }

bool JpegHeader(const uint8_t* data, size_t size, Tjpeginfo& info) {
    info = Tjpeginfo{};
    if (!data || size < 4 || size > 0xFFFFFFFFu) return false;
    jpeg_decompress_struct d{};
    Terrmgr e{};
    seterrmgr(e);
    d.err = &e.pub;
    if (setjmp(e.back)) {
        jpeg_destroy_decompress(&d);
        return false;
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&d, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&d);
        return false;
    }
    info.width = int(d.image_width);
    info.height = int(d.image_height);
    info.components = isrgb3(d) ? 3 : d.num_components;
    info.mcuwidth = 8 * d.max_h_samp_factor;
    info.mcuheight = 8 * d.max_v_samp_factor;
    jpeg_destroy_decompress(&d);
    return true;
}

bool JpegtoCanvas24(const uint8_t* data, size_t size, std::vector<uint8_t>& canvas, int& width, int& height,
                    int& components) {
    canvas.clear();
    width = height = components = 0;
    if (!data || size < 4 || size > 0xFFFFFFFFu) return false;
    jpeg_decompress_struct d{};
    Terrmgr e{};
    seterrmgr(e);
    d.err = &e.pub;
    if (setjmp(e.back)) {
        jpeg_destroy_decompress(&d);
        canvas.clear();
        canvas.shrink_to_fit();
        width = height = components = 0;
        return false;
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&d, TRUE) != JPEG_HEADER_OK || !isrgb3(d)) {
        jpeg_destroy_decompress(&d);
        return false;
    }
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    if (d.output_components != 3 || d.output_width == 0 || d.output_height == 0) {
        jpeg_destroy_decompress(&d);
        return false;
    }
    const size_t stride = size_t(d.output_width) * 3;
    canvas.resize(stride * d.output_height);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = canvas.data() + stride * d.output_scanline;
        jpeg_read_scanlines(&d, &row, 1);
    }
    width = int(d.output_width);
    height = int(d.output_height);
    components = 3;
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return true;
}

namespace {

// With fitted tables the library keeps every coefficient of the picture until
// the end; with the standard ones it streams.
bool encodecanvas(const uint8_t* canvas, int width, int height, std::vector<uint8_t>& out, int quality,
                  bool subsample, bool fitted) {
    out.clear();
    if (!canvas || width <= 0 || height <= 0 || width > 65500 || height > 65500) return false;
    jpeg_compress_struct c{};
    Terrmgr e{};
    seterrmgr(e);
    c.err = &e.pub;
    // Owned by the library until freed here, also after a jump.
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(e.back)) {
        jpeg_destroy_compress(&c);
        std::free(buffer);
        out.clear();
        return false;
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    c.comp_info[0].h_samp_factor = subsample ? 2 : 1;
    c.comp_info[0].v_samp_factor = subsample ? 2 : 1;
    c.optimize_coding = fitted ? TRUE : FALSE;
    jpeg_set_quality(&c, quality < 1 ? 1 : quality > 100 ? 100 : quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    const size_t stride = size_t(width) * 3;
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(canvas) + stride * c.next_scanline;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    out.assign(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return true;
}

}  // namespace

bool Canvas24toJpeg(const uint8_t* canvas, int width, int height, std::vector<uint8_t>& out, int quality,
                    bool subsample) {
    // Huffman tables fitted to the image: smaller, and the same pixels.
    return encodecanvas(canvas, width, height, out, quality, subsample, true);
}

Tfit Canvas24toJpegWithin(const uint8_t* canvas, int width, int height, std::vector<uint8_t>& out, int quality,
                          bool subsample, size_t room) {
    std::vector<uint8_t> plain;
    if (encodecanvas(canvas, width, height, plain, quality, subsample, false)) {
        const size_t floor = JpegCodedFloor(plain.data(), plain.size());
        if (floor > room) {
            out.clear();
            return FIT_TOOLONG;
        }
        if (floor && JpegRefit(plain.data(), plain.size(), out)) return FIT_OK;
    }
    return Canvas24toJpeg(canvas, width, height, out, quality, subsample) ? FIT_OK : FIT_FAILED;
}

namespace {

struct Tcrop {
    int x, y, w, h;
};

// Reads the coefficients of one stream and writes them again, those of the
// blocks inside crop alone when given; the work of JpegOptimize and JpegCrop
// before their checks.
bool transcode(const uint8_t* data, size_t size, std::vector<uint8_t>& out, const Tcrop* crop = nullptr) {
    jpeg_decompress_struct d{};
    jpeg_compress_struct c{};
    // One handler for both objects: one place to jump back to, one warning count.
    Terrmgr e{};
    seterrmgr(e);
    d.err = &e.pub;
    c.err = &e.pub;
    unsigned char* buffer = nullptr;
    unsigned long n = 0;
    if (setjmp(e.back)) {
        jpeg_destroy_compress(&c);
        jpeg_destroy_decompress(&d);
        std::free(buffer);
        out.clear();
        return false;
    }
    jpeg_create_decompress(&d);
    jpeg_create_compress(&c);
    jpeg_mem_src(&d, data, static_cast<unsigned long>(size));
    bool ok = jpeg_read_header(&d, TRUE) == JPEG_HEADER_OK && isrgb3(d) && !d.arith_code;
    // The cut falls on the MCU grid, where every component's blocks begin.
    const int mcux = 8 * d.max_h_samp_factor, mcuy = 8 * d.max_v_samp_factor;
    jvirt_barray_ptr cut[MAX_COMPONENTS] = {};
    // Whole MCUs, as the library keeps the arrays it reads into.
    const JDIMENSION mcuw = crop ? JDIMENSION((crop->w + mcux - 1) / mcux) : 0;
    const JDIMENSION mcuh = crop ? JDIMENSION((crop->h + mcuy - 1) / mcuy) : 0;
    if (ok && crop) {
        ok = crop->x >= 0 && crop->y >= 0 && crop->w > 0 && crop->h > 0 && crop->x % mcux == 0 && crop->y % mcuy == 0 &&
             JDIMENSION(crop->x + crop->w) <= d.image_width && JDIMENSION(crop->y + crop->h) <= d.image_height &&
             d.num_components <= MAX_COMPONENTS;
        for (int ci = 0; ok && ci < d.num_components; ++ci) {
            const jpeg_component_info& k = d.comp_info[ci];
            cut[ci] = d.mem->request_virt_barray(reinterpret_cast<j_common_ptr>(&d), JPOOL_IMAGE, FALSE,
                                                 mcuw * JDIMENSION(k.h_samp_factor), mcuh * JDIMENSION(k.v_samp_factor),
                                                 JDIMENSION(k.v_samp_factor));
        }
    }
    jvirt_barray_ptr* coefs = ok ? jpeg_read_coefficients(&d) : nullptr;
    ok = ok && coefs && e.pub.num_warnings == 0;
    if (ok) {
        jpeg_mem_dest(&c, &buffer, &n);
        jpeg_copy_critical_parameters(&d, &c);
        c.optimize_coding = TRUE;
        if (crop) {
            c.image_width = JDIMENSION(crop->w);
            c.image_height = JDIMENSION(crop->h);
            for (int ci = 0; ci < d.num_components; ++ci) {
                const JDIMENSION hs = JDIMENSION(d.comp_info[ci].h_samp_factor), vs = JDIMENSION(d.comp_info[ci].v_samp_factor);
                const JDIMENSION bx = JDIMENSION(crop->x / mcux) * hs, by = JDIMENSION(crop->y / mcuy) * vs;
                for (JDIMENSION row = 0; row < mcuh * vs; row += vs) {
                    JBLOCKARRAY to = d.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&d), cut[ci], row, vs, TRUE);
                    JBLOCKARRAY from =
                        d.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&d), coefs[ci], row + by, vs, FALSE);
                    for (JDIMENSION k = 0; k < vs; ++k) std::memcpy(to[k], from[k] + bx, sizeof(JBLOCK) * mcuw * hs);
                }
            }
            coefs = cut;
        }
        jpeg_write_coefficients(&c, coefs);
        jpeg_finish_compress(&c);
        jpeg_finish_decompress(&d);
        ok = e.pub.num_warnings == 0;
        if (ok) out.assign(buffer, buffer + n);
    }
    jpeg_destroy_compress(&c);
    jpeg_destroy_decompress(&d);
    std::free(buffer);
    return ok;
}

// True when the second stream decodes to the first's RGB pixels: to all of
// them at the same size, or with crop to that part of them. Decoded side by
// side a row at a time: two whole canvases of a large picture would cost
// more than the rest of the movie. The rows are the caller's, so that a jump
// back leaves nothing of this frame in doubt.
bool samepixels(const uint8_t* adata, size_t asize, const uint8_t* bdata, size_t bsize, std::vector<uint8_t> (&rows)[2],
                const Tcrop* crop) {
    jpeg_decompress_struct d[2]{};
    // A warning count each, as when each is decoded on its own.
    Terrmgr e[2]{};
    std::jmp_buf back;
    const uint8_t* data[2] = {adata, bdata};
    const size_t size[2] = {asize, bsize};
    for (int k = 0; k < 2; ++k) {
        seterrmgr(e[k]);
        e[k].to = &back;
        d[k].err = &e[k].pub;
    }
    if (setjmp(back)) {
        jpeg_destroy_decompress(&d[0]);
        jpeg_destroy_decompress(&d[1]);
        return false;
    }
    bool ok = true;
    for (int k = 0; k < 2; ++k) jpeg_create_decompress(&d[k]);
    for (int k = 0; k < 2 && ok; ++k) {
        jpeg_mem_src(&d[k], data[k], static_cast<unsigned long>(size[k]));
        ok = jpeg_read_header(&d[k], TRUE) == JPEG_HEADER_OK && isrgb3(d[k]);
        if (!ok) break;
        d[k].out_color_space = JCS_RGB;
        jpeg_start_decompress(&d[k]);
        ok = d[k].output_components == 3 && d[k].output_width != 0 && d[k].output_height != 0;
        rows[k].resize(ok ? size_t(d[k].output_width) * 3 : 0);
    }
    const int aw = int(d[0].output_width), ah = int(d[0].output_height);
    const Tcrop c = crop ? *crop : Tcrop{0, 0, aw, ah};
    ok = ok && d[1].output_width == JDIMENSION(c.w) && d[1].output_height == JDIMENSION(c.h) && c.x + c.w <= aw &&
         c.y + c.h <= ah;
    // Colour is upsampled from its neighbours, which a cut removes: the
    // pixels within a block of a new edge may differ, the rest may not.
    const int left = c.x > 0 ? 8 : 0, top = c.y > 0 ? 8 : 0;
    const int right = c.x + c.w < aw ? c.w - 8 : c.w, bottom = c.y + c.h < ah ? c.h - 8 : c.h;
    while (ok && d[0].output_scanline < d[0].output_height) {
        const int row = int(d[0].output_scanline) - c.y;  // the second's row beside it
        JSAMPROW r = rows[0].data();
        jpeg_read_scanlines(&d[0], &r, 1);
        if (row < 0 || row >= c.h) continue;
        r = rows[1].data();
        jpeg_read_scanlines(&d[1], &r, 1);
        if (row >= top && row < bottom && right > left)
            ok = std::memcmp(rows[0].data() + size_t(c.x + left) * 3, rows[1].data() + size_t(left) * 3,
                             size_t(right - left) * 3) == 0;
    }
    if (ok) {
        jpeg_finish_decompress(&d[0]);
        jpeg_finish_decompress(&d[1]);
    }
    jpeg_destroy_decompress(&d[0]);
    jpeg_destroy_decompress(&d[1]);
    return ok;
}

// The coefficients are copied, so the pixels are the same by construction;
// decoding both is cheap insurance against a stream the library reads in
// some unexpected way.
bool checkedtranscode(const uint8_t* data, size_t size, std::vector<uint8_t>& out, const Tcrop* crop) {
    out.clear();
    std::vector<uint8_t> rows[2];
    if (!data || size < 4 || size > 0xFFFFFFFFu || !transcode(data, size, out, crop) ||
        !samepixels(data, size, out.data(), out.size(), rows, crop)) {
        out.clear();
        return false;
    }
    return true;
}

}  // namespace

bool JpegOptimize(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    return checkedtranscode(data, size, out, nullptr);
}

bool JpegCrop(const uint8_t* data, size_t size, int x, int y, int w, int h, std::vector<uint8_t>& out) {
    const Tcrop crop{x, y, w, h};
    return checkedtranscode(data, size, out, &crop);
}
