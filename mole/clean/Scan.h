#pragma once

#include "clean/Report.h"
#include "common/Home.h"

#include <functional>

namespace mole::clean {

// Finds what a clean run may remove, section by section, in report order:
// user caches, thumbnails, browser and developer caches, logs and crash
// dumps, the Trash, and leftovers of removed applications (review only).
// Every size comes from the parallel walker; each section is handed over as
// soon as it is measured.
void scan(const Home &home, const std::function<void(Section &&)> &onSection);

}  // namespace mole::clean
