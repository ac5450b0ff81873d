#include "theme/controls/Logo.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <cmath>

#include "theme/Theme.h"

int logoColumns(qreal size) {
    return size < 28 ? 3 : size < 64 ? 4 : 5;
}

QList<LogoDot> logoDots(qreal size) {
    const qreal r = size / 2;
    const int n = logoColumns(size);
    const qreal cell = r / n;
    QList<LogoDot> dots;
    for (int i = 0; i < n; ++i) {
        const qreal t = qreal(i) / (n - 1);
        const qreal diameter = cell * (0.8 - 0.4 * t);
        const qreal opacity = 1 - 0.7 * t;
        const qreal x = r + cell * (i + 0.5);
        for (int row = 0; cell * (row + 0.5) < 2 * r; ++row) {
            const qreal y = cell * (row + 0.5);
            if (std::hypot(x - r, y - r) + diameter / 2 <= r)
                dots << LogoDot{{x, y}, diameter, opacity};
        }
    }
    return dots;
}

Logo::Logo(int size, QWidget *parent) : QWidget(parent), m_size(size) {
    setFixedSize(size, size);
}

void Logo::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    paint(painter, m_size, Theme::instance().color(Color::gray1000));
}

void Logo::paint(QPainter &painter, qreal s, const QColor &ink) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);

    // The left half of the disc: from the top, anticlockwise round to the bottom.
    QPainterPath half(QPointF(s / 2, s / 2));
    half.arcTo(QRectF(0, 0, s, s), 90, 180);
    half.closeSubpath();
    painter.drawPath(half);

    for (const LogoDot &dot : logoDots(s)) {
        painter.setOpacity(dot.opacity);
        painter.drawEllipse(dot.centre, dot.diameter / 2, dot.diameter / 2);
    }
    painter.restore();
}
