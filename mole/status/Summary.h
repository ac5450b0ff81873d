#pragma once

#include "common/Output.h"

#include <string>

namespace mole::status {

// A reading as a few lines for a person at a terminal.
std::string summaryText(const Json &reading);

}  // namespace mole::status
