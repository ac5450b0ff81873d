#include "app/TopBar.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

#include "app/FreeSpacePill.h"
#include "app/TabButton.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/GButton.h"
#include "theme/controls/Logo.h"

using M = TopBar::Metrics;

TopBar::TopBar(StatusModel *status, QWidget *parent)
    : QWidget(parent),
      m_section(new Label({}, textStyle(14, QFont::Medium))),
      m_pill(new FreeSpacePill(status)),
      m_menuButton(new GButton({}, GButton::Kind::tertiary)),
      m_tabRow(new QWidget) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 1);  // the rule below
    column->setSpacing(0);

    auto *title = new QWidget;
    title->setFixedHeight(M::titleHeight);
    auto *titleRow = new QHBoxLayout(title);
    titleRow->setContentsMargins(M::padding, 0, M::padding, 0);
    titleRow->setSpacing(M::spacing);
    titleRow->addWidget(new Logo(M::logo));
    titleRow->addWidget(new Label(u"Brightloft"_qs, textStyle(14, QFont::DemiBold)));
    titleRow->addWidget(new Label(u"/"_qs, textStyle(16, QFont::Normal, Color::gray600)));
    titleRow->addWidget(m_section);
    titleRow->addStretch();
    titleRow->addWidget(m_pill);
    m_menuButton->setIconName(u"ellipsis"_qs);
    m_menuButton->setHeight(M::menuButton);
    m_menuButton->setAccessibleName(tr("Menu"));
    m_menuButton->setToolTip(tr("Menu"));
    titleRow->addWidget(m_menuButton);
    column->addWidget(title);

    auto *tabRow = new QHBoxLayout(m_tabRow);
    tabRow->setContentsMargins(M::padding, 0, M::padding, 0);
    tabRow->setSpacing(M::tabSpacing);
    for (Pane pane : Panes::all()) {
        auto *tab = new TabButton(pane);
        connect(tab, &TabButton::clicked, this, [this, pane] { Q_EMIT paneRequested(pane); });
        tabRow->addWidget(tab);
        m_tabs << tab;
    }
    tabRow->addStretch();
    column->addWidget(m_tabRow);

    connect(m_menuButton, &GButton::clicked, this, [this] {
        if (m_menu)
            m_menu->popup(m_menuButton->mapToGlobal(QPoint(0, m_menuButton->height())));
    });
    setPane(Pane::overview);
}

void TopBar::setPane(Pane pane) {
    m_pane = pane;
    for (TabButton *tab : m_tabs) tab->setSelected(tab->pane() == pane);
    updateLabel();
}

void TopBar::setShowTabs(bool show) {
    m_showTabs = show;
    m_tabRow->setVisible(show);
    updateLabel();
}

void TopBar::setMenu(QMenu *menu) {
    m_menu = menu;
}

QString TopBar::sectionLabel() const {
    return m_section->text();
}

void TopBar::updateLabel() {
    m_section->setText(m_showTabs ? Panes::title(m_pane) : tr("Setup"));
}

void TopBar::paintEvent(QPaintEvent *) {
    const Theme &theme = Theme::instance();
    QPainter painter(this);
    painter.fillRect(rect(), theme.color(Color::bg100));
    painter.fillRect(QRect(0, height() - 1, width(), 1), theme.color(Color::border));
}
