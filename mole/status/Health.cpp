#include "status/Health.h"

#include <algorithm>
#include <cmath>

namespace mole::status {

namespace {

double deduction(double value, double threshold, double perPoint, double cap) {
    return std::clamp((value - threshold) * perPoint, 0.0, cap);
}

const char *verdict(int score) {
    if (score >= 90)
        return "Excellent";
    if (score >= 75)
        return "Good";
    if (score >= 50)
        return "Fair";
    return "Needs attention";
}

}  // namespace

Health assessHealth(const HealthInput &input) {
    struct Deduction {
        double points;
        std::string reason;
    };
    int failed = input.failedUserServices;
    Deduction deductions[] = {
        {deduction(input.cpuPercent, 50, 0.4, 20), "processor busy"},
        {deduction(input.memoryPercent, 60, 0.5, 20), "memory nearly full"},
        {deduction(input.fullestDiskPercent, 70, 1.0, 30), "disk nearly full"},
        {deduction(80 - input.weakestBatteryHealth.value_or(100), 0, 0.5, 15), "battery worn"},
        {std::min(5.0 * std::max(failed, 0), 15.0),
         std::to_string(failed) + (failed == 1 ? " failed service" : " failed services")},
    };
    double total = 0;
    const Deduction *largest = nullptr;
    for (const Deduction &d : deductions) {
        total += d.points;
        if (d.points > 0 && (!largest || d.points > largest->points))
            largest = &d;
    }
    Health health;
    health.score = int(std::lround(std::clamp(100.0 - total, 0.0, 100.0)));
    health.message = verdict(health.score);
    if (largest && largest->points >= 5)
        health.message += ": " + largest->reason;
    return health;
}

}  // namespace mole::status
