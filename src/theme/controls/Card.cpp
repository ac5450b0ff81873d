#include "theme/controls/Card.h"

#include <QPainter>

#include "theme/Text.h"
#include "theme/Theme.h"

void paintCard(QPainter &painter, const QRectF &rect, qreal radius, Color fill) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::instance().color(fill));
    painter.drawRoundedRect(rect, radius, radius);
    painter.restore();
    drawHairline(painter, rect, radius);
}

Card::Card(qreal radius, QWidget *parent) : QWidget(parent), m_radius(radius) {}

void Card::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    paintCard(painter, rect(), m_radius);
}

Rule::Rule(QWidget *parent) : QWidget(parent) {
    setFixedHeight(thickness);
}

void Rule::paint(QPainter &painter, qreal x, qreal y, qreal width) {
    painter.fillRect(QRectF(x, y, width, thickness), Theme::instance().color(Color::border));
}

void Rule::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    paint(painter, 0, 0, width());
}
