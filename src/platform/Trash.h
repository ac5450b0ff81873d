#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace Trash {

// The second try for what the engine could not move for file-system reasons
// (only `failed` outcomes): the desktop's own `gio trash`, found on PATH,
// started without a shell, each path given as a file URI so any bytes
// survive. Blocking: call it from a worker thread (see Background.h).
struct FallbackRun {
    bool started = false;
    int exitCode = -1;    // 0 when every path went to the Trash
    QString errorOutput;  // its standard error, for reading the reason
};
FallbackRun moveWithDesktopTool(const QList<QByteArray> &paths);

}  // namespace Trash
