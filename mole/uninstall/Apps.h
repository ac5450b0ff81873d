#pragma once

#include "common/DesktopEntry.h"
#include "common/Home.h"

#include <optional>
#include <string>
#include <vector>

namespace mole::uninstall {

// One application the user can remove without an administrator.
struct App {
    std::string name;
    std::string bundleId;       // desktop-entry id, or the Flatpak application id
    std::string source;         // "AppImage", "Local", "Flatpak" or "Homebrew"
    std::string uninstallName;  // what `uninstall --dry-run NAME` and `uninstall NAME` take
    std::string path;           // the application's own file or folder
    std::optional<DesktopEntry> entry;
};

// AppImages in the home, applications installed in the home with a desktop
// entry, user Flatpaks and Homebrew formulae with a desktop entry, in that
// order (by name within each). Entries hidden from menus are left out.
std::vector<App> listApps(const Home &home);

// The listed application called `name` (its uninstall name, else its
// display name in any letter case).
std::optional<App> findApp(const std::vector<App> &apps, const std::string &name);

}  // namespace mole::uninstall
