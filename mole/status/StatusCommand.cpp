#include "status/StatusCommand.h"

#include "common/Output.h"
#include "status/Interval.h"
#include "status/Reading.h"
#include "status/StopSignals.h"
#include "status/Summary.h"

#include <unistd.h>
#include <algorithm>
#include <string_view>

namespace mole::status {

namespace {

// The processor load of the first reading is measured over this window.
constexpr auto kFirstWindow = std::chrono::milliseconds(250);

struct Options {
    bool watch = false;
    bool json = false;
    std::chrono::milliseconds interval{2000};
};

bool parse(int argc, char **argv, Options &options) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view value;
        if (arg == "--json") {
            options.json = true;
            continue;
        }
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

// Readings as JSON lines for the app, or, for a person at a terminal, as a
// summary that a watch redraws in place.
class Printer {
public:
    explicit Printer(bool json) : m_forPerson(!json && ::isatty(STDOUT_FILENO)) {}

    bool print(const Json &reading) {
        if (!m_forPerson)
            return writeOut(jsonLine(reading));
        std::string text = summaryText(reading);
        std::string redraw;
        if (m_lines > 0)  // back to the first line of the previous summary, and clear below
            redraw = "\033[" + std::to_string(m_lines) + "F\033[J";
        m_lines = int(std::count(text.begin(), text.end(), '\n'));
        return writeOut(redraw + text);
    }

private:
    bool m_forPerson;
    int m_lines = 0;
};

}  // namespace

int run(int argc, char **argv) {
    Options options;
    if (!parse(argc, argv, options))
        return 2;
    StopSignals stop;
    Printer printer(options.json);
    auto started = StopSignals::Clock::now();
    StatusReader reader;
    // Nothing is printed once a stop signal has come, even mid-reading.
    auto readAndPrint = [&]() -> bool {
        std::optional<Json> reading = reader.read(stop.flag());
        return reading && !stop.stopped() && printer.print(*reading);
    };
    if (!options.watch) {
        if (!stop.waitUntil(started + kFirstWindow))
            return 0;
        reader.userServices().settle(std::chrono::milliseconds(750));
        return readAndPrint() || stop.stopped() ? 0 : 1;
    }
    auto next = started + kFirstWindow;
    while (stop.waitUntil(next)) {
        if (!readAndPrint())
            return 0;
        next += options.interval;
        // After a suspend, carry on from now rather than catching up.
        if (auto now = StopSignals::Clock::now(); next < now)
            next = now + options.interval;
    }
    return 0;
}

}  // namespace mole::status
