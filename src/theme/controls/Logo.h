#pragma once

#include <QList>
#include <QPointF>
#include <QWidget>

class QPainter;

// One dot of the brand mark's right half.
struct LogoDot {
    QPointF centre;
    qreal diameter;
    qreal opacity;
};

// The dot columns of a mark of edge `size`: 3 below 28, 4 below 64, else 5.
int logoColumns(qreal size);
// The dots of the mark's right half, shrinking and fading away from the
// diameter, kept inside the disc.
QList<LogoDot> logoDots(qreal size);

// The brand mark: a half disc on the left, a grid of dots on the right.
class Logo : public QWidget {
    Q_OBJECT
public:
    explicit Logo(int size, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {m_size, m_size}; }

    // Draws the mark of edge `size` with its top left at the painter's origin.
    static void paint(QPainter &painter, qreal size, const QColor &ink);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_size;
};
