#include "app/App.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include "app/MainWindow.h"
#include "app/SettingsView.h"
#include "platform/InfoDictionary.h"
#include "platform/OpenUrl.h"
#include "updates/Updater.h"

App::App(QObject *parent)
    : QObject(parent),
      m_menu(new QMenu),
      m_settingsAction(new QAction(tr("Settings…"), this)),
      m_updatesAction(new QAction(tr("Check for Updates…"), this)) {
    auto *about = new QAction(tr("About Brightloft"), this);
    auto *quit = new QAction(tr("Quit Brightloft"), this);
    m_settingsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    for (QAction *action : {m_settingsAction, quit})
        action->setShortcutContext(Qt::ApplicationShortcut);
    m_menu->addAction(about);
    m_menu->addAction(m_updatesAction);
    m_menu->addSeparator();
    m_menu->addAction(m_settingsAction);
    m_menu->addSeparator();
    m_menu->addAction(quit);

    UpdateController *updater = Updater::controller();
    m_updatesAction->setEnabled(updater);
    if (updater) {
        connect(m_updatesAction, &QAction::triggered, updater, &UpdateController::checkForUpdates);
        connect(updater, &UpdateController::updateAvailable, this, &App::announceUpdate);
        connect(updater, &UpdateController::upToDate, this, [this] {
            announce(tr("You're up to date"),
                     tr("Brightloft %1 is the newest version.").arg(InfoDictionary::version()));
        });
        connect(updater, &UpdateController::checkFailed, this,
                [this](const QString &message) { announce(tr("Check for Updates"), message); });
    }
    connect(m_settingsAction, &QAction::triggered, this, &App::showSettings);
    connect(about, &QAction::triggered, this, &App::showAbout);
    connect(quit, &QAction::triggered, qApp, &QApplication::closeAllWindows);

    m_main = new MainWindow(m_menu);
    m_main->setAttribute(Qt::WA_DeleteOnClose);
}

App::~App() {
    delete m_settings;
    delete m_main;
    delete m_menu;
}

void App::showSettings() {
    if (!m_settings) {
        QWidget *window = SettingsView::createWindow();
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->addActions(m_menu->actions());
        m_settings = window;
    }
    m_settings->show();
    m_settings->raise();
    m_settings->activateWindow();
}

void App::raiseMainWindow() {
    if (!m_main)
        return;
    m_main->showNormal();
    m_main->raise();
    m_main->activateWindow();
}

void App::showAbout() {
    announce(tr("About Brightloft"),
             tr("Brightloft %1\nKeeps your computer tidy, over the Mole cleaning engine.")
                 .arg(InfoDictionary::version()));
}

void App::announceUpdate(const AppcastItem &item) {
    const QString version = item.shortVersion.isEmpty() ? item.version : item.shortVersion;
    QMessageBox box(m_main);
    box.setWindowTitle(tr("Check for Updates"));
    box.setText(
        tr("Brightloft %1 is available. You have %2.").arg(version, InfoDictionary::version()));
    QPushButton *download = box.addButton(tr("Download"), QMessageBox::AcceptRole);
    box.addButton(tr("Later"), QMessageBox::RejectRole);
    box.exec();
    if (box.clickedButton() == download)
        OpenUrl::open(item.download);
}

void App::announce(const QString &title, const QString &text) {
    QMessageBox box(m_main);
    box.setWindowTitle(title);
    box.setText(text);
    box.exec();
}
