#pragma once

#include <string_view>

namespace mole {

// Asks `question` followed by " [y/N] " when standard input is a terminal
// and returns true only for an answer of y or yes. Without a terminal (the
// app runs the engine with input from the null device or a pipe) there is
// nobody to ask and the caller's own confirmation stands: returns true.
bool confirmOnTerminal(std::string_view question);

}  // namespace mole
