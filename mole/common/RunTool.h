#pragma once

#include <string>
#include <vector>

namespace mole {

// A helper program (flatpak, brew, fc-cache, systemctl ...) found on the
// PATH and run to its end with no input, its output and errors captured
// together.
struct ToolRun {
    bool started = false;  // false: not installed (or not runnable)
    int status = -1;       // exit status; -1 when killed by a signal
    std::string output;
    bool ok() const { return started && status == 0; }
};

ToolRun runTool(const std::vector<std::string> &arguments);

// True when `program` is an executable on the PATH.
bool toolInstalled(const std::string &program);

}  // namespace mole
