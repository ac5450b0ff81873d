#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// Runs the built engine (MOLE_BINARY) the way the app does: standard output
// and standard error merged, no input.
struct EngineResult {
    int exitCode = -1;
    bool finished = false;
    QByteArray output;
};
EngineResult runEngine(const QStringList &arguments, int timeoutMs = 120000);
// The same as the unprivileged user "nobody", for tests of permissions that
// root would ignore; empty when this process cannot switch users.
QStringList asNobody();
EngineResult runEngineAs(const QStringList &prefix, const QStringList &arguments,
                         int timeoutMs = 120000);
QString engineBinary();

// The app's filters: a line naming the engine or one of its commands is
// dropped before anything decodes it.
bool survivesAppFilters(const QString &line);

// Splits output into lines the way the app's reader does (LF, CR, NEL, LS,
// PS), dropping empty ones.
QStringList appLines(const QByteArray &output);

// Allocated size as du reports it, in bytes.
qint64 duBytes(const QString &path);

// Parses one JSON object; fails the calling test when it is not one.
QJsonObject parseObject(const QString &line);
