#include "theme/controls/Switch.h"

#include <QPainter>

#include "theme/Theme.h"

using M = Switch::Metrics;

Switch::Switch(QWidget *parent) : Pressable(parent), m_position(this) {
    setCheckable(true);
    setFixedSize(M::width, M::height);
    setCursor(Qt::PointingHandCursor);
}

QPainterPath Switch::shape() const {
    QPainterPath path;
    path.addRoundedRect(rect(), height() / 2.0, height() / 2.0);
    return path;
}

void Switch::checkStateSet() {
    m_position.animateTo(isChecked() ? 1 : 0, Motion::out());
}

void Switch::nextCheckState() {
    QAbstractButton::nextCheckState();
    checkStateSet();
}

void Switch::paintEvent(QPaintEvent *) {
    const Theme &theme = Theme::instance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isInteractive())
        painter.setOpacity(0.5);
    const qreal on = m_position.value();
    const qreal r = height() / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(mix(theme.color(Color::gray400), theme.color(Color::green), on));
    painter.drawRoundedRect(rect(), r, r);
    const qreal knob = height() - 2 * M::knobInset;
    const qreal x = M::knobInset + (width() - height()) * on;
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, M::knobInset, knob, knob));
    if (showsFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(theme.color(Color::blue), 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), r - 1, r - 1);
    }
}
