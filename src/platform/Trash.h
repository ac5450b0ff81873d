#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Moving files to the desktop's Trash (the freedesktop Trash on Linux), so
// the file manager can put them back. Every operation here blocks: call it
// from a worker thread (see Background.h).
namespace Trash {

struct Failure {
    QString path;
    QString message;  // the system's reason, for the user
};

// Moves each path to the Trash in order; symbolic links are moved as links,
// never followed. Returns the paths that could not be moved.
QList<Failure> moveToTrash(const QStringList &paths);

// The second try for what moveToTrash() could not move: the desktop's own
// `gio trash`, found on PATH and started without a shell.
struct FallbackRun {
    bool started = false;
    int exitCode = -1;    // 0 when every path went to the Trash
    QString errorOutput;  // its standard error, for reading the reason
};
FallbackRun moveWithDesktopTool(const QStringList &paths);

}  // namespace Trash
