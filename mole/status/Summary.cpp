#include "status/Summary.h"

#include "common/Text.h"

#include <cstdio>

namespace mole::status {

namespace {

std::string line(const char *label, const std::string &value) {
    char head[16];
    std::snprintf(head, sizeof head, "%-9s", label);
    return head + value + "\n";
}

std::string percent(double value) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f%%", value);
    return text;
}

std::string bytes(const Json &value) {
    return formatBytes(value.get<double>());
}

}  // namespace

std::string summaryText(const Json &r) {
    const Json &hardware = r["hardware"];
    std::string text = line("Health", std::to_string(r["health_score"].get<int>()) + "  " +
                                          r["health_score_msg"].get<std::string>());
    text += line("Computer", printable(hardware["model"].get<std::string>() + ", " +
                                       hardware["os_version"].get<std::string>()));
    text += line("Uptime", r["uptime"].get<std::string>());
    text += line("CPU", percent(r["cpu"]["usage"].get<double>()) + " of " +
                            std::to_string(r["cpu"]["core_count"].get<int>()) + " cores, " +
                            printable(hardware["cpu_model"].get<std::string>()));
    const Json &memory = r["memory"];
    text += line("Memory", bytes(memory["used"]) + " of " + bytes(memory["total"]) + " (" +
                               percent(memory["used_percent"].get<double>()) + ")");
    for (const Json &disk : r["disks"]) {
        double free = disk["total"].get<double>() - disk["used"].get<double>();
        text += line("Disk", printable(disk["mount"].get<std::string>()) + "  " +
                                 shareBar(disk["used_percent"].get<double>() / 100, 20) + "  " +
                                 percent(disk["used_percent"].get<double>()) + " used, " +
                                 formatBytes(free) + " free");
    }
    text += line("Trash", bytes(r["trash_size"]));
    for (const Json &battery : r["batteries"]) {
        std::string value =
            percent(battery["percent"].get<double>()) + ", " + battery["status"].get<std::string>();
        if (battery.contains("health"))
            value += ", " + battery["health"].get<std::string>();
        text += line("Battery", printable(value));
    }
    return text;
}

}  // namespace mole::status
