#pragma once

#include <QFile>
#include <QString>

#include <cerrno>
#include <csignal>

// For scripted engines that write their process id ("echo $$ > file") and
// then `exec` a long sleep, so the id is the engine's own until it dies.
namespace EngineProcess {

inline QString pidScript(const QString &pidFile) {
    return u"echo $$ > '"_qs + pidFile + u"'; "_qs;
}

inline qint64 readPid(const QString &pidFile) {
    QFile f(pidFile);
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toLongLong() : 0;
}

// Gone means reaped too: a zombie would still answer kill(pid, 0).
inline bool isGone(qint64 pid) {
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace EngineProcess
