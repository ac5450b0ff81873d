#include "theme/controls/Card.h"

#include <QPainter>

#include "theme/Text.h"
#include "theme/Theme.h"

void paintCard(QPainter &painter, const QRectF &rect, qreal radius, Color fill) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::instance().color(fill));
    painter.drawRoundedRect(rect, radius, radius);
    painter.restore();
    drawHairline(painter, rect, radius);
}
