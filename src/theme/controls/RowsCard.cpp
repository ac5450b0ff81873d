#include "theme/controls/RowsCard.h"

#include <QPainter>
#include <QVBoxLayout>

#include "theme/Text.h"
#include "theme/Theme.h"

namespace {

class Rule : public QWidget {
public:
    Rule() { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter(this).fillRect(rect(), Theme::instance().color(Color::border));
    }
};

}  // namespace

RowsCard::RowsCard(qreal radius, QWidget *parent)
    : QWidget(parent), m_radius(radius), m_rows(new QVBoxLayout(this)) {
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);
}

void RowsCard::addRow(QWidget *row) {
    if (m_rows->count() > 0)
        m_rows->addWidget(new Rule);
    m_rows->addWidget(row);
}

void RowsCard::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::instance().color(Color::bg100));
    painter.drawRoundedRect(rect(), m_radius, m_radius);
    drawHairline(painter, rect(), m_radius);
}
