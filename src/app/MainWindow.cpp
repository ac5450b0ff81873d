#include "app/MainWindow.h"

#include "theme/Theme.h"

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent) {
    setWindowTitle(u"Brightloft"_qs);
    resize(1080, 720);
    Theme::instance().follow(this);
}
