#include "app/PaneViews.h"

#include <QVBoxLayout>

#include <utility>

#include "cleanup/ui/CleanView.h"
#include "maintenance/ui/OptimizeView.h"
#include "overview/ui/OverviewView.h"
#include "spacelens/ui/SpaceView.h"
#include "theme/controls/PageTitle.h"
#include "uninstaller/ui/UninstallView.h"

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

QWidget *createPaneView(Pane pane, const PaneModels &models, QObject *context,
                        std::function<void(Pane)> navigate) {
    switch (pane) {
        case Pane::overview: {
            auto *view = new OverviewView(models.status, models.clean);
            // Queued: switching panes deletes this view, which must not happen
            // while it is still handling the click that asked for it.
            QObject::connect(view, &OverviewView::navigate, context, std::move(navigate),
                             Qt::QueuedConnection);
            return view;
        }
        case Pane::clean:
            return new CleanView(models.clean);
        case Pane::uninstall:
            return new UninstallView(models.apps);
        case Pane::space:
            return new SpaceView(models.space);
        case Pane::optimize:
            return new OptimizeView(models.optimize);
    }
    return placeholder(pane);
}
