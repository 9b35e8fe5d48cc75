// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the program's icon (the shapes of io.github.vecardia.Vecardia.svg) as PNG files of the usual sizes:
//   make-icons OUTPUT_FOLDER
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 128.0, size / 128.0);
        QLinearGradient body(0, 6, 0, 122);
        body.setColorAt(0, QColor(0x3b8fe3));
        body.setColorAt(1, QColor(0x1f5fae));
        p.setPen(Qt::NoPen);
        p.setBrush(body);
        p.drawRoundedRect(QRectF(24, 6, 80, 116), 14, 14);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(32, 18, 64, 84), 6, 6);
        p.setBrush(QColor(0x2a6fc2));
        p.drawEllipse(QPointF(64, 48), 14, 14);
        QPainterPath shoulders;
        shoulders.moveTo(40, 92);
        shoulders.cubicTo(40, 72, 88, 72, 88, 92);
        shoulders.closeSubpath();
        p.drawPath(shoulders);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(64, 112), 5, 5);
        p.end();
        if (!image.save(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/%1.png").arg(size)))
            return 1;
    }
    return 0;
}
