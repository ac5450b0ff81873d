#pragma once

#include "clean/Report.h"
#include "common/Home.h"

#include <set>
#include <string>
#include <vector>

namespace mole::clean {

// The programs (lower-case process names) whose running keeps an item of a
// section: a user cache while a program of its name runs (a reverse-domain
// name, "org.gnome.Maps", also by its last part), a browser's caches while
// the browser runs. Empty for items nothing keeps.
std::vector<std::string> programsUsing(const Home &home, const std::string &section,
                                       const Item &item);

// Whether one of those programs is among `running` (see runningPrograms()).
bool inUse(const Home &home, const std::string &section, const Item &item,
           const std::set<std::string> &running);

}  // namespace mole::clean
