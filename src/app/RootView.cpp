#include "app/RootView.h"

#include <QEvent>
#include <QVBoxLayout>

#include "app/PaneViews.h"
#include "app/SaveNotice.h"
#include "app/TabButton.h"
#include "app/TopBar.h"
#include "cleanup/CleanModel.h"
#include "engine/Engine.h"
#include "maintenance/OptimizeModel.h"
#include "overview/StatusModel.h"
#include "permissions/FullDiskAccess.h"
#include "permissions/ui/AccessView.h"
#include "platform/UserDefaults.h"
#include "spacelens/SpaceModel.h"
#include "theme/controls/Empty.h"
#include "uninstaller/AppsModel.h"

RootView::Content RootView::decide(bool enginePresent, bool setupDone, bool fullDiskAccess) {
    if (!enginePresent)
        return Content::damaged;
    return setupDone && fullDiskAccess ? Content::panes : Content::setup;
}

RootView::RootView(QWidget *parent)
    : QWidget(parent),
      m_status(new StatusModel(this)),
      m_clean(new CleanModel(this)),
      m_optimize(new OptimizeModel(this)),
      m_space(new SpaceModel(this)),
      m_apps(new AppsModel(this)),
      m_topBar(new TopBar(m_status)),
      m_saveNotice(new SaveNotice),
      m_column(new QVBoxLayout(this)) {
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(0);
    m_column->addWidget(m_topBar);
    m_column->addWidget(m_saveNotice);
    connect(m_topBar, &TopBar::paneRequested, this, &RootView::setPane);
    connect(&UserDefaults::notifier(), &UserDefaults::Notifier::flagChanged, this,
            [this](const QString &key) {
                if (key == QLatin1StringView(UserDefaults::setupDone))
                    refresh();
            });
    refresh();
}

RootView::~RootView() {
    // The status watch ends with the window, before its model goes.
    m_status->stop();
}

void RootView::setPane(Pane pane) {
    if (pane == m_pane)
        return;
    m_pane = pane;
    m_topBar->setPane(pane);
    if (m_content == Content::panes)
        showContent(Content::panes);
    Q_EMIT paneChanged(pane);
}

void RootView::forceContent(std::optional<Content> content) {
    m_forced = content;
    refresh();
}

void RootView::refresh() {
    const bool enginePresent = !Engine::binary().isEmpty();
    const bool setupDone = UserDefaults::flag(UserDefaults::setupDone);
    const bool access = FullDiskAccess::isGranted();
    const bool ready = m_forced ? m_forced == Content::panes : setupDone && access;
    m_topBar->setShowTabs(ready);
    const Content next = m_forced.value_or(decide(enginePresent, setupDone, access));
    if (!m_built || next != m_content)
        showContent(next);
    m_ready = ready;
    runStatusTask(ready && enginePresent);
}

void RootView::runStatusTask(bool run) {
    // Keyed on the value: a repeated refresh never starts a second watch, and
    // a watch that ended by itself is not restarted until ready turns again.
    if (run == m_statusTask)
        return;
    m_statusTask = run;
    if (run)
        m_status->stream();
    else
        m_status->stop();
}

void RootView::showContent(Content content) {
    QWidget *next = nullptr;
    switch (content) {
        case Content::damaged:
            next =
                new Empty(u"warning"_qs, tr("Brightloft Is Damaged"),
                          tr("The cleaning engine is missing. Download and reinstall Brightloft."));
            break;
        case Content::setup: {
            auto *access = new AccessView;
            connect(access, &AccessView::done, this,
                    [] { UserDefaults::setFlag(UserDefaults::setupDone, true); });
            next = access;
            break;
        }
        case Content::panes:
            next = createPaneView(m_pane, {m_status, m_clean, m_optimize, m_space, m_apps}, this,
                                  [this](Pane pane) { setPane(pane); });
            break;
    }
    QWidget *focus = window()->focusWidget();
    const bool keysInside = m_current && focus && m_current->isAncestorOf(focus);
    if (m_current) {
        // Deleted later, never now: the switch may come from inside the view
        // it replaces (its Continue button, a shortcut it owns) while that
        // button is still handling its own release.
        m_column->removeWidget(m_current);
        m_current->hide();
        m_current->deleteLater();
    }
    m_current = next;
    m_column->addWidget(next, 1);
    const bool changed = !m_built || content != m_content;
    m_built = true;
    m_content = content;
    if (changed)
        Q_EMIT contentChanged(content);
    // The keys were on the screen that went: they wait on the tab of the
    // pane now shown, one Tab away from its controls.
    if (keysInside && content == Content::panes)
        for (TabButton *tab : m_topBar->tabs())
            if (tab->pane() == m_pane)
                tab->setFocus(Qt::OtherFocusReason);
}

void RootView::changeEvent(QEvent *event) {
    // Access may have been revoked or granted while we were in the background.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refresh();
    QWidget::changeEvent(event);
}
