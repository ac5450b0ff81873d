// Draws the application icon (the brand mark on a light tile) as SVG and as
// PNGs at the freedesktop sizes: make_icons <folder>.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include "theme/Color.h"
#include "theme/controls/Logo.h"

namespace {

void paintIcon(QPainter &painter, qreal size) {
    painter.setRenderHint(QPainter::Antialiasing);
    // A tile with a margin, as desktop icons have, and the mark in its middle.
    const qreal margin = size * 0.06;
    const QRectF tile(margin, margin, size - 2 * margin, size - 2 * margin);
    const qreal radius = tile.width() * 0.22;
    painter.setPen(QPen(resolve(Color::border, Appearance::light), qMax(1.0, size / 128)));
    painter.setBrush(resolve(Color::bg100, Appearance::light));
    painter.drawRoundedRect(tile, radius, radius);
    const qreal mark = tile.width() * 0.62;
    painter.translate(tile.center() - QPointF(mark / 2, mark / 2));
    Logo::paint(painter, mark, resolve(Color::gray1000, Appearance::light));
}

}  // namespace

int main(int argc, char *argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    {
        QSvgGenerator svg;
        svg.setFileName(folder + u"/brightloft.svg"_qs);
        svg.setSize({256, 256});
        svg.setViewBox(QRect(0, 0, 256, 256));
        svg.setTitle(u"Brightloft"_qs);
        QPainter painter(&svg);
        paintIcon(painter, 256);
    }
    for (int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        paintIcon(painter, size);
        painter.end();
        if (!image.save(folder + u"/brightloft-%1.png"_qs.arg(size)))
            return 1;
    }
    return 0;
}
