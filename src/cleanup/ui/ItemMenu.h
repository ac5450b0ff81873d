#pragma once

#include <QObject>
#include <QPoint>

class CleanModel;
class KeptItems;
class QMenu;
class ReportTable;

// The menu of a Cleanup report item, from its ellipsis or a right-click:
// "Always Keep" puts what the item names on the keep list, then scans again,
// so the item moves to the "Kept" group and the total drops.
class ItemMenu : public QObject {
    Q_OBJECT
public:
    ItemMenu(ReportTable *table, CleanModel *model, QObject *parent = nullptr);

    // The menu for the row at `row` of the table, or none for a row that
    // offers nothing (a section, a note, a kept item).
    QMenu *menuFor(int row, QWidget *parent);
    KeptItems *kept() const { return m_kept; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void popup(int row, const QPoint &at);

    ReportTable *m_table;
    CleanModel *m_model;
    KeptItems *m_kept;
};
