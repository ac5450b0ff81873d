#pragma once

#include "theme/controls/Card.h"

class QVBoxLayout;

// A card of rows separated by one-point rules: a panel with no padding of
// its own.
class RowsCard : public Card {
    Q_OBJECT
public:
    explicit RowsCard(qreal radius, QWidget *parent = nullptr);
    // Appends `row` under a rule (no rule above the first).
    void addRow(QWidget *row);

private:
    QVBoxLayout *m_rows;
};
