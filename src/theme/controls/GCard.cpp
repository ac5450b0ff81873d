#include "theme/controls/GCard.h"

#include <QPainter>

#include "theme/Text.h"
#include "theme/Theme.h"

GCard::GCard(int padding, QWidget *parent) : QWidget(parent), m_content(new QVBoxLayout(this)) {
    m_content->setContentsMargins(padding, padding, padding, padding);
    m_content->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void GCard::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::instance().color(Color::bg100));
    painter.drawRoundedRect(rect(), radius, radius);
    drawHairline(painter, rect(), radius);
}
