// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the programmer's icon (the picture of zt870k-programmer.svg) as PNGs
// for the icon theme's fixed sizes, so no binary artwork is kept in the tree.
//
//   make_icons <output folder>    writes <folder>/<N>x<N>/zt870k-programmer.png

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// The picture on a 64 x 64 canvas, as in the SVG.
void draw(QPainter& p)
{
    const QColor navy(0x14, 0x2d, 0x6e);
    p.setPen(Qt::NoPen);
    p.setBrush(navy);
    p.drawRoundedRect(QRectF(12, 6, 30, 52), 6, 6);
    p.setBrush(QColor(0xc8, 0xd2, 0xe6));
    for (int y : {14, 21, 28, 35})
        p.drawRect(QRectF(18, y, 18, 3));
    p.setBrush(QColor(0xe6, 0x28, 0x28));
    p.drawEllipse(QPointF(27, 48), 3.5, 3.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(navy, 3, Qt::SolidLine, Qt::RoundCap));
    for (double r : {9.0, 17.0})
        p.drawArc(QRectF(42 - r, 32 - r, 2 * r, 2 * r), -40 * 16, 80 * 16);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons <output folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int size : kSizes) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        draw(p);
        p.end();
        const QString dir = QStringLiteral("%1/%2x%2").arg(root).arg(size);
        if (!QDir().mkpath(dir) || !image.save(dir + QStringLiteral("/zt870k-programmer.png"))) {
            std::fprintf(stderr, "make_icons: cannot write into %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
