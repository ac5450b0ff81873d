#pragma once

#include "walk/Walker.h"

#include <string>

namespace mole::analyze {

// The report for a person at a terminal: the children largest first with
// their share of the folder, then the largest files. The children must
// already be in report order.
bool printTable(const std::string &path, const walk::FolderUsage &usage);

}  // namespace mole::analyze
