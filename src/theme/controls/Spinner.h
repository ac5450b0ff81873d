#pragma once

#include <QWidget>

#include "theme/Animated.h"
#include "theme/Color.h"

// A turning, open ring that says "working". Announced as "Loading".
class Spinner : public QWidget {
    Q_OBJECT
public:
    static constexpr int periodMs = 650;  // one full turn
    static constexpr qreal lineWidth = 1.5;
    static constexpr qreal arcLength = 0.72;  // of the circle
    static QEasingCurve curve() { return QEasingCurve(QEasingCurve::Linear); }

    explicit Spinner(int size = 16, Color tint = Color::gray1000, QWidget *parent = nullptr);
    void setTint(Color tint);
    QSize sizeHint() const override { return {m_size, m_size}; }

    // Draws the ring into the square `box`, turned by `phase` (0...1) of a turn.
    static void paint(QPainter &painter, const QRectF &box, const QColor &tint, qreal phase);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_size;
    Color m_tint;
    Loop m_spin;
};
