#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

// Timing and verdicts for the benchmarks, which print each figure beside its
// baseline and target.
namespace Bench {

using Env = std::vector<std::pair<std::string, std::string>>;

struct RunOptions {
    Env env;                           // set in the child only
    std::string output = "/dev/null";  // where its standard output goes
};

struct Sample {
    double seconds = 0;
    double cpuSeconds = 0;  // the child's user and system time
    long peakKb = 0;        // the child's peak resident memory
};

// Runs a command to its end, input and errors on /dev/null; measured with
// wait4. Warns on stderr when it did not run cleanly.
Sample run(const std::vector<std::string> &command, const RunOptions &options = {});

// HOME and every XDG folder inside `home`.
Env homeEnv(const std::string &home);

double median(std::vector<double> values);

// Wall time since construction.
class Stopwatch {
public:
    double seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

enum class Bound { atMost, below };

// The one-minute load average now.
double loadAverage();

// Prints "  <what>  <figure><unit>  target <= <limit><unit>  PASS  load <load>"
// (or MISS; "<" for Bound::below) and returns whether the target was met. The
// load is the one-minute load average when the figure was taken (now, when
// not given).
bool verdict(const char *what, double figure, double limit, const char *unit = "",
             Bound bound = Bound::atMost, double load = -1);

}  // namespace Bench
