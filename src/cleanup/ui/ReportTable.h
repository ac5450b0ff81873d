#pragma once

#include <QListView>
#include <QRectF>
#include <QStyledItemDelegate>
#include <QWidget>

#include "engine/Report.h"
#include "theme/controls/Card.h"

class ContentList;
class ReportRows;
class QLabel;

// Where the table's columns sit in a row: the category takes what the fixed
// columns on the right leave.
struct ReportColumns {
    static constexpr int padding = 16;  // left and right of a row
    static constexpr int itemsWidth = 60;
    static constexpr int shareWidth = 116;   // the bar
    static constexpr int sharePadding = 24;  // each side of the bar
    static constexpr int sizeWidth = 90;

    QRectF category;
    QRectF items;
    QRectF share;  // the bar's own width, padding excluded
    QRectF size;

    static ReportColumns in(const QRectF &row);
};

// Paints the table's rows: sections (chevron, title, review badge, action
// count, share bar, size) and, below an open section, its items.
class ReportDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ReportDelegate(const ReportRows *rows, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    void paintSection(QPainter &painter, const QStyleOptionViewItem &option, int row) const;

    const ReportRows *m_rows;
};

// The report of a scan as a card: column captions, one row per section (a
// click opens or closes it), a footer note; a placeholder while nothing has
// been found. The list is as tall as its rows until the page has no more
// room; then it scrolls itself.
class ReportTable : public Card {
    Q_OBJECT
public:
    static constexpr int headerHeight = 36;
    static constexpr int placeholderHeight = 120;
    static constexpr int minimumListHeight = 160;

    explicit ReportTable(QWidget *parent = nullptr);

    // The sections to show now.
    void setSections(const QList<ReportSection> &sections);
    // Whether the scan has ended: an empty report then says nothing was found.
    void setFinished(bool finished);

    ReportRows *rows() const { return m_rows; }
    QListView *list() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fit();

    ReportRows *m_rows;
    ContentList *m_list;
    QWidget *m_searching;
    QWidget *m_nothing;
    QWidget *m_footer;
    bool m_finished = false;
};
