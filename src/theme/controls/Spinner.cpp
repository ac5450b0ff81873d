#include "theme/controls/Spinner.h"

#include <QPainter>

#include "theme/Theme.h"

Spinner::Spinner(int size, Color tint, QWidget *parent)
    : QWidget(parent), m_size(size), m_tint(tint), m_spin(this, periodMs, curve(), Loop::Kind::essential) {
    setFixedSize(size, size);
    setAccessibleName(tr("Loading"));
}

void Spinner::setTint(Color tint) {
    m_tint = tint;
    update();
}

void Spinner::paint(QPainter &painter, const QRectF &box, const QColor &tint, qreal phase) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.center());
    painter.rotate(360 * phase);
    QPen pen(tint, lineWidth);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal r = box.width() / 2 - lineWidth / 2;
    // From three o'clock, clockwise (Qt counts angles anticlockwise in 1/16°).
    painter.drawArc(QRectF(-r, -r, 2 * r, 2 * r), 0, -qRound(arcLength * 360 * 16));
    painter.restore();
}

void Spinner::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    paint(painter, rect(), Theme::instance().color(m_tint), m_spin.phase());
}
