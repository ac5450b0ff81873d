#pragma once

#include "common/Home.h"

#include <functional>
#include <string>
#include <vector>

namespace mole::optimize {

// The outcome of one fix: empty when it worked, else why it did not.
using Fix = std::function<std::string()>;

// One line of the maintenance report.
struct Finding {
    enum class Kind { fix, ok, attention, note };
    Kind kind;
    std::string label;   // already safe for a text line
    std::string detail;  // likewise
    Fix fix;             // for Kind::fix: what the apply run does
};

struct CheckSection {
    std::string title;
    std::vector<Finding> findings;
};

// Every user-level check, in report order. Looking changes nothing; only a
// finding's fix does.
std::vector<CheckSection> runChecks(const Home &home);

}  // namespace mole::optimize
