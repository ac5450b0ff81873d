#pragma once

#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QStyledItemDelegate>

#include "theme/Color.h"
#include "theme/controls/ListRow.h"

class SpaceRows;
struct DiskEntry;

// Where the parts of a Space Lens row sit; the name takes what the fixed
// columns on the right leave. The column header lines up with the same.
struct SpaceColumns {
    static constexpr int inset = 6;     // the hover fill stays clear of the panel's edge
    static constexpr int padding = 14;  // inside the row
    static constexpr int spacing = 12;
    static constexpr int icon = 20;
    static constexpr int shareWidth = 200;
    static constexpr int barWidth = 140;
    static constexpr int barHeight = 4;
    static constexpr int barGap = 10;
    static constexpr int sizeWidth = 90;
    static constexpr int actions = 24;
    static constexpr int chevron = 16;
    static constexpr ListRow::Metrics metrics{inset, 2, padding, spacing, icon};

    QRectF icon_;
    QRectF name;  // badge included
    QRectF share;
    QRectF size;
    QRectF actions_;
    QRectF chevron_;

    static SpaceColumns in(const QRectF &row);
};

// Paints Space Lens rows: file icon, middle-truncated name, badge, share bar
// and percentage, size or "measuring…", the actions glyph and, for folders,
// a chevron; and the "Largest files" caption.
class SpaceDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 44;
    static constexpr int captionHeight = 40;

    explicit SpaceDelegate(const SpaceRows *rows, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The file manager's icon for an entry, looked up once per file type.
    QIcon icon(const DiskEntry &entry) const;

private:
    void paintEntry(QPainter &painter, const QStyleOptionViewItem &option, int row) const;

    const SpaceRows *m_rows;
    mutable QHash<QString, QIcon> m_icons;
};
