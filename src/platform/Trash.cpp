#include "platform/Trash.h"

#include <QProcess>
#include <QStandardPaths>

namespace Trash {

FallbackRun moveWithDesktopTool(const QList<QByteArray> &paths) {
    FallbackRun run;
    const QString gio = QStandardPaths::findExecutable(u"gio"_qs);
    if (gio.isEmpty())
        return run;
    QStringList uris;
    for (const QByteArray &path : paths)
        uris.append(u"file://"_qs + QString::fromLatin1(path.toPercentEncoding("/")));
    QProcess process;
    // Its messages in plain English, whatever the user's language: we read them.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"LC_ALL"_qs, u"C.UTF-8"_qs);
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start(gio, QStringList{u"trash"_qs, u"--"_qs} + uris);
    if (!process.waitForStarted(-1))
        return run;
    process.waitForFinished(-1);
    run.started = true;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errorOutput = QString::fromUtf8(process.readAllStandardError());
    return run;
}

}  // namespace Trash
