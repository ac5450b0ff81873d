#pragma once

#include <QRectF>

#include "engine/Report.h"
#include "theme/Color.h"

class QPainter;

// One report item on one line: a status dot in the kind's colour, the label,
// the detail (shortened in the middle when long) and, for action items with
// a size, the size. Painted by the report table's delegate.
namespace ItemRow {

constexpr qreal labelSize = 13;
constexpr qreal detailSize = 12;
constexpr qreal spacing = 10;

Color tint(ReportItem::Kind kind);

// Whether the item has a menu (an ellipsis): what a clean removes or a
// review item, which can be kept.
bool hasMenu(const ReportItem &item);
// Where the ellipsis sits: just before the size column.
QRectF menuButton(const QRectF &row, const QRectF &sizeColumn);
// Why the item is safe to remove, or worth a look: the last field of its
// detail after the size (and, for review items, the place).
QString reason(const ReportItem &item);

// `row` is the whole line; the size is right-aligned in `sizeColumn`.
void paint(QPainter &painter, const QRectF &row, const QRectF &sizeColumn,
           const ReportItem &item);

}  // namespace ItemRow
