#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace mole {

// Lower-case names of the programs the user is running now: each process's
// command name, executable and first argument (base names), from /proc.
std::set<std::string> runningPrograms();

// The same, asked again and again (before each item of a clean): a look
// reads only processes started (or replaced by another program) since the
// last one, and a look less than kFreshMilliseconds old is reused.
class RunningPrograms {
public:
    static constexpr int64_t kFreshMilliseconds = 200;
    const std::set<std::string> &now();

private:
    int64_t m_looked = -1;
    std::map<std::pair<long, ino_t>, std::vector<std::string>> m_processes;
    std::set<std::string> m_names;
};

// A name compared loosely: lower case, letters and digits only
// ("Google-Chrome" and "google_chrome" are one name).
std::string looseName(std::string_view name);

}  // namespace mole
