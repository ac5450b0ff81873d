#include "theme/controls/HoverRow.h"

#include <QPainter>

#include "theme/Theme.h"

HoverRow::HoverRow(QWidget *parent) : Pressable(parent), m_content(new QHBoxLayout(this)) {
    m_content->setContentsMargins(0, 0, 0, 0);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void HoverRow::setSelected(bool selected) {
    m_selected = selected;
    update();
}

void HoverRow::paintBackground(QPainter &painter, const QRectF &rect, bool selected, qreal hover) {
    const Theme &theme = Theme::instance();
    const QColor fill =
        selected ? theme.color(Color::gray100) : withOpacity(theme.color(Color::alpha100), hover);
    if (fill.alpha() == 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, radius, radius);
    painter.restore();
}

void HoverRow::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    paintBackground(painter, rect(), m_selected, hoverAmount());
    if (showsFocus())
        paintFocus(painter, rect());
}

void HoverRow::paintFocus(QPainter &painter, const QRectF &rect) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Theme::instance().color(Color::blue), focusRing));
    painter.setBrush(Qt::NoBrush);
    const qreal inset = focusRing / 2;
    painter.drawRoundedRect(rect.adjusted(inset, inset, -inset, -inset), radius - inset,
                            radius - inset);
    painter.restore();
}
