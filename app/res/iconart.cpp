// Draws the program's icons as PNG files: shrinkwell-icons DIR NAME...
// Simple flat pictograms on a 32 px grid, so that the pictures are ours and
// reviewable as code.
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cstdio>
#include <functional>
#include <map>
#include <string>

namespace {

const QColor blue(0x3b, 0x7d, 0xd8);
const QColor green(0x3c, 0xa5, 0x5c);
const QColor red(0xd6, 0x45, 0x45);
const QColor grey(0x6b, 0x72, 0x80);
const QColor amber(0xe8, 0xa3, 0x2e);

void plus(QPainter& p, QColor c, QRectF r) {
    p.setPen(QPen(c, r.width() / 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()));
    p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
}

void cross(QPainter& p, QColor c, QRectF r) {
    p.setPen(QPen(c, r.width() / 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

// A sheet of paper with a folded corner: the movie file.
void sheet(QPainter& p, QRectF r) {
    QPainterPath path;
    const qreal f = r.width() / 3;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - f, r.top());
    path.lineTo(r.right(), r.top() + f);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(grey, 1.5));
    p.setBrush(Qt::white);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - f, r.top()), QPointF(r.right() - f, r.top() + f));
    p.drawLine(QPointF(r.right() - f, r.top() + f), QPointF(r.right(), r.top() + f));
}

void folder(QPainter& p, QRectF r, QColor c) {
    QPainterPath path;
    path.moveTo(r.left(), r.top() + 3);
    path.lineTo(r.left() + r.width() * 0.4, r.top() + 3);
    path.lineTo(r.left() + r.width() * 0.5, r.top() + 7);
    path.lineTo(r.right(), r.top() + 7);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(c.darker(130), 1.5));
    p.setBrush(c);
    p.drawPath(path);
}

void arrow(QPainter& p, QColor c, QPointF from, QPointF to, qreal width) {
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    QLineF l(to, from);
    QLineF a = l;
    a.setLength(width * 2.5);
    a.setAngle(l.angle() + 35);
    QLineF b = l;
    b.setLength(width * 2.5);
    b.setAngle(l.angle() - 35);
    p.drawLine(a);
    p.drawLine(b);
}

void chevron(QPainter& p, QColor c, bool up) {
    p.setPen(QPen(c, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const qreal y0 = up ? 20 : 12, y1 = up ? 12 : 20;
    p.drawPolyline(QPolygonF({QPointF(8, y0), QPointF(16, y1), QPointF(24, y0)}));
}

struct Art {
    int w, h;
    std::function<void(QPainter&)> draw;
};

std::map<std::string, Art> artwork() {
    std::map<std::string, Art> a;
    a["add"] = {32, 32, [](QPainter& p) { sheet(p, QRectF(5, 3, 18, 24)); plus(p, green, QRectF(16, 16, 13, 13)); }};
    a["add02"] = {64, 64, [](QPainter& p) {
        p.setPen(QPen(blue, 3, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(4, 4, 56, 56), 8, 8);
        plus(p, blue, QRectF(20, 20, 24, 24));
    }};
    a["browse"] = {32, 32, [](QPainter& p) { folder(p, QRectF(3, 5, 26, 22), amber); }};
    a["clear"] = {32, 32, [](QPainter& p) {
        p.setPen(QPen(grey, 2));
        p.setBrush(QColor(0xf3, 0xf4, 0xf6));
        p.drawRect(QRectF(8, 9, 16, 19));
        p.drawLine(QPointF(5, 8), QPointF(27, 8));
        p.drawLine(QPointF(13, 5), QPointF(19, 5));
        for (qreal x : {12.0, 16.0, 20.0}) p.drawLine(QPointF(x, 12), QPointF(x, 25));
    }};
    a["compress"] = {32, 32, [](QPainter& p) {
        arrow(p, blue, QPointF(16, 2), QPointF(16, 13), 3);
        arrow(p, blue, QPointF(16, 30), QPointF(16, 19), 3);
        p.setPen(QPen(grey, 2));
        p.drawLine(QPointF(5, 16), QPointF(27, 16));
    }};
    a["delete"] = {32, 32, [](QPainter& p) { sheet(p, QRectF(5, 3, 18, 24)); cross(p, red, QRectF(17, 17, 11, 11)); }};
    a["moreoptions_fold"] = {32, 32, [](QPainter& p) { chevron(p, blue, true); }};
    a["moreoptions_unfold"] = {32, 32, [](QPainter& p) { chevron(p, blue, false); }};
    a["myapp"] = {64, 64, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xc8, 0x2e, 0x2e));
        p.drawRoundedRect(QRectF(4, 4, 56, 56), 12, 12);
        // A stylised "f" squeezed between two arrows.
        p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath f;
        f.moveTo(40, 16);
        f.cubicTo(30, 12, 27, 18, 27, 26);
        f.lineTo(27, 50);
        p.drawPath(f);
        p.drawLine(QPointF(20, 32), QPointF(37, 32));
        arrow(p, Qt::white, QPointF(52, 20), QPointF(52, 30), 2.5);
        arrow(p, Qt::white, QPointF(52, 48), QPointF(52, 38), 2.5);
    }};
    a["open1"] = {32, 32, [](QPainter& p) {
        folder(p, QRectF(3, 7, 22, 20), amber);
        arrow(p, blue, QPointF(16, 20), QPointF(28, 6), 2.5);
    }};
    a["proxy"] = {32, 32, [](QPainter& p) {
        p.setPen(QPen(blue, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(4, 4, 24, 24));
        p.drawEllipse(QRectF(11, 4, 10, 24));
        p.drawLine(QPointF(4, 16), QPointF(28, 16));
    }};
    a["remove"] = {32, 32, [](QPainter& p) {
        p.setPen(QPen(grey, 1.5));
        p.setBrush(QColor(0xe5, 0xe7, 0xeb));
        p.drawRoundedRect(QRectF(3, 6, 20, 20), 3, 3);
        cross(p, red, QRectF(17, 17, 11, 11));
    }};
    a["save"] = {32, 32, [](QPainter& p) {
        p.setPen(QPen(blue.darker(130), 1.5));
        p.setBrush(blue);
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 3, 3);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 4, 14, 9));
        p.drawRect(QRectF(8, 18, 16, 10));
    }};
    a["savebutton"] = {96, 28, [](QPainter& p) {
        QLinearGradient g(0, 0, 0, 28);
        g.setColorAt(0, QColor(0xfa, 0xfb, 0xfc));
        g.setColorAt(1, QColor(0xd7, 0xdc, 0xe3));
        p.setPen(QPen(QColor(0x9a, 0xa3, 0xaf), 1));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(0.5, 0.5, 95, 27), 5, 5);
    }};
    return a;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DIR NAME...\n", argv[0]);
        return 2;
    }
    const auto art = artwork();
    const QString dir = QString::fromLocal8Bit(argv[1]);
    int status = 0;
    for (int i = 2; i < argc; ++i) {
        auto it = art.find(argv[i]);
        if (it == art.end()) {
            std::fprintf(stderr, "no drawing for icon %s\n", argv[i]);
            status = 1;
            continue;
        }
        QImage img(it->second.w, it->second.h, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        it->second.draw(p);
        p.end();
        const QString path = dir + QLatin1Char('/') + QString::fromLatin1(argv[i]) + QStringLiteral(".png");
        if (!img.save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            status = 1;
        }
    }
    return status;
}
