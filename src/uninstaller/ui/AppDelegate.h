#pragma once

#include <QStyledItemDelegate>

class AppRows;
class AppsModel;

// Paints an app row: icon, name (medium while selected), source badge and
// size, on the hover-row background.
class AppDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 40;
    static constexpr int gap = 2;  // between rows

    AppDelegate(AppsModel *model, const AppRows *rows, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    AppsModel *m_model;
    const AppRows *m_rows;
};
