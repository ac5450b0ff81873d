#pragma once

#include <QList>
#include <QPainterPath>
#include <QWidget>

#include "theme/Color.h"

// The chart points of `values` (fractions of the height, 1 at the top) spread
// evenly across `size`: values are clamped to 0...1, the first point is at the
// left edge and the last at the right.
QList<QPointF> sparklinePoints(const QList<qreal> &values, const QSizeF &size);
// The area under the line through `points`, closed along the baseline at
// height `baseline`: down from the last point, back to below the first.
QPainterPath sparklineArea(const QList<QPointF> &points, qreal baseline);

// A small line chart with a fading area below the line, filling its space.
class Sparkline : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal lineWidth = 1.5;
    static constexpr qreal areaOpacity = 0.18;  // at the top, fading to 0 at the bottom

    explicit Sparkline(Color tint = Color::blue, QWidget *parent = nullptr);
    void setValues(const QList<qreal> &values);
    void setTint(Color tint);
    QSize sizeHint() const override { return {120, 40}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<qreal> m_values;
    Color m_tint;
};
