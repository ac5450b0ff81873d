#include <QApplication>

#include "app/App.h"
#include "app/Screenshot.h"
#include "engine/Engine.h"
#include "platform/InfoDictionary.h"
#include "platform/Paths.h"
#include "platform/QuitSignals.h"
#include "platform/SingleInstance.h"
#include "platform/Wording.h"
#include "theme/Fonts.h"
#include "theme/Gallery.h"
#include "theme/Theme.h"
#include "updates/Updater.h"

int main(int argc, char *argv[]) {
    // A screenshot needs no screen.
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--screenshot") == 0 && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    Engine::ignoreBrokenPipes();
    // Logout, Ctrl+C or a closed terminal quit like the Quit command, so
    // every engine run is stopped on the way out.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &app, [] { QCoreApplication::exit(0); });
    QApplication::setOrganizationName(u"Brightloft"_qs);
    QApplication::setApplicationName(u"Brightloft"_qs);
    QApplication::setApplicationVersion(InfoDictionary::version());
    QGuiApplication::setDesktopFileName(u"org.brightloft.Brightloft"_qs);
    Wording::install(&app, Paths::resources());
    Fonts::registerFonts();
    // --appearance=light|dark (or $BRIGHTLOFT_APPEARANCE) overrides the desktop.
    Theme::instance().setForcedAppearance(Theme::forcedAppearance(QApplication::arguments()));

    if (const auto screenshot = ScreenshotRequest::parse(QApplication::arguments()))
        return Screenshot::take(*screenshot);
    if (QApplication::arguments().contains(u"--gallery"_qs)) {
        Gallery gallery;
        gallery.show();
        return QApplication::exec();
    }

    SingleInstance instance;
    if (instance.handOver())
        return 0;
    int code = 0;
    {
        App shell;
        QObject::connect(&instance, &SingleInstance::activationRequested, &shell,
                         &App::raiseMainWindow);
        shell.mainWindow()->show();
        if (UpdateController *updater = Updater::controller())
            updater->checkIfDue();
        code = QApplication::exec();
    }
    // The windows and their models are gone and their runs stopped; wait
    // until every engine has ended (killed after the grace period if need be).
    Engine::stopAll();
    return code;
}
