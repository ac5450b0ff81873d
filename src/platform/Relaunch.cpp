#include "platform/Relaunch.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

namespace Relaunch {

Command command(const QString &target) {
#ifdef Q_OS_MACOS
    const QString script = u"sleep 0.5; open \"$1\""_qs;
#else
    const QString script = u"sleep 0.5; exec \"$1\""_qs;
#endif
    return {u"/bin/sh"_qs, {u"-c"_qs, script, u"brightloft-relaunch"_qs, target}};
}

QString target() {
#ifdef Q_OS_MACOS
    // Brightloft.app/Contents/MacOS/<executable>
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + u"/../.."_qs);
#endif
    // An AppImage runs from a mount that disappears when we quit.
    const QString appImage = qEnvironmentVariable("APPIMAGE");
    return appImage.isEmpty() ? QCoreApplication::applicationFilePath() : appImage;
}

void schedule() {
    const Command c = command(target());
    QProcess::startDetached(c.program, c.arguments);
}

}  // namespace Relaunch
