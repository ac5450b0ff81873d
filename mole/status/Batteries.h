#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mole::status {

struct Battery {
    double percent = 0;
    std::string status;                   // "Charging", "Discharging", "Full", ...
    std::optional<double> healthPercent;  // full charge capacity against design capacity
    std::optional<int64_t> cycleCount;
};

// The system's batteries from /sys/class/power_supply; devices such as a
// wireless mouse report a "Device" scope and are left out.
std::vector<Battery> readBatteries(const std::string &root = "/sys/class/power_supply");

// "Good (93%)", "Fair (72%)", "Poor (51%)".
std::string healthText(double healthPercent);

}  // namespace mole::status
