#include "status/System.h"

#include "common/Text.h"

#include <unistd.h>
#include <cstdlib>

namespace mole::status {

namespace {

struct CpuTimes {
    uint64_t busy = 0;
    uint64_t total = 0;
};

// The first line of /proc/stat: "cpu user nice system idle iowait irq softirq
// steal ..."; idle and iowait are the time the processors had nothing to run.
CpuTimes readCpuTimes() {
    CpuTimes times;
    std::optional<std::string> text = readFile("/proc/stat");
    if (!text || !text->starts_with("cpu "))
        return times;
    const char *p = text->c_str() + 4;
    uint64_t idle = 0;
    for (int field = 0; field < 8; ++field) {
        char *end = nullptr;
        uint64_t value = std::strtoull(p, &end, 10);
        if (end == p)
            break;
        p = end;
        times.total += value;
        if (field == 3 || field == 4)
            idle += value;
    }
    times.busy = times.total - idle;
    return times;
}

}  // namespace

CpuMeter::CpuMeter() {
    CpuTimes times = readCpuTimes();
    m_busy = times.busy;
    m_total = times.total;
}

double CpuMeter::usage() {
    CpuTimes times = readCpuTimes();
    uint64_t total = times.total - m_total;
    uint64_t busy = times.busy - m_busy;
    m_busy = times.busy;
    m_total = times.total;
    if (total == 0 || busy > total)
        return 0;
    return 100.0 * double(busy) / double(total);
}

int coreCount() {
    long count = ::sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? int(count) : 1;
}

MemoryInfo readMemory() {
    MemoryInfo memory;
    std::optional<std::string> text = readFile("/proc/meminfo");
    if (!text)
        return memory;
    auto kibibytes = [&](std::string_view key) {
        return std::strtoull(valueAfter(*text, key, ':').c_str(), nullptr, 10) * 1024;
    };
    memory.total = kibibytes("MemTotal");
    memory.available = kibibytes("MemAvailable");
    if (memory.available > memory.total)
        memory.available = memory.total;
    return memory;
}

std::string formatUptime(uint64_t seconds) {
    uint64_t minutes = seconds / 60 % 60;
    uint64_t hours = seconds / 3600 % 24;
    uint64_t days = seconds / 86400;
    std::string text;
    if (days > 0)
        text += std::to_string(days) + "d ";
    if (days > 0 || hours > 0)
        text += std::to_string(hours) + "h ";
    text += std::to_string(minutes) + "m";
    return text;
}

std::string uptimeText() {
    std::optional<std::string> text = readFile("/proc/uptime");
    if (!text)
        return {};
    return formatUptime(uint64_t(std::strtod(text->c_str(), nullptr)));
}

}  // namespace mole::status
