#pragma once

#include "clean/Report.h"
#include "common/Home.h"

#include <set>
#include <string>
#include <vector>

namespace mole::clean {

// Flatpak application ids installed for the user or the whole system, from
// `flatpak list` and from the installation folders together, so that a
// missing or failing command never makes an installed app look gone.
std::set<std::string> installedFlatpakApps(const Home &home);

// ~/.var/app/<id> of apps no longer installed, as review items with their
// size (never removed).
std::vector<Item> orphanedFlatpakData(const Home &home);

// Runtimes of the user's installation that no installed app needs, as
// `flatpak uninstall --user --unused` would judge them; runtimes pinned or
// possibly needed as an extension count as used.
struct UnusedRuntimes {
    bool installed = false;  // the flatpak command is there
    bool listed = false;     // and answered
    std::vector<std::string> refs;
};
UnusedRuntimes unusedFlatpakRuntimes();

}  // namespace mole::clean
