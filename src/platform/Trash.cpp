#include "platform/Trash.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "platform/Paths.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace Trash {

namespace {

// The .trashinfo that belongs to an item in Trash/files.
QString infoPathOf(const QString &trashed) {
    const QFileInfo item(trashed);
    return item.absolutePath() + u"/../info/"_qs + item.fileName() + u".trashinfo"_qs;
}

// Places whose removal would take the Trash, the home folder or the whole
// system with them; no engine output may send us there.
bool isProtected(const QString &path) {
    const QString clean = QDir::cleanPath(path);
    if (clean.isEmpty() || clean == u"/"_qs || clean == QDir::cleanPath(Paths::home()))
        return true;
    const QString trash = QDir::cleanPath(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Trash"_qs);
    return trash == clean || trash.startsWith(clean + u'/');
}

// Qt moves items into the *current directory* when it cannot establish the
// home Trash (it will not create a missing data folder, and takes a file in
// the Trash's place for a failure it then ignores). Make sure the home Trash
// is a real folder before every pass, or refuse.
bool homeTrashIsUsable() {
    const QString trash =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Trash"_qs;
    const QFileInfo info(trash);
    if (!info.exists() && !info.isSymLink() && QDir().mkpath(trash))
        QFile::setPermissions(trash, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QFileInfo made(trash);
    return made.isDir() && !made.isSymLink();
}

// Writes the .trashinfo of an item Qt has just moved to `trashed`; returns
// the reason when it could not. Qt's own is not enough:
// it writes the original path unencoded where the Trash specification wants
// it percent-encoded (a newline in a name breaks the file, a "%" sends the
// file manager to the wrong place), and on a full disk it reports success
// over an empty file.
QString writeInfo(const QString &trashed, const QString &original) {
    const QByteArray text =
        "[Trash Info]\nPath=" + QUrl::toPercentEncoding(original, "/") + "\nDeletionDate=" +
        QDateTime::currentDateTime().toString(u"yyyy-MM-ddThh:mm:ss"_qs).toLatin1() + '\n';
    // Plain system calls, each checked: QSaveFile in Qt 6.4 can report a
    // commit as done after its write failed for want of space.
    const int fd = ::open(QFile::encodeName(infoPathOf(trashed)).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool written =
        fd >= 0 && ::write(fd, text.constData(), text.size()) == text.size() && ::fsync(fd) == 0;
    int error = errno;
    if (fd >= 0 && ::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    return written ? QString() : qt_error_string(error);
}

// Puts back an item whose Trash entry could not be written, so that nothing
// sits in the Trash that the file manager cannot restore. Never replaces
// what may have appeared at the original path meanwhile.
bool putBack(const QString &trashed, const QString &original) {
    if (renameat2(AT_FDCWD, QFile::encodeName(trashed).constData(), AT_FDCWD,
                  QFile::encodeName(original).constData(), RENAME_NOREPLACE) != 0)
        return false;
    QFile::remove(infoPathOf(trashed));
    return true;
}

}  // namespace

QList<Failure> moveToTrash(const QStringList &paths) {
    QList<Failure> failures;
    const bool usable = homeTrashIsUsable();
    for (const QString &path : paths) {
        if (!usable) {
            failures.append(
                {path, QCoreApplication::translate("Trash", "The Trash can't be used.")});
            continue;
        }
        if (isProtected(path)) {
            failures.append({path, QCoreApplication::translate(
                                       "Trash", "This folder can't be moved to the Trash.")});
            continue;
        }
        const QString original = QFileInfo(path).absoluteFilePath();
        QFile file(path);
        if (!file.moveToTrash()) {
            failures.append({path, file.errorString()});
        } else if (const QString reason = writeInfo(file.fileName(), original); !reason.isEmpty()) {
            // Left in the Trash only when it cannot go back: still there for
            // the user, just not restorable by the file manager.
            failures.append(
                {path, putBack(file.fileName(), original)
                           ? reason
                           : QCoreApplication::translate(
                                 "Trash", "It is in the Trash but can't be restored: %1")
                                 .arg(reason)});
        }
    }
    return failures;
}

FallbackRun moveWithDesktopTool(const QStringList &paths) {
    FallbackRun run;
    const QString gio = QStandardPaths::findExecutable(u"gio"_qs);
    if (gio.isEmpty())
        return run;
    QProcess process;
    // Its messages in plain English, whatever the user's language: we read them.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"LC_ALL"_qs, u"C.UTF-8"_qs);
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    // "--" so that a path beginning with a dash is never read as an option.
    process.start(gio, QStringList{u"trash"_qs, u"--"_qs} + paths);
    if (!process.waitForStarted(-1))
        return run;
    process.waitForFinished(-1);
    run.started = true;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errorOutput = QString::fromUtf8(process.readAllStandardError());
    return run;
}

}  // namespace Trash
