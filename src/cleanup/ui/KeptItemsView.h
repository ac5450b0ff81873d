#pragma once

#include <QWidget>

class KeptItems;
class RowsCard;

// Settings' "Kept Items": every path the Cleanup never removes, each with
// "Release" to let the cleanup offer it again. Read when shown.
class KeptItemsView : public QWidget {
    Q_OBJECT
public:
    explicit KeptItemsView(QWidget *parent = nullptr);

    KeptItems *items() const { return m_items; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void rebuild();

    KeptItems *m_items;
    RowsCard *m_card;
};
