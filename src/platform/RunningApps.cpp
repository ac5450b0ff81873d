#include "platform/RunningApps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

namespace RunningApps {

namespace {

QByteArray readProcFile(const QString &path) {
    QFile file(path);
    // /proc files report size 0: read until the end.
    return file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ? file.readAll() : QByteArray();
}

// NUL-separated KEY=value pairs of /proc/<pid>/environ.
QString environmentValue(const QByteArray &environ, QByteArrayView key) {
    for (const QByteArray &entry : environ.split('\0'))
        if (entry.size() > key.size() && entry.startsWith(key) && entry.at(key.size()) == '=')
            return QFile::decodeName(entry.mid(key.size() + 1));
    return {};
}

// systemd names a launched app's scope "app-<launcher>-<escaped id>-<n>.scope";
// a dash inside the id is escaped as \x2d.
bool scopeNamesDesktopId(const QByteArray &cgroup, const QString &id) {
    QByteArray escaped = QFile::encodeName(id);
    escaped.replace('-', "\\x2d");
    for (const QByteArray &line : cgroup.split('\n')) {
        const QByteArray unit = line.mid(line.lastIndexOf('/') + 1);
        if (unit.startsWith("app-") && unit.endsWith(".scope") &&
            unit.contains('-' + escaped + '-'))
            return true;
    }
    return false;
}

}  // namespace

QList<qint64> find(const QString &appPath, const QString &desktopId) {
    QString id = desktopId;
    if (id.endsWith(u".desktop"_qs))
        id.chop(8);
    // An app is a file or its own folder; never the whole system or home.
    QString app = appPath.isEmpty() ? QString() : QDir::cleanPath(appPath);
    if (app == u"/"_qs || app == QDir::cleanPath(QDir::homePath()))
        app.clear();
    // Executables are named by their real path; the app's may pass through a link.
    const QString realApp = app.isEmpty() ? QString() : QFileInfo(app).canonicalFilePath();
    const uid_t me = ::getuid();
    const qint64 self = ::getpid();

    QList<qint64> found;
    const QStringList pids = QDir(u"/proc"_qs).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : pids) {
        bool numeric = false;
        const qint64 pid = name.toLongLong(&numeric);
        if (!numeric || pid == self)
            continue;
        const QString dir = u"/proc/"_qs + name;
        struct stat info {};
        if (::stat(QFile::encodeName(dir).constData(), &info) != 0 || info.st_uid != me)
            continue;

        bool matches = false;
        if (!app.isEmpty()) {
            QString exe = QFileInfo(dir + u"/exe"_qs).symLinkTarget();
            if (exe.endsWith(u" (deleted)"_qs))
                exe.chop(10);
            for (const QString &a : {app, realApp})
                matches = matches || (!a.isEmpty() && !exe.isEmpty() &&
                                      (exe == a || exe.startsWith(a + u'/')));
        }
        if (!matches) {
            const QByteArray environ = readProcFile(dir + u"/environ"_qs);
            matches =
                (!app.isEmpty() && environmentValue(environ, "APPIMAGE") == app) ||
                (!id.isEmpty() &&
                 QFileInfo(environmentValue(environ, "GIO_LAUNCHED_DESKTOP_FILE")).fileName() ==
                     id + u".desktop"_qs);
        }
        if (!matches && !id.isEmpty())
            matches = scopeNamesDesktopId(readProcFile(dir + u"/cgroup"_qs), id);
        if (matches)
            found.append(pid);
    }
    return found;
}

void askToQuit(const QList<qint64> &pids) {
    for (const qint64 pid : pids)
        if (pid > 0)
            ::kill(pid_t(pid), SIGTERM);
}

}  // namespace RunningApps
