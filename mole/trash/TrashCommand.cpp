#include "trash/TrashCommand.h"

#include "common/Interrupt.h"
#include "common/Output.h"
#include "trash/Mover.h"

#include <poll.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace mole::trash {

namespace {

// Far more paths than any request holds; an endless input is an error.
constexpr size_t kInputLimit = size_t(64) << 20;

constexpr const char *kUsage = "usage: trash --stdin (paths separated by NUL bytes)";

// All of standard input; nothing when it cannot be read. A stop signal ends
// the wait for more (the paths read so far are then all left alone).
std::optional<std::string> readInput() {
    std::string input;
    char buffer[65536];
    for (;;) {
        pollfd ready{STDIN_FILENO, POLLIN, 0};
        if (stopRequested())
            return input;
        const int polled = ::poll(&ready, 1, 200);
        if (polled < 0 && errno != EINTR)
            return std::nullopt;
        if (polled <= 0)  // nothing yet, or a signal: look at the stop flag again
            continue;
        ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            return input;
        if (input.size() + size_t(n) > kInputLimit) {
            errno = EFBIG;
            return std::nullopt;
        }
        input.append(buffer, size_t(n));
    }
}

}  // namespace

int run(int argc, char **argv) {
    bool fromInput = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--stdin") != 0) {
            printError("trash", kUsage);
            return 2;
        }
        fromInput = true;
    }
    if (!fromInput) {
        printError("trash", kUsage);
        return 2;
    }
    std::optional<Home> home = homeFor("trash");
    if (!home)
        return 1;
    catchStopSignals();  // from here, a stop lets the path in hand finish
    std::optional<std::string> input = readInput();
    if (!input) {
        printError("trash", "standard input could not be read");
        return 1;
    }
    Mover mover(*home);
    int64_t moved = 0, refused = 0, failed = 0, left = 0;
    size_t pos = 0;
    while (pos < input->size()) {
        size_t end = input->find('\0', pos);
        if (end == std::string::npos)
            end = input->size();
        const std::string path = input->substr(pos, end - pos);
        pos = end + 1;
        if (stopRequested()) {
            ++left;
            continue;
        }
        const Outcome outcome = mover.move(path);
        if (outcome.status == Outcome::moved || outcome.status == Outcome::gone)
            ++moved;
        else if (outcome.status == Outcome::refused)
            ++refused;
        else
            ++failed;
        Json line = {{"status", statusWord(outcome.status)}, {"path", path}};
        if (!outcome.reason.empty())
            line["reason"] = outcome.reason;
        if (!writeOut(jsonLine(line)))
            return 1;  // the reader is gone: nothing more is moved
    }
    const Json summary = {
        {"moved", moved}, {"refused", refused}, {"failed", failed}, {"left", left}};
    if (!writeOut(jsonLine(summary)))
        return 1;
    return refused || failed || left ? 1 : 0;
}

}  // namespace mole::trash
