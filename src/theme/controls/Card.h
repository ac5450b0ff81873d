#pragma once

#include <QRectF>
#include <QWidget>

#include "theme/Color.h"

class QPainter;

// The card look the pane screens share: a rounded fill with a hairline edge.
void paintCard(QPainter &painter, const QRectF &rect, qreal radius, Color fill = Color::bg100);

// The card look as a widget, behind whatever is laid out inside it.
class Card : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal defaultRadius = 12;

    explicit Card(qreal radius = defaultRadius, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_radius;
};

// A one-point rule in the border colour between the parts of a card.
class Rule : public QWidget {
    Q_OBJECT
public:
    static constexpr int thickness = 1;

    explicit Rule(QWidget *parent = nullptr);

    // The same rule for painted rows and headers: `width` long, its top at `y`.
    static void paint(QPainter &painter, qreal x, qreal y, qreal width);

protected:
    void paintEvent(QPaintEvent *event) override;
};
