#include "theme/controls/PageTitle.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "theme/Text.h"

PageTitle::PageTitle(const QString &title, const QString &subtitle, QWidget *parent)
    : QWidget(parent),
      m_title(new Label(title, heading(titleSize))),
      m_subtitle(new Label(subtitle, textStyle(subtitleSize, QFont::Normal, Color::gray900))),
      m_row(new QHBoxLayout(this)) {
    auto *column = new QVBoxLayout;
    column->setSpacing(lineSpacing);
    column->addWidget(m_title);
    column->addWidget(m_subtitle);
    m_subtitle->setWordWrap(true);
    m_subtitle->setVisible(!subtitle.isEmpty());
    m_row->setContentsMargins(0, 0, 0, 0);
    m_row->setSpacing(spacing);
    m_row->addLayout(column, 1);
}

void PageTitle::setTitle(const QString &title) {
    m_title->setText(title);
}

void PageTitle::setSubtitle(const QString &subtitle) {
    m_subtitle->setText(subtitle);
    m_subtitle->setVisible(!subtitle.isEmpty());
}

void PageTitle::setTrailing(QWidget *trailing) {
    delete m_trailing;
    m_trailing = trailing;
    if (trailing)
        m_row->addWidget(trailing, 0, Qt::AlignVCenter);
}
