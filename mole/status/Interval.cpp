#include "status/Interval.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

namespace mole::status {

std::optional<std::chrono::milliseconds> parseInterval(std::string_view text) {
    std::string number(text);
    double scale = 1000;
    if (text.ends_with("ms")) {
        number.resize(number.size() - 2);
        scale = 1;
    } else if (text.ends_with("s")) {
        number.pop_back();
    } else if (text.ends_with("m")) {
        number.pop_back();
        scale = 60000;
    }
    if (number.empty() ||
        !(std::isdigit(static_cast<unsigned char>(number[0])) || number[0] == '.'))
        return std::nullopt;
    char *end = nullptr;
    double value = std::strtod(number.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value))
        return std::nullopt;
    double millis = value * scale;
    if (millis < 100 || millis > 86400000.0)
        return std::nullopt;
    return std::chrono::milliseconds(std::llround(millis));
}

}  // namespace mole::status
