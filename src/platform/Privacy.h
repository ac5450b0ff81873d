#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The operating system's privacy gates: whether we may read the user's data,
// whether we may automate another application, and where the user changes
// that. Linux has no such gates outside a sandbox; macOS has all three.
namespace Privacy {

// A place that only an app with full access to the user's data can read.
struct Probe {
    enum Kind { file, directory };
    Kind kind;
    QString path;
};

// In the order they are tried; the first that succeeds is enough.
QList<Probe> fullDiskAccessProbes();
// A file opens for reading; a directory can be listed. Never throws.
bool succeeds(const Probe &probe);

// The system's status for sending Apple Events to the application with this
// bundle identifier (an OSStatus: 0 allowed, -1743 refused, other codes
// undecided). `askUser` lets the system prompt. May block: call it off the
// GUI thread. Nothing gates this on Linux: always 0.
int automationStatus(const QString &bundleId, bool askUser);

// Starts the application in the background unless it already runs. True when
// it was started now (the caller then gives it a moment); false when it was
// running, is not installed, or there is no such thing here.
bool launchInBackground(const QString &bundleId);

// Opens the system's privacy settings at the page `anchor` names
// (Privacy_AllFiles, Privacy_Automation, Privacy_AppBundles) where the
// desktop has such a page; otherwise does nothing.
void openSettings(const QString &anchor);
// Whether openSettings(anchor) would show something on this desktop.
bool canOpenSettings(const QString &anchor);

// The desktop settings command for `anchor` on the desktop named by
// XDG_CURRENT_DESKTOP (a colon-separated list), or none.
std::optional<QStringList> linuxSettingsCommand(const QString &anchor, const QString &desktops);

}  // namespace Privacy
