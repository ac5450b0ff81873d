#pragma once

#include "clean/KeepList.h"
#include "clean/Report.h"
#include "common/Home.h"

#include <functional>

namespace mole::clean {

// Finds what a clean run may remove, section by section, in report order:
// user caches, thumbnails, browser, application and developer caches, logs
// and crash reports, the Trash, leftovers of removed applications (review
// only), and last what the keep list held back. Every size comes from the
// parallel walker; each section is handed over as soon as it is measured,
// with the keep list already applied.
void scan(const Home &home, KeepList &keep, const std::function<void(Section &&)> &onSection);

}  // namespace mole::clean
