#pragma once

#include <cstdint>
#include <string>

namespace mole::status {

// Processor load between two calls of usage(), from /proc/stat.
class CpuMeter {
public:
    CpuMeter();
    double usage();  // percent, 0 to 100

private:
    uint64_t m_busy = 0;
    uint64_t m_total = 0;
};

int coreCount();

struct MemoryInfo {
    uint64_t total = 0;      // bytes
    uint64_t available = 0;  // bytes the system can hand out without swapping
};
MemoryInfo readMemory();

// Time since boot as short text: "3d 4h 12m", "4h 12m", "12m".
std::string uptimeText();
std::string formatUptime(uint64_t seconds);

}  // namespace mole::status
