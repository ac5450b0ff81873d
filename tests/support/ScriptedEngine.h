#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <csignal>

// Pieces of /bin/sh engine scripts for the model tests.
namespace ScriptedEngine {

// A command that prints each line exactly, quoted for the shell.
inline QString printLines(const QStringList &lines) {
    QString script = u"printf '%s\\n'"_qs;
    for (QString line : lines) script += u" '"_qs + line.replace(u"'"_qs, u"'\\''"_qs) + u"'"_qs;
    return script + u"\n"_qs;
}

// Records the engine's process id. Follow it with "exec sleep 30" so the id
// stays the engine's own until it dies.
inline QString recordPid(const QString &pidFile) {
    return u"echo $$ > '"_qs + pidFile + u"'\n"_qs;
}

inline qint64 readPid(const QString &pidFile) {
    QFile f(pidFile);
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toLongLong() : 0;
}

// Gone means dead: a zombie still answers kill(pid, 0), so its state counts.
inline bool isGone(qint64 pid) {
    if (pid <= 0)
        return false;
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return true;
    QFile stat(u"/proc/"_qs + QString::number(pid) + u"/stat"_qs);
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
}

}  // namespace ScriptedEngine
