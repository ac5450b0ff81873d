#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <csignal>

#include "support/TestEnvironment.h"

// Pieces of /bin/sh engine scripts for the model tests.
namespace ScriptedEngine {

// A command that prints each line exactly, quoted for the shell.
inline QString printLines(const QStringList &lines) {
    QString script = u"printf '%s\\n'"_qs;
    for (QString line : lines) script += u" '"_qs + line.replace(u"'"_qs, u"'\\''"_qs) + u"'"_qs;
    return script + u"\n"_qs;
}

// Hands `trash` to the real engine built alongside: the app moves every file
// to the Trash through it, whatever the scripted part fakes.
inline QString realTrash() {
    return u"[ \"$1\" = trash ] && exec '"_qs + qEnvironmentVariable("MOLE_BINARY") +
           u"' \"$@\"\n"_qs;
}

// Prints each row of the text.
inline QString printText(const char *text) {
    return printLines(QString::fromUtf8(text).split(u'\n'));
}

// Waits until the file `name` exists in the engine's home: openGate() makes it.
inline QString gate(const QString &name) {
    return u"while [ ! -e \"$HOME/"_qs + name + u"\" ]; do sleep 0.02; done\n"_qs;
}
inline void openGate(const QString &home, const QString &name) {
    QFile(home + u'/' + name).open(QIODevice::WriteOnly);
}

// Runs `dryRun` for "<command> --dry-run" and `run` for "<command>".
inline QString dryRunOrRun(const QString &command, const QString &dryRun, const QString &run = {}) {
    return u"case \"$*\" in\n'"_qs + command + u" --dry-run') "_qs + dryRun + u" ;;\n"_qs +
           command + u") "_qs + run + u" ;;\nesac\n"_qs;
}

// Records the engine's process id. Follow it with "exec sleep 30" so the id
// stays the engine's own until it dies.
inline QString recordPid(const QString &pidFile) {
    return u"echo $$ > '"_qs + pidFile + u"'\n"_qs;
}

inline qint64 readPid(const QString &pidFile) {
    return TestEnvironment::readFile(pidFile).trimmed().toLongLong();
}

// Gone means dead: a zombie still answers kill(pid, 0), so its state counts.
// The engine's reader may be reaping it while we look: the state then reads
// X (dead), or the read comes back empty.
inline bool isGone(qint64 pid) {
    if (pid <= 0)
        return false;
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return true;
    QFile stat(u"/proc/"_qs + QString::number(pid) + u"/stat"_qs);
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const QByteArray state = text.mid(text.lastIndexOf(')') + 2, 1);
    return state.isEmpty() || state == "Z" || state == "X";
}

}  // namespace ScriptedEngine
