// mole: the cleaning engine behind Brightloft. Each subcommand is one entry of
// the table below.
#include "analyze/AnalyzeCommand.h"
#include "clean/CleanCommand.h"
#include "optimize/OptimizeCommand.h"
#include "status/StatusCommand.h"
#include "trash/TrashCommand.h"
#include "uninstall/UninstallCommand.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

struct Command {
    std::string_view name;
    std::string_view usage;
    int (*run)(int argc, char **argv);
    std::string_view summary = {};  // one line for `mole --help`
    std::string_view help = {};     // what `mole <command> --help` adds below the usage
};

constexpr Command commands[] = {
    {"analyze", "analyze [--json] [absolute folder path]", mole::analyze::run,
     "measure what takes space in a folder",
     "Measures a folder (the whole computer, from /, when none is given): the\n"
     "allocated size of each item in it, as du counts, and the 20 largest files\n"
     "anywhere below. Symbolic links are not followed, a hard-linked file counts\n"
     "once, and other file systems are entered only when they are local disks.\n"
     "\n"
     "  --json      print the report as one JSON line (path, entries, large_files,\n"
     "              total_size, unreadable_folders); this is also what is printed\n"
     "              whenever standard output is not a terminal\n"
     "  -h, --help  show this help\n"
     "\n"
     "At a terminal the report is a table: size, share of the folder, name.\n"
     "Exit status: 0 measured, 1 the folder cannot be read, 2 usage error.\n"},
    {"clean", "clean [--dry-run] [--yes] | --keep LABEL | --release PATH | --kept",
     mole::clean::run, "find and remove junk in your home folder",
     "Finds caches, thumbnails, browser, application and developer caches, logs,\n"
     "crash dumps, the Trash, and leftovers of removed applications (listed for\n"
     "review, never removed). Each item says why it is safe to remove.\n"
     "\n"
     "  -n, --dry-run   list what would be removed and record it as the plan;\n"
     "                  nothing is removed\n"
     "  -y, --yes       do not ask before removing (a terminal is asked [y/N])\n"
     "  --keep LABEL    never remove what the item LABEL names\n"
     "  --release PATH  take PATH off the keep list\n"
     "  --kept          print the keep list\n"
     "  -h, --help      show this help\n"
     "\n"
     "Without --dry-run, exactly the items of the last dry run (under a day old)\n"
     "are removed, each re-checked first; otherwise the home is scanned afresh.\n"
     "Paths in ~/.config/mole/keep (one per line, ~/ allowed, # comments) and\n"
     "everything inside them are never removed. Symbolic links are never\n"
     "followed and nothing outside the home is touched.\n"},
    {"optimize", "optimize [--dry-run]", mole::optimize::run,
     "check and repair user-level system databases",
     "Checks the font, desktop-entry, MIME and icon caches, failed thumbnails,\n"
     "launchers and links whose program is gone, failed user services and low\n"
     "free space, then applies the fixes that need no administrator.\n"
     "\n"
     "  --dry-run   only check; change nothing\n"
     "  -h, --help  show this help\n"},
    {"status", "status [--json] [--watch [--interval 2s|500ms|N]]", mole::status::run,
     "show the computer's health",
     "Reads the computer's state: processor and memory load, disks, the Trash,\n"
     "batteries, and a health score from 0 to 100.\n"
     "\n"
     "  --json               print each reading as one JSON line; this is also\n"
     "                       what is printed whenever standard output is not a\n"
     "                       terminal\n"
     "  --watch              a reading every interval until stopped (Ctrl-C,\n"
     "                       SIGTERM, or the reader going away)\n"
     "  --interval DURATION  2s (the default), 500ms, 1m or a number of seconds;\n"
     "                       at least 100ms\n"
     "  -h, --help           show this help\n"
     "\n"
     "Exit status: 0 done or stopped, 1 the reading could not be written,\n"
     "2 usage error.\n"},
    {"trash", "trash --stdin", mole::trash::run, "move files to the Trash",
     "Moves each path given on standard input, separated by NUL bytes, to the\n"
     "Trash of its file system (the home Trash, or .Trash-$UID at the top of\n"
     "another disk), where the file manager can restore it. A symbolic link\n"
     "goes as the link itself. \"/\", the home folder, the Trash, and the\n"
     "folders XDG variables and user-dirs.dirs name (Documents, Desktop, ...)\n"
     "are refused, as are the folders that hold them.\n"
     "\n"
     "  --stdin     read the paths from standard input (required)\n"
     "  -h, --help  show this help\n"
     "\n"
     "One JSON line per path, in input order: {\"status\": moved, gone, refused,\n"
     "changed or failed, \"path\", \"reason\"}, then a summary line.\n"
     "Exit status: 0 all moved, 1 something was refused or failed, 2 usage error.\n"},
    {"uninstall", "uninstall --list | --dry-run NAME | [--yes] NAME", mole::uninstall::run,
     "list applications, or remove one with its leftovers",
     "  --list       the applications you installed yourself, as one JSON array\n"
     "  --dry-run    list the application's files and leftovers, remove nothing\n"
     "  -y, --yes    do not ask before removing (a terminal is asked [y/N])\n"
     "  -h, --help   show this help\n"
     "\n"
     "Files go to the Trash, where the file manager can restore them; Flatpak\n"
     "and Homebrew applications are removed by their package manager.\n"},
};

// The name the engine was started by ("mo" through a link of that name).
std::string_view g_program = "mole";

int usage(FILE *out) {
    const int n = int(g_program.size());
    const char *p = g_program.data();
    std::fprintf(out,
                 "usage: %.*s <command> [options]\n\nThe cleaning engine of Brightloft.\n\n"
                 "commands:\n",
                 n, p);
    for (const Command &c : commands)
        if (c.run)
            std::fprintf(out, "  %-10.*s %.*s\n", int(c.name.size()), c.name.data(),
                         int(c.summary.empty() ? c.usage.size() : c.summary.size()),
                         c.summary.empty() ? c.usage.data() : c.summary.data());
    std::fprintf(out,
                 "\n  %.*s <command> --help   what a command does, and its options\n"
                 "  %.*s --version          the engine's version\n",
                 n, p, n, p);
    return out == stderr ? 2 : 0;
}

int commandHelp(const Command &c) {
    std::printf("usage: %.*s %.*s\n", int(g_program.size()), g_program.data(), int(c.usage.size()),
                c.usage.data());
    if (!c.help.empty())
        std::printf("\n%.*s", int(c.help.size()), c.help.data());
    return 0;
}

bool asksForHelp(int argc, char **argv) {
    for (int i = 2; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    return false;
}

}  // namespace

int main(int argc, char **argv) {
    // A reader that goes away shows up as a failed write, handled where it happens.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc > 0 && argv[0] && *argv[0]) {
        g_program = argv[0];
        g_program.remove_prefix(std::min(g_program.size(), g_program.rfind('/') + 1));
        if (g_program.empty())
            g_program = "mole";
    }
    if (argc < 2)
        return usage(stderr);
    std::string_view name = argv[1];
    if (name == "--version" || name == "version") {
        std::printf("%s\n", MOLE_VERSION);
        return 0;
    }
    if (name == "--help" || name == "-h" || name == "help")
        return usage(stdout);
    for (const Command &c : commands)
        if (c.run && c.name == name)
            return asksForHelp(argc, argv) ? commandHelp(c) : c.run(argc - 1, argv + 1);
    std::fprintf(stderr, "mole: unknown command\n\n");
    return usage(stderr);
}
