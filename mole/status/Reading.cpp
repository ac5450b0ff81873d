#include "status/Reading.h"

#include "status/Batteries.h"
#include "status/Disks.h"
#include "status/Health.h"

#include <algorithm>
#include <cmath>

namespace mole::status {

namespace {

double oneDecimal(double value) {
    return std::round(value * 10) / 10;
}

}  // namespace

StatusReader::StatusReader()
    : m_hardware(readHardware(readMemory().total)), m_trash(TrashMeter::homeTrash()) {
    m_services.refresh(FailedUserServices::Clock::now());
}

std::optional<Json> StatusReader::read(const std::atomic<bool> &stop) {
    std::optional<int64_t> trash = m_trash.size(stop);
    if (!trash)
        return std::nullopt;
    m_services.refresh(FailedUserServices::Clock::now());
    HealthInput health;
    health.cpuPercent = m_cpu.usage();
    health.failedUserServices = m_services.count();

    MemoryInfo memory = readMemory();
    uint64_t used = memory.total - memory.available;
    health.memoryPercent = memory.total ? 100.0 * double(used) / double(memory.total) : 0;

    Json disks = Json::array();
    for (const DiskUsage &disk : readDisks()) {
        health.fullestDiskPercent = std::max(health.fullestDiskPercent, disk.usedPercent);
        disks.push_back({{"mount", disk.mount},
                         {"used", int64_t(disk.used)},
                         {"total", int64_t(disk.total)},
                         {"used_percent", oneDecimal(disk.usedPercent)}});
    }

    Json batteries = Json::array();
    for (const Battery &battery : readBatteries()) {
        Json item = {{"percent", battery.percent}, {"status", battery.status}};
        if (battery.healthPercent) {
            item["health"] = healthText(*battery.healthPercent);
            health.weakestBatteryHealth =
                std::min(health.weakestBatteryHealth.value_or(100), *battery.healthPercent);
        }
        if (battery.cycleCount)
            item["cycle_count"] = *battery.cycleCount;
        batteries.push_back(std::move(item));
    }

    Health verdict = assessHealth(health);
    return Json{
        {"health_score", verdict.score},
        {"health_score_msg", verdict.message},
        {"uptime", uptimeText()},
        {"hardware",
         {{"model", m_hardware.model},
          {"cpu_model", m_hardware.cpuModel},
          {"total_ram", m_hardware.totalRam},
          {"os_version", m_hardware.osVersion}}},
        {"cpu", {{"usage", oneDecimal(health.cpuPercent)}, {"core_count", coreCount()}}},
        {"memory",
         {{"used", used},
          {"total", memory.total},
          {"used_percent", oneDecimal(health.memoryPercent)}}},
        {"disks", std::move(disks)},
        {"trash_size", *trash},
        {"batteries", std::move(batteries)},
        {"failed_user_services", health.failedUserServices},
    };
}

}  // namespace mole::status
