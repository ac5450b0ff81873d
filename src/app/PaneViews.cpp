#include "app/PaneViews.h"

#include <QVBoxLayout>

#include "app/RootView.h"
#include "cleanup/CleanView.h"
#include "maintenance/OptimizeView.h"
#include "overview/OverviewView.h"
#include "spacelens/SpaceView.h"
#include "uninstaller/UninstallView.h"
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
    switch (pane) {
        case Pane::overview: {
            auto *view = new OverviewView(root->status(), root->clean());
            // Queued: switching panes deletes this view, which must not happen
            // while it is still handling the click that asked for it.
            QObject::connect(view, &OverviewView::navigate, root, &RootView::setPane,
                             Qt::QueuedConnection);
            return view;
        }
        case Pane::clean:
            return new CleanView(root->clean());
        case Pane::uninstall:
            return new UninstallView(root->apps());
        case Pane::space:
            return new SpaceView(root->space());
        case Pane::optimize:
            return new OptimizeView(root->optimize());
    }
    return placeholder(pane);
}
