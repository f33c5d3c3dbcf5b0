#include "support/shapebuilder.h"

namespace swfb {

static bool alpha(int code) { return code == 32 || code == 83; }

Writer& ShapeWriter::colour(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    w_.u8(r).u8(g).u8(b);
    if (alpha(code_)) w_.u8(a);
    return w_;
}

Writer& ShapeWriter::mat(const Mat& m) {
    return w_.matrix(m.tx, m.ty, m.sx, m.sy, m.r0, m.r1, m.hasscale, m.hasrotate);
}

ShapeWriter& ShapeWriter::fillcount(uint32_t n, bool extended) {
    if (extended || n > 254) w_.u8(0xFF).u16(n);
    else w_.u8(n);
    return *this;
}

ShapeWriter& ShapeWriter::solid(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    w_.u8(0x00);
    colour(r, g, b, a);
    return *this;
}

ShapeWriter& ShapeWriter::gradient(uint8_t type, const Mat& m, const std::vector<Stop>& stops, uint16_t focal,
                                   int spread, int interpolation) {
    w_.u8(type);
    mat(m);
    w_.ub(2, uint32_t(spread)).ub(2, uint32_t(interpolation)).ub(4, uint32_t(stops.size()));
    for (const Stop& s : stops) {
        w_.u8(s.ratio);
        colour(s.r, s.g, s.b, s.a);
    }
    if (type == 0x13) w_.u16(focal);
    return *this;
}

ShapeWriter& ShapeWriter::bitmap(uint8_t type, uint16_t id, const Mat& m) {
    w_.u8(type).u16(id);
    mat(m);
    return *this;
}

ShapeWriter& ShapeWriter::rawfilltype(uint8_t type) {
    w_.u8(type);
    return *this;
}

ShapeWriter& ShapeWriter::linecount(uint32_t n, bool extended) { return fillcount(n, extended); }

ShapeWriter& ShapeWriter::line(uint16_t width, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    if (code_ == 83) return line2(width, Line2{}, r, g, b, a);
    w_.u16(width);
    colour(r, g, b, a);
    return *this;
}

ShapeWriter& ShapeWriter::line2(uint16_t width, const Line2& l, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    w_.u16(width);
    w_.ub(2, uint32_t(l.startcap)).ub(2, uint32_t(l.join)).ub(1, l.hasfill).ub(1, l.nohscale).ub(1, l.novscale);
    w_.ub(1, l.pixelhinting).ub(5, uint32_t(l.reserved)).ub(1, l.noclose).ub(2, uint32_t(l.endcap));
    if (l.join == 2) w_.u16(l.miter);
    if (!l.hasfill) w_.u8(r).u8(g).u8(b).u8(a);
    return *this;
}

ShapeWriter& ShapeWriter::bits(int fill, int line) {
    w_.ub(4, uint32_t(fill)).ub(4, uint32_t(line));
    fillbits_ = fill;
    linebits_ = line;
    return *this;
}

ShapeWriter& ShapeWriter::change(const Change& c) {
    uint32_t flags = (c.newstyles ? 16 : 0) | (c.line >= 0 ? 8 : 0) | (c.fill1 >= 0 ? 4 : 0) |
                     (c.fill0 >= 0 ? 2 : 0) | (c.move ? 1 : 0);
    w_.ub(1, 0).ub(5, flags);
    if (c.move) {
        int n = c.movebits >= 0 ? c.movebits : sbits({c.movex, c.movey});
        if (c.movebits < 0 && n == 0) n = 1;
        w_.ub(5, uint32_t(n)).sb(n, c.movex).sb(n, c.movey);
    }
    if (c.fill0 >= 0) w_.ub(fillbits_, uint32_t(c.fill0));
    if (c.fill1 >= 0) w_.ub(fillbits_, uint32_t(c.fill1));
    if (c.line >= 0) w_.ub(linebits_, uint32_t(c.line));
    if (c.newstyles) w_.align();
    return *this;
}

ShapeWriter& ShapeWriter::straight(int32_t dx, int32_t dy, int numbits) {
    int n = numbits >= 0 ? numbits + 2 : sbits({dx, dy});
    if (n < 2) n = 2;
    w_.ub(1, 1).ub(1, 1).ub(4, uint32_t(n - 2));
    if ((dx && dy) || (!dx && !dy)) w_.ub(1, 1).sb(n, dx).sb(n, dy);
    else if (dy == 0) w_.ub(1, 0).ub(1, 0).sb(n, dx);
    else w_.ub(1, 0).ub(1, 1).sb(n, dy);
    return *this;
}

ShapeWriter& ShapeWriter::curve(int32_t cx, int32_t cy, int32_t ax, int32_t ay, int numbits) {
    int n = numbits >= 0 ? numbits + 2 : sbits({cx, cy, ax, ay});
    if (n < 2) n = 2;
    w_.ub(1, 1).ub(1, 0).ub(4, uint32_t(n - 2)).sb(n, cx).sb(n, cy).sb(n, ax).sb(n, ay);
    return *this;
}

ShapeWriter& ShapeWriter::endshape() {
    w_.ub(6, 0);
    return *this;
}

Bytes shapetag(int code, uint16_t id, int32_t xmin, int32_t xmax, int32_t ymin, int32_t ymax, const Bytes& shape,
               uint8_t flags4) {
    Writer w;
    w.u16(id).rect(xmin, xmax, ymin, ymax);
    if (code == 83) w.rect(xmin, xmax, ymin, ymax).u8(flags4);
    w.raw(shape);
    return tag(code, w.take());
}

}  // namespace swfb
