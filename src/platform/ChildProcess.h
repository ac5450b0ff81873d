#pragma once

#include <sys/types.h>

// Starts a program as a child that leads a process group of its own and is
// sent SIGTERM when the thread that started it dies (so also when the whole
// application dies, even by SIGKILL). Signal dispositions and the signal
// mask are reset to their defaults in the child, whatever the parent set.
namespace ChildProcess {

struct Request {
    const char *path = nullptr;   // absolute path of the program
    char *const *argv = nullptr;  // null-terminated
    char *const *envp = nullptr;  // null-terminated
    int input = -1;               // standard input; -1 means the null device
    int output = -1;              // standard output and standard error, merged
};

// Returns 0 and sets `pid` once the program runs (its exec succeeded), or an
// errno value, with nothing left running and no descriptor left open.
// Everything the child does between fork and exec is async-signal-safe, so
// other threads of the caller cannot deadlock it.
int start(const Request &request, pid_t &pid);

}  // namespace ChildProcess
