#include "uninstall/UninstallCommand.h"

#include "common/Confirm.h"
#include "common/Interrupt.h"
#include "common/Measure.h"
#include "common/Output.h"
#include "common/RunTool.h"
#include "common/Text.h"
#include "common/TextLine.h"
#include "common/TreeSize.h"
#include "trash/Mover.h"
#include "uninstall/Apps.h"
#include "uninstall/Leftovers.h"

#include <cstring>
#include <string>

namespace mole::uninstall {

namespace {

int list(const Home &home) {
    Json records = Json::array();
    for (const App &app : listApps(home))
        records.push_back({{"name", app.name},
                           {"bundle_id", app.bundleId},
                           {"source", app.source},
                           {"uninstall_name", app.uninstallName},
                           {"path", app.path}});
    return writeOut(jsonLine(records)) ? 0 : 1;
}

int64_t sizeOf(const Home &home, const std::string &path) {
    if (home.contains(path)) {
        std::optional<Measured> found = measure(home, path);
        return found ? found->bytes : 0;
    }
    return treeSize(path);  // a Homebrew keg outside the home: measured, never touched
}

// "✓ ~/path , 12 MB , 2f686f6d65...": the line the app's leftover reader
// takes. The path is shown escaped for display; the third field is the
// exact path as hexadecimal bytes, which no name can turn into a marker the
// app's filters or size reader react to.
std::string planLine(const Home &home, const std::string &path, int64_t bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(path.size() * 2);
    for (unsigned char c : path) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return std::string(kOk) + displayText(home.tilde(path)) + " , " + formatBytes(double(bytes)) +
           " , " + hex;
}

std::string lastLine(std::string_view text) {
    std::string last;
    forEachLine(text, [&](std::string_view line) {
        if (!trim(line).empty())
            last = trim(line);
    });
    return last;
}

// Runs the package manager's own removal; false (with a failure line) when it fails.
bool packageRemoval(const App &app) {
    std::vector<std::string> command =
        app.source == "Homebrew" ? std::vector<std::string>{"brew", "uninstall", app.uninstallName}
                                 : std::vector<std::string>{"flatpak", "uninstall", "--user",
                                                            "--noninteractive", app.uninstallName};
    ToolRun run = runTool(command);
    std::string tool = command.front();
    if (run.ok()) {
        printLine(std::string(kOk) + tool + " removed " + displayText(app.uninstallName));
        return true;
    }
    std::string why = run.started ? displayText(lastLine(run.output)) : tool + " is not installed";
    printLine(std::string(kFailed) + tool + " uninstall failed" + std::string(kDot) + why);
    return false;
}

int remove(const Home &home, const App &app, const std::vector<std::string> &plan, bool yes) {
    int64_t total = 0;
    for (const std::string &path : plan) total += sizeOf(home, path);
    if (!yes && !confirmOnTerminal("Remove " + displayText(app.name) + " and " +
                                   counted(long(plan.size()) - 1, "leftover") + ", " +
                                   formatBytes(double(total)) + "?")) {
        printLine("Nothing removed.");
        return 1;
    }
    const bool packaged = app.source == "Homebrew" || app.source == "Flatpak";
    if (packaged && !packageRemoval(app))
        return 1;
    trash::Mover trash(home);
    int failures = 0, moved = 0;
    for (const std::string &path : plan) {
        if (stopRequested())  // the reader has gone: nobody would learn what moves next
            break;
        if (packaged && path == app.path)
            continue;  // the package manager removed it
        const trash::Outcome outcome = trash.move(path);
        if (outcome.status != trash::Outcome::moved && outcome.status != trash::Outcome::gone) {
            ++failures;
            printLine(std::string(kFailed) + displayText(home.tilde(path)) + std::string(kDot) +
                      "failed: " + outcome.reason);
        } else {
            ++moved;
            printLine(std::string(kOk) + displayText(home.tilde(path)) + std::string(kDot) +
                      "moved to the Trash");
        }
    }
    printLine(
        counted(moved, "item") + " moved to the Trash" +
        (failures ? std::string(kDot) + std::to_string(failures) + " failed" : std::string()));
    return failures ? 1 : 0;
}

}  // namespace

int run(int argc, char **argv) {
    bool listing = false, dry = false, yes = false;
    std::string name;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--list") == 0)
            listing = true;
        else if (std::strcmp(argv[i], "--dry-run") == 0)
            dry = true;
        else if (std::strcmp(argv[i], "--yes") == 0 || std::strcmp(argv[i], "-y") == 0)
            yes = true;
        else if (argv[i][0] != '-' && name.empty())
            name = argv[i];
        else {
            printError("uninstall", "usage: uninstall --list | --dry-run NAME | NAME");
            return 2;
        }
    }
    if (listing == !name.empty()) {
        printError("uninstall", "usage: uninstall --list | --dry-run NAME | NAME");
        return 2;
    }
    std::optional<Home> home = homeFor("uninstall");
    if (!home)
        return 1;
    if (listing)
        return list(*home);
    std::vector<App> apps = listApps(*home);
    std::optional<App> app = findApp(apps, name);
    if (!app) {
        printLine(std::string(kFailed) + displayText(name) + " not found");
        return 1;
    }
    std::vector<std::string> plan = removalPlan(*home, *app, apps);
    if (!dry)
        return remove(*home, *app, plan, yes);
    int64_t total = 0;
    for (const std::string &path : plan) {
        int64_t bytes = sizeOf(*home, path);
        total += bytes;
        printLine(planLine(*home, path, bytes));
    }
    printLine("Potential space: " + formatBytes(double(total)));
    return 0;
}

}  // namespace mole::uninstall
