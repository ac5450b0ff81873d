#pragma once

#include <QWidget>

#include <optional>

#include "panes/Pane.h"

class AppsModel;
class CleanModel;
class OptimizeModel;
class SaveNotice;
class SpaceModel;
class StatusModel;
class TopBar;
class QMenu;
class QVBoxLayout;

// The main window's content: the top bar over one of three things, decided
// afresh whenever something it depends on may have changed (a flag written,
// the window activated): the damaged state without an engine, the
// permissions screen until setup is done and access holds, else the selected
// pane. Owns one model per pane for its whole life, so switching panes keeps
// every scan, log and running task.
class RootView : public QWidget {
    Q_OBJECT
public:
    enum class Content { damaged, setup, panes };

    static Content decide(bool enginePresent, bool setupDone, bool fullDiskAccess);

    explicit RootView(QWidget *parent = nullptr);
    ~RootView() override;

    Pane pane() const { return m_pane; }
    void setPane(Pane pane);
    Content content() const { return m_content; }
    // Setup done and access granted: tabs show, the live status runs.
    bool isReady() const { return m_ready; }

    // Shows `content` regardless of the decision (screenshots); none returns
    // to deciding.
    void forceContent(std::optional<Content> content);

    TopBar *topBar() const { return m_topBar; }
    // Says once that the settings could not be saved, and where.
    SaveNotice *saveNotice() const { return m_saveNotice; }
    QWidget *contentWidget() const { return m_current; }
    StatusModel *status() const { return m_status; }
    CleanModel *clean() const { return m_clean; }
    OptimizeModel *optimize() const { return m_optimize; }
    SpaceModel *space() const { return m_space; }
    AppsModel *apps() const { return m_apps; }

public Q_SLOTS:
    // Decides the content again; rebuilds only what changed.
    void refresh();

Q_SIGNALS:
    void paneChanged(Pane pane);
    void contentChanged(RootView::Content content);

protected:
    void changeEvent(QEvent *event) override;

private:
    void showContent(Content content);
    void runStatusTask(bool run);

    Pane m_pane = Pane::overview;
    Content m_content = Content::damaged;
    bool m_ready = false;
    bool m_built = false;
    bool m_statusTask = false;
    std::optional<Content> m_forced;
    StatusModel *m_status;
    CleanModel *m_clean;
    OptimizeModel *m_optimize;
    SpaceModel *m_space;
    AppsModel *m_apps;
    TopBar *m_topBar;
    SaveNotice *m_saveNotice;
    QVBoxLayout *m_column;
    QWidget *m_current = nullptr;
};
