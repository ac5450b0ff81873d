#include "status/StatusCommand.h"

#include "common/Output.h"
#include "status/Interval.h"
#include "status/Reading.h"
#include "status/StopSignals.h"

#include <string_view>

namespace mole::status {

namespace {

// The processor load of the first reading is measured over this window.
constexpr auto kFirstWindow = std::chrono::milliseconds(250);

struct Options {
    bool watch = false;
    std::chrono::milliseconds interval{2000};
};

bool parse(int argc, char **argv, Options &options) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view value;
        if (arg == "--json")
            continue;
        if (arg == "--watch") {
            options.watch = true;
            continue;
        }
        if (arg == "--interval" && i + 1 < argc) {
            value = argv[++i];
        } else if (arg.starts_with("--interval=")) {
            value = arg.substr(11);
        } else {
            printError("status", "unknown option");
            return false;
        }
        std::optional<std::chrono::milliseconds> interval = parseInterval(value);
        if (!interval) {
            printError("status",
                       "the interval must be a duration such as 2s, 500ms or 2 (at least 100ms)");
            return false;
        }
        options.interval = *interval;
    }
    return true;
}

}  // namespace

int run(int argc, char **argv) {
    Options options;
    if (!parse(argc, argv, options))
        return 2;
    StopSignals stop;
    auto started = StopSignals::Clock::now();
    StatusReader reader;
    if (!options.watch) {
        if (!stop.waitUntil(started + kFirstWindow))
            return 0;
        reader.userServices().settle(std::chrono::milliseconds(750));
        return writeOut(jsonLine(reader.read())) ? 0 : 1;
    }
    auto next = started + kFirstWindow;
    while (stop.waitUntil(next)) {
        if (!writeOut(jsonLine(reader.read())))
            return 0;
        next += options.interval;
        // After a suspend, carry on from now rather than catching up.
        if (auto now = StopSignals::Clock::now(); next < now)
            next = now + options.interval;
    }
    return 0;
}

}  // namespace mole::status
