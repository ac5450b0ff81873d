#include "cleanup/ui/ItemMenu.h"

#include <QListView>
#include <QMenu>
#include <QMouseEvent>

#include "cleanup/CleanModel.h"
#include "cleanup/KeptItems.h"
#include "cleanup/ReportRows.h"
#include "cleanup/ui/ItemRow.h"
#include "cleanup/ui/ReportTable.h"

ItemMenu::ItemMenu(ReportTable *table, CleanModel *model, QObject *parent)
    : QObject(parent), m_table(table), m_model(model), m_kept(new KeptItems(this)) {
    QListView *list = table->list();
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint &at) {
        const QModelIndex index = list->indexAt(at);
        if (index.isValid())
            popup(index.row(), list->viewport()->mapToGlobal(at));
    });
    list->viewport()->installEventFilter(this);
    // Kept: the report is read again, with the item under "Kept".
    connect(m_kept, &KeptItems::kept, this, [this] {
        if (m_model->phase().kind == CleanModel::Phase::ready ||
            m_model->phase().kind == CleanModel::Phase::done)
            m_model->scan();
    });
}

QMenu *ItemMenu::menuFor(int row, QWidget *parent) {
    const ReportItem *item = m_table->rows()->item(row);
    if (!item || !ReportRows::hasMenu(*item))
        return nullptr;
    auto *menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QString label = item->label;
    menu->addAction(tr("Always Keep"), m_kept, [this, label] { m_kept->keep(label); });
    return menu;
}

void ItemMenu::popup(int row, const QPoint &at) {
    if (QMenu *menu = menuFor(row, m_table))
        menu->popup(at);
}

bool ItemMenu::eventFilter(QObject *watched, QEvent *event) {
    // A press on an item's ellipsis opens its menu below the ellipsis.
    if (event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        QListView *list = m_table->list();
        const QModelIndex index = list->indexAt(mouse->position().toPoint());
        if (mouse->button() == Qt::LeftButton && index.isValid()) {
            const QRect rect = list->visualRect(index);
            const QRectF button = ItemRow::menuButton(rect, ReportColumns::in(rect).size);
            if (m_table->rows()->item(index.row()) &&
                button.adjusted(-4, -rect.height(), 4, rect.height()).contains(mouse->position())) {
                popup(index.row(), list->viewport()->mapToGlobal(button.bottomLeft().toPoint()));
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
