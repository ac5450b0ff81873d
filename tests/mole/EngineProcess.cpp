#include "EngineProcess.h"

#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <unistd.h>

QString engineBinary() {
    const QString binary = qEnvironmentVariable("MOLE_BINARY");
    if (binary.isEmpty())
        qFatal("MOLE_BINARY is not set (run the tests through ctest)");
    return binary;
}

EngineResult runEngine(const QStringList &arguments, int timeoutMs) {
    return runEngineAs({}, arguments, timeoutMs);
}

QStringList asNobody() {
    if (::geteuid() != 0 || QStandardPaths::findExecutable(u"setpriv"_qs).isEmpty())
        return {};
    return {u"setpriv"_qs, u"--reuid=65534"_qs, u"--regid=65534"_qs, u"--clear-groups"_qs,
            u"--"_qs};
}

EngineResult runEngineAs(const QStringList &prefix, const QStringList &arguments, int timeoutMs) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    const QStringList command = prefix + QStringList{engineBinary()} + arguments;
    process.start(command.first(), command.mid(1));
    EngineResult result;
    result.finished = process.waitForFinished(timeoutMs);
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = process.readAll();
    return result;
}

bool survivesAppFilters(const QString &line) {
    static const QRegularExpression command(
        u"\\bmo (clean|purge|analy[sz]e|uninstall|optimize|history|status|update|installer|touchid)\\b"_qs);
    static const QRegularExpression name(u"\\bMole\\b"_qs);
    return !command.match(line).hasMatch() && !name.match(line).hasMatch();
}

QStringList appLines(const QByteArray &output) {
    static const QRegularExpression breaks(u"\r\n|[\n\r\u0085\u2028\u2029]"_qs);
    QStringList lines = QString::fromUtf8(output).split(breaks, Qt::SkipEmptyParts);
    return lines;
}

qint64 duBytes(const QString &path) {
    QProcess du;
    du.start(u"du"_qs, {u"-sk"_qs, path});
    if (!du.waitForFinished(120000))
        return -1;
    return du.readAllStandardOutput().split('\t').value(0).toLongLong() * 1024;
}

QJsonObject parseObject(const QString &line) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        QTest::qFail(
            qPrintable(u"not a JSON object (%1): %2"_qs.arg(error.errorString(), line.left(200))),
            __FILE__, __LINE__);
        return {};
    }
    return document.object();
}
