#pragma once

#include <QWidget>

#include "theme/Animated.h"
#include "theme/Color.h"

// A small coloured dot for a state; a pulsing one sends out a fading halo
// over and over, unless the user asked for reduced motion.
class StatusDot : public QWidget {
    Q_OBJECT
public:
    struct Metrics {
        static constexpr qreal dot = 8;
        static constexpr qreal halo = 10;
        static constexpr qreal haloOpacity = 0.35;
        static constexpr qreal haloScaleFrom = 0.8;
        static constexpr qreal haloScaleTo = 1.6;
        // Room for the widest halo, so it is never cut at the edges.
        static constexpr int size = 16;
        static constexpr int pulseMs = 1100;
    };

    explicit StatusDot(Color tint = Color::green, bool pulsing = false, QWidget *parent = nullptr);
    Color tint() const { return m_tint; }
    void setTint(Color tint);
    void setPulsing(bool pulsing);
    bool showsHalo() const;
    QSize sizeHint() const override { return {Metrics::size, Metrics::size}; }

    // Draws the dot centred in `box`, with the halo at `phase` when `halo`.
    static void paint(QPainter &painter, const QRectF &box, const QColor &tint, bool halo,
                      qreal phase);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Color m_tint;
    bool m_pulsing;
    Loop m_pulse;
};
