#include <QApplication>

#include "app/MainWindow.h"
#include "engine/Engine.h"
#include "theme/Fonts.h"
#include "theme/Gallery.h"
#include "theme/Theme.h"

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    Engine::ignoreBrokenPipes();
    QApplication::setOrganizationName(u"Brightloft"_qs);
    QApplication::setApplicationName(u"Brightloft"_qs);
    Fonts::registerFonts();
    // --appearance=light|dark (or $BRIGHTLOFT_APPEARANCE) overrides the desktop.
    Theme::instance().setForcedAppearance(Theme::forcedAppearance(QApplication::arguments()));

    if (QApplication::arguments().contains(u"--gallery"_qs)) {
        Gallery gallery;
        gallery.show();
        return QApplication::exec();
    }
    MainWindow window;
    window.show();
    return QApplication::exec();
}
