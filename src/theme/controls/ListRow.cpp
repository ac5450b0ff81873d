#include "theme/controls/ListRow.h"

#include <QFontMetricsF>
#include <QListView>
#include <QPainter>
#include <QStyleOptionViewItem>

#include "theme/Text.h"
#include "theme/controls/Badge.h"
#include "theme/controls/HoverRow.h"

ListRow::ListRow(const QRectF &line, const Metrics &m)
    : metrics(m),
      fill(line.adjusted(m.inset, m.gap, -m.inset, -m.gap)),
      content(fill.adjusted(m.padding, 0, -m.padding, 0)),
      icon(content.left(), content.center().y() - m.icon / 2, m.icon, m.icon),
      nameLeft(icon.right() + m.spacing) {}

void ListRow::paintBackground(QPainter &painter, bool selected, bool hovered) const {
    HoverRow::paintBackground(painter, fill, selected, hovered ? 1 : 0);
}

void ListRow::paintBackground(QPainter &painter, bool selected,
                              const QStyleOptionViewItem &option) const {
    paintBackground(painter, selected, option.state & QStyle::State_MouseOver);
    // The list's current row while the list has focus: where the keys act.
    if (option.state & QStyle::State_HasFocus)
        HoverRow::paintFocus(painter, fill);
}

void ListRow::paintName(QPainter &painter, qreal right, const QString &name, const TextStyle &style,
                        Qt::TextElideMode elide, const QPixmap &badge) const {
    const qreal badgeWidth =
        badge.isNull() ? 0 : badge.deviceIndependentSize().width() + metrics.spacing;
    const qreal room = qMax(0.0, right - nameLeft - badgeWidth);
    const QString shown = QFontMetricsF(style.font).elidedText(name, elide, room);
    drawText(painter, QRectF(nameLeft, content.top(), room, content.height()),
             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown, style);
    if (!badge.isNull()) {
        const QSizeF size = badge.deviceIndependentSize();
        painter.drawPixmap(QPointF(nameLeft + textWidth(shown, style) + metrics.spacing,
                                   content.center().y() - size.height() / 2),
                           badge);
    }
}

QPixmap ListRow::badge(const QPainter &painter, const QString &text, Color tint) {
    if (text.isEmpty())
        return {};
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    return Badge::pixmap(text, tint, dpr);
}

void ListRow::prepare(QListView *list) {
    list->setFrameShape(QFrame::NoFrame);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setMouseTracking(true);
    list->setAutoFillBackground(false);
    list->viewport()->setAutoFillBackground(false);
}
