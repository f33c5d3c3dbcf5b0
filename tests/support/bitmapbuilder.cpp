#include "support/bitmapbuilder.h"

// clang-format off
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
// clang-format on

#include <stdexcept>

#include "support/shapebuilder.h"

namespace swfb {

Bytes testcanvas(int width, int height, uint32_t seed) {
    Bytes c(size_t(width) * height * 3);
    uint32_t s = seed * 2654435761u;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            s = s * 1103515245u + 12345u;
            uint8_t* p = &c[(size_t(y) * width + x) * 3];
            p[0] = uint8_t(x * 255 / (width > 1 ? width - 1 : 1));
            p[1] = uint8_t(y * 255 / (height > 1 ? height - 1 : 1));
            p[2] = uint8_t(((x / 4 + y / 4) & 1) * 160 + (s >> 28));
        }
    return c;
}

namespace {
struct Jumperr {
    jpeg_error_mgr pub;
    std::jmp_buf back;
};
[[noreturn]] void fail(j_common_ptr c) { std::longjmp(reinterpret_cast<Jumperr*>(c->err)->back, 1); }
}  // namespace

Bytes jpegimage(int width, int height, int quality, int components, uint32_t seed) {
    const Bytes rgb = testcanvas(width, height, seed);
    Bytes in = components == 3 ? rgb : Bytes(size_t(width) * height * components);
    for (size_t i = 0; components != 3 && i < size_t(width) * height; ++i) {
        const uint8_t* p = &rgb[i * 3];
        if (components == 1) in[i] = uint8_t((p[0] + p[1] + p[2]) / 3);
        else for (int k = 0; k < 4; ++k) in[i * 4 + k] = uint8_t(255 - (k < 3 ? p[k] : 0));
    }
    jpeg_compress_struct c{};
    Jumperr e{};
    c.err = jpeg_std_error(&e.pub);
    e.pub.error_exit = fail;
    if (setjmp(e.back)) throw std::runtime_error("libjpeg refused a test image");
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    const size_t stride = size_t(width) * components;
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = &in[stride * c.next_scanline];
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    Bytes out(buf, buf + size);
    jpeg_destroy_compress(&c);
    std::free(buf);
    return out;
}

void splitjpeg(const Bytes& jpeg, Bytes& tables, Bytes& image) {
    tables = {0xFF, 0xD8};
    image = {0xFF, 0xD8};
    size_t i = 2;
    while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF) {
        const uint8_t m = jpeg[i + 1];
        const size_t len = size_t(jpeg[i + 2]) << 8 | jpeg[i + 3];
        Bytes& to = (m == 0xDB || m == 0xC4) ? tables : image;
        to.insert(to.end(), jpeg.begin() + long(i), jpeg.begin() + long(i + 2 + len));
        i += 2 + len;
        if (m == 0xDA) break;
    }
    image.insert(image.end(), jpeg.begin() + long(i), jpeg.end());
    tables.push_back(0xFF);
    tables.push_back(0xD9);
}

Bytes definebits(uint16_t id, const Bytes& img) { return tag(6, Writer().u16(id).raw(img).take(), true); }
Bytes jpegtables(const Bytes& t) { return tag(8, t, true); }
Bytes definebitsjpeg2(uint16_t id, const Bytes& jpeg) { return tag(21, Writer().u16(id).raw(jpeg).take(), true); }

Bytes definebitsjpeg3(uint16_t id, const Bytes& jpeg, const Bytes& alpha, bool rawalpha) {
    return tag(35, Writer().u16(id).u32(uint32_t(jpeg.size())).raw(jpeg).raw(rawalpha ? alpha : zlibpacked(alpha, 9)).take(),
               true);
}

static Bytes lossless(int code, uint16_t id, int format, int width, int height, const Bytes& pixels, int tablesize) {
    Writer w;
    w.u16(id).u8(uint32_t(format)).u16(uint32_t(width)).u16(uint32_t(height));
    if (format == 3) w.u8(uint32_t(tablesize));
    w.raw(zlibpacked(pixels, 9));
    return tag(code, w.take(), true);
}

Bytes definebitslossless(uint16_t id, int format, int width, int height, const Bytes& pixels, int tablesize) {
    return lossless(20, id, format, width, height, pixels, tablesize);
}
Bytes definebitslossless2(uint16_t id, int format, int width, int height, const Bytes& argb, int tablesize) {
    return lossless(36, id, format, width, height, argb, tablesize);
}

Bytes bitmapshape(uint16_t id, uint16_t bitmap, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t r0, int32_t r1,
                  bool rotate) {
    ShapeWriter s(2);
    s.fillcount(1).bitmap(0x41, bitmap, Mat{.sx = sx, .sy = sy, .r0 = r0, .r1 = r1, .hasscale = true, .hasrotate = rotate});
    s.linecount(0).bits(1, 0).change(Change{.move = true, .fill1 = 1});
    s.straight(w, 0).straight(0, h).straight(-w, 0).straight(0, -h).endshape();
    return shapetag(2, id, 0, w, 0, h, s.take());
}

void jpegsize(const Bytes& jpeg, int& width, int& height) {
    width = height = 0;
    jpeg_decompress_struct d{};
    Jumperr e{};
    d.err = jpeg_std_error(&e.pub);
    e.pub.error_exit = fail;
    if (!setjmp(e.back)) {
        jpeg_create_decompress(&d);
        jpeg_mem_src(&d, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&d, TRUE);
        width = int(d.image_width);
        height = int(d.image_height);
    }
    jpeg_destroy_decompress(&d);
}

}  // namespace swfb
