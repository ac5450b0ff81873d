#pragma once

#include <QObject>
#include <QPointer>

#include "app/MainWindow.h"

class QAction;
class QMenu;
class QWidget;
struct AppcastItem;

// The application shell: the main window, the one Settings window and the
// application menu ("Settings…", "Check for Updates…", About, Quit), and
// what the update checks report.
class App : public QObject {
    Q_OBJECT
public:
    explicit App(QObject *parent = nullptr);
    ~App() override;

    MainWindow *mainWindow() const { return m_main; }
    // The open Settings window, or none.
    QWidget *settingsWindow() const { return m_settings; }
    QMenu *menu() const { return m_menu; }
    QAction *settingsAction() const { return m_settingsAction; }
    QAction *updatesAction() const { return m_updatesAction; }

    // Opens Settings, or brings the open one forward.
    void showSettings();
    // Shows the main window and brings it forward (a second launch asks this).
    void raiseMainWindow();

private:
    void showAbout();
    void announceUpdate(const AppcastItem &item);
    void announce(const QString &title, const QString &text);

    QMenu *m_menu;
    QAction *m_settingsAction;
    QAction *m_updatesAction;
    QPointer<MainWindow> m_main;
    QPointer<QWidget> m_settings;
};
