#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Moving files to the desktop's Trash (the freedesktop Trash on Linux), so
// the file manager can put them back. The engine's trash command does the
// moving, for every caller: it takes the exact bytes of each path, picks the
// Trash of the path's file system and refuses protected places (the home,
// "/", the Trash, the user's standard folders).
namespace Trash {

struct Outcome {
    enum Status {
        moved,    // in the Trash, or already gone
        refused,  // a protected place: never to be moved, by any means
        failed,   // the file system did not allow it: the desktop's tool may try
        left,     // not moved for another reason (changed meanwhile, engine missing or stopped)
    };
    QByteArray path;
    Status status = left;
    QString message;  // why, for the user; empty when moved
};

// Moves the paths (exact bytes, as QFile::encodeName gives them) to the
// Trash through the engine, off the GUI thread, and hands `done` one outcome
// per path, in order, on `context`'s thread. Nothing is called once
// `context` is gone; the run is stopped then.
void moveToTrash(const QList<QByteArray> &paths, QObject *context,
                 std::function<void(const QList<Outcome> &)> done);

// The outcomes the engine's output lines tell, in order; a path the output
// says nothing about is `left` with `runError` (or a reason of our own).
QList<Outcome> outcomesFrom(const QList<QByteArray> &paths, const QStringList &lines,
                            const std::optional<QString> &runError);

}  // namespace Trash
