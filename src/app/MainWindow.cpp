#include "app/MainWindow.h"

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent) {
    setWindowTitle(u"Brightloft"_qs);
    resize(1080, 720);
}
