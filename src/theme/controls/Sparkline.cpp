#include "theme/controls/Sparkline.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "theme/Theme.h"

QList<QPointF> sparklinePoints(const QList<qreal> &values, const QSizeF &size) {
    QList<QPointF> points;
    points.reserve(values.size());
    const qsizetype last = values.size() - 1;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const qreal x = last > 0 ? size.width() * qreal(i) / qreal(last) : 0;
        // Written so NaN and non-positive values sit on the baseline.
        const qreal v = values[i];
        const qreal y = v > 0 ? size.height() * (1 - qMin(v, 1.0)) : size.height();
        points << QPointF(x, y);
    }
    return points;
}

QPainterPath sparklineArea(const QList<QPointF> &points, qreal baseline) {
    QPainterPath area;
    if (points.isEmpty())
        return area;
    // Point by point: connectPath() would drop the lone starting point on
    // the baseline and close the area to the line's first point instead.
    area.moveTo(points.first().x(), baseline);
    for (const QPointF &p : points) area.lineTo(p);
    area.lineTo(points.last().x(), baseline);
    area.closeSubpath();
    return area;
}

Sparkline::Sparkline(Color tint, QWidget *parent) : QWidget(parent), m_tint(tint) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void Sparkline::setValues(const QList<qreal> &values) {
    m_values = values;
    update();
}

void Sparkline::setTint(Color tint) {
    m_tint = tint;
    update();
}

void Sparkline::paintEvent(QPaintEvent *) {
    if (m_values.size() < 2)
        return;  // one value has no extent to draw
    // Inset by half the line, so a line at the top or bottom is drawn whole.
    const qreal inset = lineWidth / 2;
    QList<QPointF> points =
        sparklinePoints(m_values, QSizeF(size()) - QSizeF(2 * inset, 2 * inset));
    for (QPointF &p : points) p += QPointF(inset, inset);
    const QColor tint = Theme::instance().color(m_tint);
    const qreal h = height();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath line(points.first());
    for (qsizetype i = 1; i < points.size(); ++i) line.lineTo(points[i]);

    const QPainterPath area = sparklineArea(points, h);
    QLinearGradient fade(0, 0, 0, h);
    fade.setColorAt(0, withOpacity(tint, areaOpacity));
    fade.setColorAt(1, withOpacity(tint, 0));
    painter.fillPath(area, fade);

    QPen pen(tint, lineWidth, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
    painter.strokePath(line, pen);
}
