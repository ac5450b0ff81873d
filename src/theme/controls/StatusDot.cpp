#include "theme/controls/StatusDot.h"

#include <QPainter>

#include "theme/Theme.h"

using M = StatusDot::Metrics;

StatusDot::StatusDot(Color tint, bool pulsing, QWidget *parent)
    : QWidget(parent),
      m_tint(tint),
      m_pulsing(pulsing),
      m_pulse(this, M::pulseMs, Motion::hover().curve) {
    setFixedSize(M::size, M::size);
    m_pulse.setWanted(pulsing);
    connect(&Theme::instance(), &Theme::motionChanged, this, qOverload<>(&QWidget::update));
}

void StatusDot::setTint(Color tint) {
    m_tint = tint;
    update();
}

void StatusDot::setPulsing(bool pulsing) {
    m_pulsing = pulsing;
    m_pulse.setWanted(pulsing);
    update();
}

bool StatusDot::showsHalo() const {
    return m_pulsing && !Theme::instance().reducedMotion();
}

void StatusDot::paint(QPainter &painter, const QRectF &box, const QColor &tint, bool halo,
                      qreal phase) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QPointF centre = box.center();
    if (halo) {
        const qreal scale = M::haloScaleFrom + (M::haloScaleTo - M::haloScaleFrom) * phase;
        const qreal r = M::halo * scale / 2;
        painter.setBrush(withOpacity(tint, M::haloOpacity * (1 - phase)));
        painter.drawEllipse(centre, r, r);
    }
    painter.setBrush(tint);
    painter.drawEllipse(centre, M::dot / 2, M::dot / 2);
    painter.restore();
}

void StatusDot::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    paint(painter, rect(), Theme::instance().color(m_tint), showsHalo(), m_pulse.phase());
}
