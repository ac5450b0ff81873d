#pragma once

#include "common/Home.h"
#include "uninstall/Apps.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace mole::uninstall {

// The loose names (lower case, letters and digits) an application's files
// are recognised by: its desktop id and the id's last part, its display
// name, program and window class; names shorter than 3 and shared ones left out.
std::set<std::string> keysOf(const App &app);

// A file or folder name that is one of those keys, or, after a dot, ends in
// one ("org.example.Foo"); with `versioned`, also a key followed by a
// version or platform ("foo-1.2", "Foo-linux-x64").
bool namedAfter(std::string_view name, const std::set<std::string> &keys, bool versioned = false);

// The application itself and what it left in the home, found from
// evidence: its desktop entry, icons named after it in the user's icon
// themes and pixmaps that no other application's entry names, autostart
// entry, MIME definitions, and the configuration, data, cache and state
// folders named after its desktop id, program or display name (for a
// Flatpak ~/.var/app/<id>). A folder whose name also fits another installed
// application is shared and never listed, and no protected place (the home,
// a user or XDG folder, the Trash) ever is. The application's own path first.
std::vector<std::string> removalPlan(const Home &home, const App &app, const std::vector<App> &all);

}  // namespace mole::uninstall
