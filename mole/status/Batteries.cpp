#include "status/Batteries.h"

#include "common/Text.h"

#include <dirent.h>
#include <algorithm>
#include <cmath>

namespace mole::status {

namespace {

// Capacities come as energy (µWh) or charge (µAh) depending on the driver.
std::optional<double> capacityRatio(const std::string &dir, const char *full, const char *design) {
    std::optional<int64_t> now = readInteger(dir + full);
    std::optional<int64_t> designed = readInteger(dir + design);
    if (!now || !designed || *designed <= 0)
        return std::nullopt;
    return 100.0 * double(*now) / double(*designed);
}

std::optional<Battery> readBattery(const std::string &dir) {
    if (readLine(dir + "type") != "Battery" || readLine(dir + "scope") == "Device")
        return std::nullopt;
    if (readLine(dir + "present") == "0")
        return std::nullopt;
    Battery battery;
    if (std::optional<int64_t> capacity = readInteger(dir + "capacity")) {
        battery.percent = double(*capacity);
    } else if (std::optional<double> ratio = capacityRatio(dir, "energy_now", "energy_full")) {
        battery.percent = *ratio;
    } else if (std::optional<double> charge = capacityRatio(dir, "charge_now", "charge_full")) {
        battery.percent = *charge;
    } else {
        return std::nullopt;
    }
    battery.status = readLine(dir + "status");
    battery.healthPercent = capacityRatio(dir, "energy_full", "energy_full_design");
    if (!battery.healthPercent)
        battery.healthPercent = capacityRatio(dir, "charge_full", "charge_full_design");
    if (std::optional<int64_t> cycles = readInteger(dir + "cycle_count"); cycles && *cycles > 0)
        battery.cycleCount = cycles;
    return battery;
}

}  // namespace

std::vector<Battery> readBatteries(const std::string &root) {
    std::vector<Battery> batteries;
    DIR *dir = ::opendir(root.c_str());
    if (!dir)
        return batteries;
    while (dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        if (std::optional<Battery> battery = readBattery(root + "/" + entry->d_name + "/"))
            batteries.push_back(std::move(*battery));
    }
    ::closedir(dir);
    return batteries;
}

std::string healthText(double healthPercent) {
    const char *word = healthPercent >= 80 ? "Good" : healthPercent >= 60 ? "Fair" : "Poor";
    return std::string(word) + " (" +
           std::to_string(int(std::lround(std::min(healthPercent, 100.0)))) + "%)";
}

}  // namespace mole::status
