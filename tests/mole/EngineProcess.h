#pragma once

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <unistd.h>

#include "engine/Engine.h"
#include "engine/LineSplitter.h"
#include "support/TestEnvironment.h"

inline QString engineBinary() {
    return qEnvironmentVariable("MOLE_BINARY");
}

// A program started with no input; its output and errors kept apart, or
// merged as the app reads the engine.
struct RunningCommand : QProcess {
    QByteArray output, errors;
    explicit RunningCommand(
        const QStringList &command,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
        ProcessChannelMode channels = SeparateChannels) {
        setProcessEnvironment(environment);
        setProcessChannelMode(channels);
        setStandardInputFile(nullDevice());
        start(command.first(), command.mid(1));
    }
    // Waits until the output holds `text`; false when it ended first.
    bool waitFor(const QByteArray &text) {
        while (!output.contains(text)) {
            if (!waitForReadyRead(30000))
                return false;
            output += readAllStandardOutput();
        }
        return true;
    }
    // Waits for the end; false, and the program killed, when it does not come in time.
    bool finish(int timeoutMs = 60000) {
        const bool finished = waitForFinished(timeoutMs);
        if (!finished) {
            kill();
            waitForFinished();
        }
        output += readAllStandardOutput();
        errors += readAllStandardError();
        return finished && exitStatus() == NormalExit;
    }
};

// The built engine; a prefix such as asNobody() goes first.
inline QStringList engineCommand(const QStringList &arguments, const QStringList &prefix = {}) {
    return prefix + QStringList{engineBinary()} + arguments;
}

// A program run the way the app runs the engine: standard output and standard
// error merged, no input. Returns the exit code (-1 when it crashed or did not
// finish) and the output.
inline std::pair<int, QByteArray> runCommand(
    const QStringList &command,
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment()) {
    RunningCommand process(command, environment, QProcess::MergedChannels);
    const bool finished = process.finish(120000);
    return {finished ? process.exitCode() : -1, process.output};
}
inline std::pair<int, QByteArray> runEngine(
    const QStringList &arguments, const QStringList &prefix = {},
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment()) {
    return runCommand(engineCommand(arguments, prefix), environment);
}

// The engine (or a link to it) with a pseudo-terminal as its output, as a
// person runs it.
inline std::pair<int, QByteArray> runEngineAtTerminal(const QStringList &arguments,
                                                      const QString &program = engineBinary()) {
    QString command;
    for (QString word : QStringList{program} + arguments)
        command += u" '"_qs + word.replace(u'\'', u"'\\''"_qs) + u'\'';
    return runCommand({u"script"_qs, u"-qec"_qs, command, u"/dev/null"_qs});
}

// Root reads everything: then this runs the engine as "nobody" (empty when it cannot).
inline QStringList asNobody() {
    if (::geteuid() != 0 || QStandardPaths::findExecutable(u"setpriv"_qs).isEmpty())
        return {};
    return {u"setpriv"_qs, u"--reuid=65534"_qs, u"--regid=65534"_qs, u"--clear-groups"_qs,
            u"--"_qs};
}

// The lines of captured output the app would deliver: its own splitter,
// cleaning and filters.
inline QStringList appLines(const QByteArray &output) {
    QStringList lines;
    const auto keep = [&](QByteArrayView raw) {
        const QString line = Engine::clean(QString::fromUtf8(raw));
        if (!Engine::isFiltered(line))
            lines.append(line);
    };
    LineSplitter splitter;
    splitter.feed(output, keep);
    splitter.finish(keep);
    return lines;
}

// The one JSON report a successful run prints; fails the calling test unless
// the output is exactly one line that the app keeps.
inline QJsonObject engineReport(const QStringList &arguments, const QStringList &prefix = {}) {
    const auto [exitCode, output] = runEngine(arguments, prefix);
    const QStringList lines = appLines(output);
    const QJsonObject report = QJsonDocument::fromJson(lines.value(0).toUtf8()).object();
    if (exitCode != 0 || lines.size() != 1 || report.isEmpty())
        QTest::qFail("not one JSON report the app keeps: " + output.left(300), __FILE__, __LINE__);
    return report;
}

inline void writeFile(const QString &path, const QByteArray &data) {
    QVERIFY(TestEnvironment::writeFile(path, data));
}

// Allocated size as `du -sk` reports it.
inline qint64 duBytes(const QString &path) {
    return runCommand({u"du"_qs, u"-sk"_qs, path}).second.split('\t').value(0).toLongLong() * 1024;
}
