#pragma once

#include "clean/Report.h"
#include "common/Home.h"

#include <set>
#include <string>

namespace mole::clean {

// Configuration and data folders of applications that are no longer
// installed, as review items (listed, never removed). A folder counts as an
// application's when its name matches nothing installed: no program on the
// PATH, no desktop entry, Flatpak or snap, no system folder of that name,
// nothing running, and it is not one of the desktop's shared folders.
Section leftovers(const Home &home, const std::set<std::string> &running);

}  // namespace mole::clean
