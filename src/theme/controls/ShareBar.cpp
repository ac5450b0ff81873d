#include "theme/controls/ShareBar.h"

#include <QPainter>

#include "theme/Theme.h"

qreal shareBarFillWidth(qreal width, qreal fraction, qreal height) {
    const qreal share = fraction > 1 ? width : fraction * width;
    // Written so a NaN fraction counts as nothing.
    const qreal shown = fraction > 0 ? share : 0;
    return qMax(shown, height);
}

ShareBar::ShareBar(qreal fraction, Color tint, int height, QWidget *parent)
    : QWidget(parent), m_fraction(fraction), m_tint(tint) {
    setFixedHeight(height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ShareBar::setFraction(qreal fraction) {
    m_fraction = fraction;
    update();
}

void ShareBar::setTint(Color tint) {
    m_tint = tint;
    update();
}

void ShareBar::paint(QPainter &painter, const QRectF &track, qreal fraction, const QColor &tint) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const qreal radius = track.height() / 2;
    painter.setBrush(Theme::instance().color(Color::gray200));
    painter.drawRoundedRect(track, radius, radius);
    QRectF fill = track;
    fill.setWidth(shareBarFillWidth(track.width(), fraction, track.height()));
    painter.setBrush(tint);
    painter.drawRoundedRect(fill, radius, radius);
    painter.restore();
}

void ShareBar::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    paint(painter, rect(), m_fraction, Theme::instance().color(m_tint));
}
