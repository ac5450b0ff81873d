#include <QApplication>

#include "app/MainWindow.h"

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(u"Brightloft"_qs);
    QApplication::setApplicationName(u"Brightloft"_qs);
    MainWindow window;
    window.show();
    return QApplication::exec();
}
