#include "clean/CleanCommand.h"

#include "clean/InUse.h"
#include "clean/KeepCommands.h"
#include "clean/Plan.h"
#include "clean/Scan.h"
#include "common/Confirm.h"
#include "common/DirectorySizes.h"
#include "common/FileLimit.h"
#include "common/Interrupt.h"
#include "common/Output.h"
#include "common/Processes.h"
#include "common/Text.h"
#include "common/TextLine.h"
#include "common/TrashWriter.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace mole::clean {

namespace {

constexpr int64_t kPlanLifetime = 24 * 60 * 60;

std::string sizeText(int64_t bytes) {
    return formatBytes(double(bytes));
}

int dryRun(const Home &home) {
    std::vector<Section> sections;
    int64_t total = 0;
    int items = 0;
    KeepList keep = KeepList::read(home, "clean");
    scan(home, keep, [&](Section &&section) {
        printLine(sectionLine(section.title));
        for (const Item &item : section.items) {
            printLine(itemLine(item));
            if (item.kind == Item::Kind::action) {
                total += item.bytes;
                ++items;
            }
        }
        if (section.actionCount() == 0 &&
            std::none_of(section.items.begin(), section.items.end(), [](const Item &item) {
                return item.kind == Item::Kind::review || item.kind == Item::Kind::kept;
            }))
            printLine(nothingLine());
        sections.push_back(std::move(section));
    });
    if (!savePlan(home, sections))
        printLine(std::string(kNote) + "The plan could not be saved" + std::string(kDot) +
                  "clean will scan again");
    printLine("Potential space: " + sizeText(total) + std::string(kDot) +
              "Items: " + std::to_string(items));
    return 0;
}

// Removes one Trash entry's .trashinfo once the entry itself is gone.
void removeTrashInfo(const Home &home, const std::string &entryPath) {
    std::string name = entryPath.substr(entryPath.rfind('/') + 1);
    int error = 0;
    std::optional<Beneath> info =
        Beneath::open(home, home.data + "/Trash/info/" + name + ".trashinfo", error);
    if (info)
        ::unlinkat(info->parent(), info->name().c_str(), 0);
}

struct Totals {
    int64_t freed = 0;
    int failures = 0;
    int left = 0;  // items not reached because of a stop
};

void cleanItem(const Home &home, const Section &section, const Item &item,
               RunningPrograms &running, Totals &totals) {
    // A program started since the scan uses its cache now: looked at again
    // just before the item goes.
    if (!programsUsing(home, section.title, item).empty() &&
        inUse(home, section.title, item, running.now())) {
        printLine(std::string(kNote) + item.label + " is running" + std::string(kDot) +
                  "cache skipped");
        return;
    }
    Removal removal(home, [&](const std::string &path, int error) {
        printLine(std::string(kFailed) + displayText(path) + std::string(kDot) +
                  "failed: " + reasonText(error));
    });
    int64_t freed = 0;
    int failures = 0, changed = 0;
    bool trash = false;
    for (const Target &target : item.targets) {
        bool moved = false;
        Removal::Result result = removal.remove(target.path, target.identity, moved);
        if (moved) {
            ++changed;
            printLine(std::string(kNote) + displayText(home.tilde(target.path)) +
                      std::string(kDot) + "changed since the scan, skipped");
            continue;
        }
        if (result.vanished)
            printLine(std::string(kNote) + displayText(home.tilde(target.path)) +
                      std::string(kDot) + "already gone");
        if (target.trashEntry && result.gone) {
            removeTrashInfo(home, target.path);
            trash = true;
        }
        freed += result.freed;
        failures += result.failures;
    }
    if (trash)
        tidyDirectorySizes(home);
    totals.freed += freed;
    totals.failures += failures;
    if (failures == 0 && changed < int(item.targets.size()))
        printLine(std::string(kOk) + item.label + std::string(kDot) + sizeText(freed));
    else if (failures > 0)
        printLine(std::string(kNote) + item.label + std::string(kDot) + sizeText(freed) +
                  std::string(kDot) + std::to_string(failures) + " could not be removed");
}

int cleanNow(const Home &home, bool yes) {
    // What the user keeps is never removed, whatever the plan says; a keep
    // list that cannot be read leaves that unknown, so nothing is removed.
    KeepList keep = KeepList::read(home, "clean");
    if (!keep.readable()) {
        printLine(std::string(kFailed) + "The keep list could not be read" + std::string(kDot) +
                  "nothing removed");
        return 1;
    }
    std::string refusal;
    std::optional<std::vector<Section>> plan = loadPlan(home, kPlanLifetime, refusal);
    if (!refusal.empty())
        printLine(std::string(kNote) + "Saved plan not used" + std::string(kDot) + refusal);
    if (!plan) {
        plan.emplace();
        scan(home, keep, [&](Section &&section) { plan->push_back(std::move(section)); });
    }
    for (Section &section : *plan)
        keep.apply(home, section, false, [&](const std::string &path) {
            printLine("\u25ce " + displayText(home.tilde(path)) + std::string(kDot) +
                      "kept, left alone");
        });
    int64_t total = 0;
    int items = 0;
    for (const Section &section : *plan)
        for (const Item &item : section.items)
            if (item.kind == Item::Kind::action) {
                total += item.bytes;
                ++items;
            }
    if (!yes &&
        !confirmOnTerminal("Remove " + counted(items, "item") + ", " + sizeText(total) + "?")) {
        printLine("Nothing removed.");
        return 1;
    }
    // The plan is used up whatever happens next; a later clean scans afresh.
    dropPlan(home);
    catchStopSignals();
    Totals totals;
    RunningPrograms running;
    for (const Section &section : *plan) {
        if (section.actionCount() == 0)
            continue;
        if (!stopRequested())
            printLine(sectionLine(section.title));
        for (const Item &item : section.items) {
            if (item.kind != Item::Kind::action)
                continue;
            if (stopRequested()) {
                ++totals.left;
                continue;
            }
            cleanItem(home, section, item, running, totals);
        }
    }
    if (totals.left > 0)
        printLine(std::string(kNote) + "Stopped" + std::string(kDot) +
                  counted(totals.left, "item") + " left as they were");
    printLine("Space freed: " + sizeText(totals.freed));
    return totals.failures > 0 || totals.left > 0 ? 1 : 0;
}

}  // namespace

int run(int argc, char **argv) {
    bool dry = false, yes = false;
    // The keep list's own commands: one option, with its argument.
    for (const char *option : {"--keep", "--release", "--kept"}) {
        const bool takesArgument = std::strcmp(option, "--kept") != 0;
        if (argc < 2 || std::strcmp(argv[1], option) != 0)
            continue;
        if (argc != (takesArgument ? 3 : 2)) {
            printError("clean", takesArgument ? "give one label or path after the option"
                                              : "--kept takes nothing more");
            return 2;
        }
        std::optional<Home> home = homeFor("clean");
        if (!home)
            return 1;
        if (std::strcmp(option, "--keep") == 0)
            return keepItem(*home, argv[2]);
        if (std::strcmp(option, "--release") == 0)
            return releasePath(*home, argv[2]);
        return printKept(*home);
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dry-run") == 0 || std::strcmp(argv[i], "-n") == 0) {
            dry = true;
        } else if (std::strcmp(argv[i], "--yes") == 0 || std::strcmp(argv[i], "-y") == 0) {
            yes = true;
        } else {
            printError("clean", "unknown option (use --dry-run or --yes)");
            return 2;
        }
    }
    std::optional<Home> home = homeFor("clean");
    if (!home)
        return 1;
    raiseOpenFileLimit();
    return dry ? dryRun(*home) : cleanNow(*home, yes);
}

}  // namespace mole::clean
