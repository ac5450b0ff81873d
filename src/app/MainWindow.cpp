#include "app/MainWindow.h"

#include <QMenu>

#include "app/RootView.h"
#include "app/TopBar.h"
#include "theme/Theme.h"

MainWindow::MainWindow(QMenu *menu, QWidget *parent) : QMainWindow(parent), m_root(new RootView) {
    setWindowTitle(tr("Brightloft"));
    setMinimumSize(minimumSize);
    resize(1100, 720);
    setCentralWidget(m_root);
    if (menu) {
        m_root->topBar()->setMenu(menu);
        // The menu's shortcuts work while the menu is closed.
        addActions(menu->actions());
    }
    Theme::instance().follow(this);
}
