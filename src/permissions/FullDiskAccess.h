#pragma once

#include <QString>

// Whether the app may read the user's data everywhere it needs to, and the
// ways to help the user grant that. No state; nothing is cached.
namespace FullDiskAccess {

// Settings pages, by the anchor names the system uses.
inline constexpr char allFilesPage[] = "Privacy_AllFiles";
inline constexpr char automationPage[] = "Privacy_Automation";
inline constexpr char appManagementPage[] = "Privacy_AppBundles";

// Probes anew on every call; cheap enough for a redraw or a one-second poll.
bool isGranted();

// Opens the privacy settings at `anchor` where the desktop has that page.
void openSettings(const QString &anchor);

// Quits, and a fresh copy of the app starts half a second later.
void relaunch();

}  // namespace FullDiskAccess
