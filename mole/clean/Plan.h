#pragma once

#include "clean/Report.h"
#include "common/Home.h"

#include <optional>
#include <string>
#include <vector>

namespace mole::clean {

// What the last dry run listed for removal, kept in
// $XDG_STATE_HOME/mole/clean-plan so that `clean` removes exactly that.
// Only action items are written; review items and notes never are.
bool savePlan(const Home &home, const std::vector<Section> &sections);

// The saved plan when it was made for this home less than `maxAgeSeconds`
// ago. A plan that is there but cannot be trusted (not a regular file, not
// the user's, writable by others, or naming a path a scan never lists) is
// refused: nothing is returned and `refusal` says why.
std::optional<std::vector<Section>> loadPlan(const Home &home, int64_t maxAgeSeconds,
                                             std::string &refusal);

void dropPlan(const Home &home);

}  // namespace mole::clean
