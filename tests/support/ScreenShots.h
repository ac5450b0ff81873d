#pragma once

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>
#include <QWidget>

#include "theme/Fonts.h"
#include "theme/IconStore.h"
#include "theme/Theme.h"
#include "support/TestPaths.h"

// Pictures of screens for people to look at: the real fonts and icons of the
// build, each shot taken light and dark.
namespace ScreenShots {

// Loads the build's fonts and icons. Call before any TestEnvironment points
// the resources elsewhere: the icon store reads its folder once.
inline void loadLook() {
    const QByteArray saved = qgetenv("BRIGHTLOFT_RESOURCES");
    qputenv("BRIGHTLOFT_RESOURCES", QFile::encodeName(TestPaths::builtResources()));
    Fonts::registerFonts(TestPaths::builtResources());
    IconStore::shared();
    qputenv("BRIGHTLOFT_RESOURCES", saved);
}

// Shows `screen` as a window of `size` in the window colours.
inline bool present(QWidget *screen, QSize size = {1080, 820}) {
    Theme::instance().follow(screen);
    screen->setAutoFillBackground(true);
    screen->resize(size);
    screen->show();
    return QTest::qWaitForWindowExposed(screen);
}

// Saves `<name>-light.png` and `<name>-dark.png` beside the test; leaves the
// appearance light.
inline bool shoot(QWidget *screen, const QString &name) {
    bool saved = true;
    for (Appearance a : {Appearance::dark, Appearance::light}) {
        Theme::instance().setForcedAppearance(a);
        // Layout requests travel up one parent per pass.
        for (int pass = 0; pass < 4; ++pass) QCoreApplication::processEvents();
        const QString path = (TestPaths::artefacts() + u"/%1-%2.png"_qs)
                                 .arg(name, a == Appearance::dark ? u"dark"_qs : u"light"_qs);
        saved = screen->grab().toImage().save(path) && saved;
    }
    return saved;
}

}  // namespace ScreenShots
