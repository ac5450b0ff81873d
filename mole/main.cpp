// mole: the cleaning engine behind Brightloft. Each subcommand is one entry of
// the table below.
#include "analyze/AnalyzeCommand.h"
#include "clean/CleanCommand.h"
#include "optimize/OptimizeCommand.h"
#include "status/StatusCommand.h"
#include "uninstall/UninstallCommand.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

struct Command {
    std::string_view name;
    std::string_view usage;
    int (*run)(int argc, char **argv);
};

constexpr Command commands[] = {
    {"analyze", "analyze --json [absolute folder path]", mole::analyze::run},
    {"clean", "clean [--dry-run] [--yes]", mole::clean::run},
    {"optimize", "optimize [--dry-run]", mole::optimize::run},
    {"status", "status [--json] [--watch [--interval 2s|500ms|N]]", mole::status::run},
    {"uninstall", "uninstall --list | --dry-run NAME | [--yes] NAME", mole::uninstall::run},
};

int usage(FILE *out) {
    std::fprintf(out, "usage: mole <command> [options]\n\ncommands:\n");
    for (const Command &c : commands)
        if (c.run)
            std::fprintf(out, "  %.*s\n", int(c.usage.size()), c.usage.data());
    return out == stderr ? 2 : 0;
}

}  // namespace

int main(int argc, char **argv) {
    // A reader that goes away shows up as a failed write, handled where it happens.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc < 2)
        return usage(stderr);
    std::string_view name = argv[1];
    if (name == "--version" || name == "version") {
        std::printf("%s\n", MOLE_VERSION);
        return 0;
    }
    if (name == "--help" || name == "help")
        return usage(stdout);
    for (const Command &c : commands)
        if (c.run && c.name == name)
            return c.run(argc - 1, argv + 1);
    std::fprintf(stderr, "unknown command: %s\n", argv[1]);
    return usage(stderr);
}
