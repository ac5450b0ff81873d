#pragma once

#include <QString>
#include <QStringList>

// Starting a fresh copy of the app once this one has quit, for systems that
// apply a new permission only to new processes.
namespace Relaunch {

struct Command {
    QString program;
    QStringList arguments;
};

// A shell that waits half a second and then starts `target` (our executable,
// or the app bundle on macOS). The path travels as an argument of its own,
// never inside the script text, so no character in it can change what runs.
Command command(const QString &target);

// What to start again: this executable, or the AppImage it came from.
QString target();

// Starts the command detached, so it outlives us; a failure is ignored.
void schedule();

}  // namespace Relaunch
