#include "theme/controls/SummaryStrip.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "theme/Text.h"
#include "theme/controls/Card.h"
#include "theme/Theme.h"

StripCell::StripCell(QWidget *parent)
    : QWidget(parent), m_caption(new Label({}, eyebrow())), m_slot(new QVBoxLayout) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(paddingX, paddingY, paddingX, paddingY);
    column->setSpacing(spacing);
    column->addWidget(m_caption);
    m_slot->setContentsMargins(0, 0, 0, 0);
    auto *holder = new QWidget;
    holder->setFixedHeight(valueHeight);
    holder->setLayout(m_slot);
    column->addWidget(holder);
    // Equal cells whatever their content: the strip shares its width out evenly.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

QString StripCell::caption() const {
    return m_caption->text();
}

void StripCell::setCaption(const QString &caption) {
    m_caption->setText(caption);
}

void StripCell::setValue(QWidget *value) {
    delete m_value;
    m_value = value;
    m_slot->addWidget(value, 0, Qt::AlignLeft | Qt::AlignVCenter);
}

SummaryStrip::SummaryStrip(int cells, QWidget *parent) : QWidget(parent) {
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(rule);
    for (int i = 0; i < cells; ++i) {
        m_cells.append(new StripCell);
        row->addWidget(m_cells.last(), 1);
    }
}

void SummaryStrip::paintEvent(QPaintEvent *) {
    const Theme &theme = Theme::instance();
    QPainter painter(this);
    paintCard(painter, rect(), radius);
    // The rules fill the gaps between the cells.
    for (int i = 1; i < m_cells.size(); ++i)
        painter.fillRect(QRectF(m_cells[i]->x() - rule, 0, rule, height()),
                         theme.color(Color::border));
}
