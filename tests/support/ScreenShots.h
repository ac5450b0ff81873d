#pragma once

#include <QFile>
#include <QTest>
#include <QWidget>

#include "support/TestPaths.h"
#include "theme/Fonts.h"
#include "theme/IconStore.h"
#include "theme/Theme.h"

// Screens as a person sees them: the build's real fonts and icons, shown in
// a window in the window colours.
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

}  // namespace ScreenShots
