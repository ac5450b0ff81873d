#include "cleanup/ui/ItemRow.h"

#include <QFontMetricsF>
#include <QPainter>

#include "cleanup/ReportRows.h"
#include "engine/Size.h"
#include "theme/IconStore.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/StatusDot.h"

namespace {

constexpr qreal kLabelShare = 0.45;  // of the room for label and detail, at most
constexpr qreal kEllipsis = 14;

}  // namespace

Color ItemRow::tint(ReportItem::Kind kind) {
    switch (kind) {
        case ReportItem::Kind::action:
            return Color::blue;
        case ReportItem::Kind::review:
            return Color::amber;
        case ReportItem::Kind::note:
            return Color::gray600;
        case ReportItem::Kind::ok:
            return Color::green;
    }
    return Color::gray600;
}

QRectF ItemRow::menuButton(const QRectF &row, const QRectF &sizeColumn) {
    return QRectF(sizeColumn.left() - spacing - kEllipsis, row.center().y() - kEllipsis / 2,
                  kEllipsis, kEllipsis);
}

void ItemRow::paint(QPainter &painter, const QRectF &row, const QRectF &sizeColumn,
                    const ReportItem &item) {
    const qreal dot = StatusDot::Metrics::size;
    StatusDot::paint(painter, QRectF(row.left(), row.center().y() - dot / 2, dot, dot),
                     Theme::instance().color(tint(item.kind)), false, 0);

    qreal x = row.left() + dot + 8;
    qreal end = sizeColumn.left() - spacing;
    if (ReportRows::hasMenu(item)) {
        const QRectF dots = menuButton(row, sizeColumn);
        IconStore::shared().paint(painter, dots, u"ellipsis"_qs,
                                  Theme::instance().color(Color::gray600));
        end = dots.left() - spacing;
    }
    const TextStyle label = textStyle(labelSize);
    const TextStyle detail = monoStyle(detailSize, QFont::Normal, Color::gray900);

    const QFontMetricsF labelMetrics(label.font);
    const qreal labelWidth =
        qMin(labelMetrics.horizontalAdvance(item.label), (end - x) * kLabelShare);
    drawText(painter, QRectF(x, row.top(), labelWidth, row.height()), flagsLeft,
             labelMetrics.elidedText(item.label, Qt::ElideRight, labelWidth), label);
    x += labelWidth + spacing;

    if (!item.detail.isEmpty() && end > x) {
        const QFontMetricsF detailMetrics(detail.font);
        drawText(painter, QRectF(x, row.top(), end - x, row.height()), flagsLeft,
                 detailMetrics.elidedText(item.detail, Qt::ElideMiddle, end - x), detail);
    }
    if (item.kind == ReportItem::Kind::action && item.bytes)
        drawText(painter, QRectF(sizeColumn.left(), row.top(), sizeColumn.width(), row.height()),
                 flagsRight, Size::format(*item.bytes), monoStyle(detailSize));
}
