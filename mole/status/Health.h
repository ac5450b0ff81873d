#pragma once

#include <optional>
#include <string>

namespace mole::status {

struct HealthInput {
    double cpuPercent = 0;
    double memoryPercent = 0;
    double fullestDiskPercent = 0;
    std::optional<double> weakestBatteryHealth;  // percent of design capacity
    int failedUserServices = 0;
};

struct Health {
    int score = 100;      // 0 to 100
    std::string message;  // verdict, plus the largest deduction when there is one
};

// Starts at 100 and deducts, each capped:
//   processor load above 50%:   0.4 per point,     at most 20
//   memory in use above 60%:    0.5 per point,     at most 20
//   fullest disk above 70%:     1.0 per point,     at most 30
//   battery below 80% health:   0.5 per point,     at most 15
//   failed user services:       5 each,            at most 15
Health assessHealth(const HealthInput &input);

}  // namespace mole::status
