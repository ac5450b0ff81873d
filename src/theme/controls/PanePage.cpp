#include "theme/controls/PanePage.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "theme/controls/PageTitle.h"

PanePage::PanePage(const QString &title, const QString &subtitle, QWidget *parent)
    : QScrollArea(parent), m_title(new PageTitle(title, subtitle)), m_column(new QVBoxLayout) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Not a Tab stop of its own: the controls inside are.
    setFocusPolicy(Qt::NoFocus);
    // The window's background shows through.
    viewport()->setAutoFillBackground(false);

    auto *sheet = new QWidget;
    sheet->setAutoFillBackground(false);
    auto *centre = new QHBoxLayout(sheet);
    centre->setContentsMargins(padding, padding, padding, padding);
    auto *column = new QWidget;
    column->setMaximumWidth(maxWidth);
    column->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    column->setLayout(m_column);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(spacing);
    m_column->addWidget(m_title);
    m_column->addStretch();
    // The column takes the width first; the margins share what is left over.
    centre->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Preferred, QSizePolicy::Minimum));
    centre->addWidget(column);
    centre->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Preferred, QSizePolicy::Minimum));
    setWidget(sheet);
}

void PanePage::addRegion(QWidget *region) {
    m_column->insertWidget(m_column->count() - 1, region);
}
