// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Logo.h"

#include <QFont>
#include <QPainter>

QPixmap ProgrammerLogo(qreal pixelRatio) {
    QPixmap pix(QSize(371, 46) * pixelRatio);
    pix.setDevicePixelRatio(pixelRatio);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);

    // A small call box: dark body, speaker grille, one lit LED.
    const QColor navy(20, 45, 110);
    p.setPen(Qt::NoPen);
    p.setBrush(navy);
    p.drawRoundedRect(QRectF(8, 4, 30, 38), 5, 5);
    p.setBrush(QColor(200, 210, 230));
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(14, 12 + 5 * i, 18, 2));
    p.setBrush(QColor(230, 40, 40));
    p.drawEllipse(QPointF(23, 35), 2.5, 2.5);

    // Radio waves leaving the box.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(navy, 2, Qt::SolidLine, Qt::RoundCap));
    for (int r = 8; r <= 16; r += 8)
        p.drawArc(QRectF(38 - r, 23 - r, 2 * r, 2 * r), -40 * 16, 80 * 16);

    QFont big(QStringLiteral("Arial"));
    big.setPixelSize(28);
    big.setBold(true);
    p.setFont(big);
    p.setPen(navy);
    p.drawText(QRectF(62, 0, 140, 46), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("ZT870K"));

    QFont small(QStringLiteral("Arial"));
    small.setPixelSize(12);
    p.setFont(small);
    p.setPen(QColor(90, 90, 90));
    p.drawText(QRectF(200, 6, 171, 34), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("CALL BOX\nPROGRAMMER"));
    p.setPen(QPen(QColor(230, 40, 40), 2));
    p.drawLine(QPointF(192, 10), QPointF(192, 36));
    return pix;
}
