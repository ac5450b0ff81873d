#pragma once

#include <QPixmap>
#include <QRectF>

#include "theme/Color.h"

class QListView;
class QPainter;
class QStyleOptionViewItem;
struct TextStyle;

// The row shape the list delegates share: a hover fill inset from the
// list's edges, an icon square at the start of the padded content, then the
// name with an optional badge after it. What follows the name is each
// delegate's own.
struct ListRow {
    struct Metrics {
        qreal inset;    // the fill stays clear of the list's sides
        qreal gap;      // the fill stays clear of the rows above and below
        qreal padding;  // inside the fill, left and right
        qreal spacing;  // icon to name, name to badge
        qreal icon;
    };

    ListRow(const QRectF &line, const Metrics &metrics);

    // The hover (or selection) fill behind the row.
    void paintBackground(QPainter &painter, bool selected, bool hovered) const;
    // The same, hovered as `option` says, with the focus ring on the current row.
    void paintBackground(QPainter &painter, bool selected,
                         const QStyleOptionViewItem &option) const;
    // Draws `name` from nameLeft up to `right`, cut with `elide` so that the
    // badge after it keeps its room.
    void paintName(QPainter &painter, qreal right, const QString &name, const TextStyle &style,
                   Qt::TextElideMode elide, const QPixmap &badge) const;
    // A badge picture for `painter`'s pixel ratio; none for an empty text.
    static QPixmap badge(const QPainter &painter, const QString &text, Color tint);
    // Sets `list` up for rows painted this way: no frame, no sideways
    // scrolling, no selection of its own, hover tracked, its parent's
    // background showing through.
    static void prepare(QListView *list);

    Metrics metrics;
    QRectF fill;
    QRectF content;  // the fill without its padding
    QRectF icon;
    qreal nameLeft;
};
