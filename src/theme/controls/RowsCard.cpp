#include "theme/controls/RowsCard.h"

#include <QVBoxLayout>

#include "theme/controls/Card.h"

RowsCard::RowsCard(qreal radius, QWidget *parent)
    : Card(radius, parent), m_rows(new QVBoxLayout(this)) {
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);
}

void RowsCard::addRow(QWidget *row) {
    if (m_rows->count() > 0)
        m_rows->addWidget(new Rule);
    m_rows->addWidget(row);
}
