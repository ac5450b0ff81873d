#pragma once

#include <QList>
#include <QString>

// Finding an application's running processes and asking them to quit. On
// Linux a process belongs to an app when its executable is the app's file
// (or lies inside the app's folder), when it was started from the app's
// AppImage, or when the desktop launched it from the app's desktop entry.
// Only the user's own processes are considered. The /proc walk blocks
// briefly: call it from a worker thread.
namespace RunningApps {

// `desktopId` with or without its ".desktop" suffix; empty matches nothing.
QList<qint64> find(const QString &appPath, const QString &desktopId);

// A polite request to quit (SIGTERM); never a forced kill.
void askToQuit(const QList<qint64> &pids);

}  // namespace RunningApps
