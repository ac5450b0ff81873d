#include "platform/Privacy.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#ifdef Q_OS_MACOS
#include <QDesktopServices>
#include <QUrl>
#endif

#include <dirent.h>

#include "platform/Paths.h"

namespace Privacy {

QList<Probe> fullDiskAccessProbes() {
#ifdef Q_OS_MACOS
    // The privacy database itself, then three folders the system guards.
    const QString home = Paths::home();
    return {{Probe::file, u"/Library/Application Support/com.apple.TCC/TCC.db"_qs},
            {Probe::directory, home + u"/Library/Safari"_qs},
            {Probe::directory, home + u"/Library/Mail"_qs},
            {Probe::directory, home + u"/Library/Containers/com.apple.stocks"_qs}};
#else
    // Nothing guards these on Linux; they fail only inside a sandbox.
    return {
        {Probe::directory, Paths::home()},
        {Probe::directory, QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)},
        {Probe::directory,
         QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)}};
#endif
}

bool succeeds(const Probe &probe) {
    if (probe.path.isEmpty())
        return false;
    if (probe.kind == Probe::file)
        return QFile(probe.path).open(QIODevice::ReadOnly);
    // Listing, not permission bits: a sandbox refuses the listing itself.
    DIR *dir = ::opendir(QFile::encodeName(probe.path).constData());
    if (!dir)
        return false;
    ::closedir(dir);
    return true;
}

int automationStatus(const QString &, bool) {
    return 0;
}

bool launchInBackground(const QString &) {
    return false;
}

std::optional<QStringList> linuxSettingsCommand(const QString &anchor, const QString &desktops) {
    // What a sandboxed app may touch is set per application; automation has
    // no gate, so it has no page.
    if (anchor != u"Privacy_AllFiles"_qs && anchor != u"Privacy_AppBundles"_qs)
        return std::nullopt;
    const QStringList names = desktops.toUpper().split(u':', Qt::SkipEmptyParts);
    if (names.contains(u"GNOME"_qs))
        return QStringList{u"gnome-control-center"_qs, u"applications"_qs};
    if (names.contains(u"KDE"_qs))
        return QStringList{u"systemsettings"_qs, u"kcm_flatpak"_qs};
    return std::nullopt;
}

bool canOpenSettings(const QString &anchor) {
#ifdef Q_OS_MACOS
    Q_UNUSED(anchor);
    return true;
#else
    const auto command = linuxSettingsCommand(anchor, qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    return command && !QStandardPaths::findExecutable(command->first()).isEmpty();
#endif
}

void openSettings(const QString &anchor) {
#ifdef Q_OS_MACOS
    QDesktopServices::openUrl(
        QUrl(u"x-apple.systempreferences:com.apple.preference.security?"_qs + anchor));
#else
    const auto command = linuxSettingsCommand(anchor, qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    if (!command)
        return;
    const QString program = QStandardPaths::findExecutable(command->first());
    if (!program.isEmpty())
        QProcess::startDetached(program, command->mid(1));
#endif
}

}  // namespace Privacy
