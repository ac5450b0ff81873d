#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace mole::status {

// "2s", "500ms", "1m" or a bare number of seconds ("2", "0.5"). Nothing for
// text that is not a duration of at least 100 ms.
std::optional<std::chrono::milliseconds> parseInterval(std::string_view text);

}  // namespace mole::status
