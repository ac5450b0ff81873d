#include "platform/Trash.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "platform/Paths.h"

namespace Trash {

namespace {

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

// Qt writes the original path into the .trashinfo as raw bytes, where the
// Trash specification wants it percent-encoded: a newline in a name then
// breaks the file, and a "%" makes the file manager restore to the wrong
// place. Rewrites the Path= line of the item just moved to `trashed`.
void encodeInfoPath(const QString &trashed, const QString &original) {
    const QFileInfo item(trashed);
    QFile info(item.absolutePath() + u"/../info/"_qs + item.fileName() + u".trashinfo"_qs);
    if (!info.open(QIODevice::ReadWrite))
        return;
    QByteArray text = info.readAll();
    const QByteArray raw = "Path=" + original.toUtf8() + '\n';
    const qsizetype at = text.indexOf(raw);
    if (at < 0)
        return;  // already encoded, or not what we expect: leave it
    text.replace(at, raw.size(), "Path=" + QUrl::toPercentEncoding(original, "/") + '\n');
    info.resize(0);
    info.seek(0);
    info.write(text);
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
        if (file.moveToTrash())
            encodeInfoPath(file.fileName(), original);
        else
            failures.append({path, file.errorString()});
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
