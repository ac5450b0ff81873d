#pragma once

#include <QWidget>

#include "theme/Color.h"

class QPainter;

// The width of a share bar's fill: `fraction` of the bar's `width` (all of it
// above 1), never narrower than the bar's `height`, so even a zero share
// shows a round dot at the left end.
qreal shareBarFillWidth(qreal width, qreal fraction, qreal height);

// A horizontal capsule track with a tinted capsule from the left showing a share.
class ShareBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int defaultHeight = 6;

    explicit ShareBar(qreal fraction = 0, Color tint = Color::blue, int height = defaultHeight,
                      QWidget *parent = nullptr);
    void setFraction(qreal fraction);
    void setTint(Color tint);
    // Draws the bar into `track` (item delegates draw rows with it).
    static void paint(QPainter &painter, const QRectF &track, qreal fraction, const QColor &tint);
    QSize sizeHint() const override { return {120, height()}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_fraction;
    Color m_tint;
};
