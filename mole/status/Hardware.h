#pragma once

#include <cstdint>
#include <string>

namespace mole::status {

// What the machine is; read once, it does not change while running.
struct Hardware {
    std::string model;
    std::string cpuModel;
    std::string totalRam;
    std::string osVersion;
};

Hardware readHardware(uint64_t memoryTotal);

// Installed memory as people quote it ("16 GB"): the kernel's total is a little
// below the installed size, so it is rounded up to whole gibibytes.
std::string installedMemoryText(uint64_t memoryTotal);

}  // namespace mole::status
