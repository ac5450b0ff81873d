#include "support/Measure.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace Bench {

Sample run(const std::vector<std::string> &command, const RunOptions &options) {
    const Stopwatch clock;
    const pid_t child = ::fork();
    if (child == 0) {
        for (const auto &[name, value] : options.env) ::setenv(name.c_str(), value.c_str(), 1);
        const int out = ::open(options.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(out, 1);
        ::dup2(null, 2);
        std::vector<char *> argv;
        for (const std::string &arg : command) argv.push_back(const_cast<char *>(arg.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    Sample sample;
    sample.seconds = clock.seconds();
    sample.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    sample.peakKb = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) >= 126)
        std::fprintf(stderr, "warning: %s did not run cleanly\n", command[0].c_str());
    return sample;
}

Env homeEnv(const std::string &home) {
    return {{"HOME", home},
            {"XDG_CACHE_HOME", home + "/.cache"},
            {"XDG_CONFIG_HOME", home + "/.config"},
            {"XDG_DATA_HOME", home + "/.local/share"},
            {"XDG_STATE_HOME", home + "/.local/state"}};
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double loadAverage() {
    double load[1] = {0};
    return ::getloadavg(load, 1) == 1 ? load[0] : 0;
}

bool verdict(const char *what, double figure, double limit, const char *unit, Bound bound,
             double load) {
    const bool met = bound == Bound::below ? figure < limit : figure <= limit;
    std::printf("  %-34s %9.2f%-3s target %s %.2f%s  %s  load %.2f\n", what, figure, unit,
                bound == Bound::below ? "<" : "<=", limit, unit, met ? "PASS" : "MISS",
                load < 0 ? loadAverage() : load);
    return met;
}

}  // namespace Bench
