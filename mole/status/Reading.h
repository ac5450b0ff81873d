#pragma once

#include "common/Output.h"
#include "status/Hardware.h"
#include "status/System.h"
#include "status/Trash.h"
#include "status/UserServices.h"

#include <atomic>
#include <optional>

namespace mole::status {

// Takes readings of the machine's state. Keeps what must persist between
// readings (the processor counters, the trash total, the failed-service
// count) and what never changes (the hardware).
class StatusReader {
public:
    StatusReader();

    FailedUserServices &userServices() { return m_services; }
    // One reading; the processor load covers the time since the previous one.
    // Nothing when `stop` was raised during it.
    std::optional<Json> read(const std::atomic<bool> &stop);

private:
    CpuMeter m_cpu;
    Hardware m_hardware;
    TrashMeter m_trash;
    FailedUserServices m_services;
};

}  // namespace mole::status
