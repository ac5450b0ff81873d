#include "theme/controls/GCard.h"

GCard::GCard(int padding, QWidget *parent)
    : Card(Card::defaultRadius, parent), m_content(new QVBoxLayout(this)) {
    m_content->setContentsMargins(padding, padding, padding, padding);
    m_content->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}
