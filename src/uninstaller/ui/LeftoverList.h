#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>

#include "uninstaller/AppsModel.h"

// The files an uninstall takes along, in plan order, as rows for an item view.
class LeftoverRows : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { SizeRole = Qt::UserRole + 1, IconRole };

    explicit LeftoverRows(const QList<AppsModel::Leftover> &files, QObject *parent = nullptr);

    const AppsModel::Leftover &file(int row) const { return m_files.at(row); }
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    QList<AppsModel::Leftover> m_files;
};

// A leftover row: icon, the path cut in the middle, its size, and the
// reveal glyph at the end, on the hover-row background.
class LeftoverDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 34;
    static constexpr int reveal = 24;  // the glyph's square

    using QStyledItemDelegate::QStyledItemDelegate;

    // Where the reveal glyph of a row drawn in `row` sits.
    static QRect revealRect(const QRect &row);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

// The leftovers as a list that scrolls itself, however many there are. A
// click on a row's glyph (or Return on a row) shows that file in the file
// manager.
class LeftoverList : public QListView {
    Q_OBJECT
public:
    explicit LeftoverList(const QList<AppsModel::Leftover> &files, QWidget *parent = nullptr);

    LeftoverRows *rows() const { return m_rows; }

Q_SIGNALS:
    // `path` as the engine printed it.
    void revealRequested(const QString &path);

protected:
    bool viewportEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    LeftoverRows *m_rows;
};
