#include "app/PaneViews.h"

#include <QVBoxLayout>

#include "app/RootView.h"
#include "theme/controls/PageTitle.h"

namespace {

// Stands in for a pane whose screen is not written yet: its title at the top.
QWidget *placeholder(Pane pane) {
    auto *page = new QWidget;
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(32, 28, 32, 28);
    column->addWidget(new PageTitle(Panes::title(pane)));
    column->addStretch();
    return page;
}

}  // namespace

QWidget *createPaneView(Pane pane, RootView *root) {
    Q_UNUSED(root);
    switch (pane) {
        case Pane::overview:
            return placeholder(pane);
        case Pane::clean:
            return placeholder(pane);
        case Pane::uninstall:
            return placeholder(pane);
        case Pane::space:
            return placeholder(pane);
        case Pane::optimize:
            return placeholder(pane);
    }
    return placeholder(pane);
}
