#pragma once

#include <set>
#include <string>

namespace mole {

// Lower-case names of the programs the user is running now: each process's
// command name, executable and first argument (base names), from /proc.
std::set<std::string> runningPrograms();

// A name compared loosely: lower case, letters and digits only
// ("Google-Chrome" and "google_chrome" are one name).
std::string looseName(std::string_view name);

}  // namespace mole
