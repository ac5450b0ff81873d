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

// Where the ellipsis sits: just before the size column.
QRectF menuButton(const QRectF &row, const QRectF &sizeColumn);
// `row` is the whole line; the size is right-aligned in `sizeColumn`.
void paint(QPainter &painter, const QRectF &row, const QRectF &sizeColumn, const ReportItem &item);

}  // namespace ItemRow
