#pragma once

#include "common/Home.h"
#include "uninstall/Apps.h"

#include <string>
#include <vector>

namespace mole::uninstall {

// The application itself and what it left in the home, found from
// evidence: its desktop entry, icons in the user's icon themes, autostart
// entry, MIME definitions, and the configuration, data, cache and state
// folders named after its desktop id, program or display name (for a
// Flatpak ~/.var/app/<id>). A folder whose name also fits another installed
// application is shared and never listed. The application's own path first.
std::vector<std::string> removalPlan(const Home &home, const App &app, const std::vector<App> &all);

}  // namespace mole::uninstall
