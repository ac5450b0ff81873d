#pragma once

#include <QFuture>
#include <QList>
#include <QString>

// Permission to send Apple Events to the applications the engine works with.
// Queries may block in the system, so they run off the GUI thread and return
// futures; continue on the GUI thread with whenFinished (Background.h).
namespace Automation {

enum class State { granted, denied, undetermined };

struct Target {
    QString name;
    QString bundleId;
};

// System Events first, then Finder.
const QList<Target> &targets();

// The system's status code for a permission query, as a state.
State stateFromStatus(int status);

// The current permission, never prompting.
QFuture<State> check(const QString &bundleId);
// The same, but the system may prompt; the future waits for the answer.
QFuture<State> request(const QString &bundleId);

// Makes sure the target runs before it is asked about: starts it in the
// background when needed and then gives it 0.4 seconds.
QFuture<void> launchIfNeeded(const QString &bundleId);

}  // namespace Automation
