#pragma once

#include "common/Home.h"

#include <string>

namespace mole::clean {

// `clean --keep LABEL`: adds the places of the items labelled LABEL (from a
// fresh plan, else from a quiet scan) to the keep list.
int keepItem(const Home &home, const std::string &label);

// `clean --release PATH`: takes PATH off the keep list.
int releasePath(const Home &home, const std::string &path);

// `clean --kept`: the keep list as the dry run's "Kept" section, unsized.
int printKept(const Home &home);

}  // namespace mole::clean
