#include "clean/KeepCommands.h"

#include "clean/KeepList.h"
#include "clean/Plan.h"
#include "clean/Scan.h"
#include "common/Output.h"
#include "common/TextLine.h"

#include <algorithm>

namespace mole::clean {

namespace {

constexpr int64_t kPlanLifetime = 24 * 60 * 60;

// Labels as the app read them, with the invisible word joiners taken out.
std::string withoutJoiners(std::string text) {
    const std::string joiner = "\u2060";
    for (size_t at; (at = text.find(joiner)) != std::string::npos;) text.erase(at, joiner.size());
    return text;
}

void collect(const std::vector<Section> &sections, const std::string &label, bool reviewToo,
             std::vector<std::string> &paths) {
    for (const Section &section : sections)
        for (const Item &item : section.items)
            if ((item.kind == Item::Kind::action ||
                 (reviewToo && item.kind == Item::Kind::review)) &&
                withoutJoiners(item.label) == label)
                for (const Target &target : item.targets) paths.push_back(target.path);
}

bool unreadable(const KeepList &keep) {
    if (keep.readable())
        return false;
    printLine(std::string(kFailed) + "The keep list could not be read" + std::string(kDot) +
              "nothing changed");
    return true;
}

}  // namespace

int keepItem(const Home &home, const std::string &label) {
    KeepList keep = KeepList::read(home, "clean");
    if (unreadable(keep))
        return 1;
    const std::string wanted = withoutJoiners(label);
    std::vector<std::string> paths;
    // A plan that cannot be trusted is just not used here: the scan below
    // finds the item afresh.
    std::string refusal;
    if (std::optional<std::vector<Section>> plan = loadPlan(home, kPlanLifetime, refusal))
        collect(*plan, wanted, false, paths);
    if (paths.empty()) {
        std::vector<Section> sections;
        scan(home, keep, [&](Section &&section) { sections.push_back(std::move(section)); });
        collect(sections, wanted, true, paths);
    }
    if (paths.empty()) {
        printLine(std::string(kFailed) + displayText(label) + std::string(kDot) + "not found");
        return 1;
    }
    if (!keep.add(home, paths)) {
        printLine(std::string(kFailed) + displayText(label) + std::string(kDot) +
                  "could not be added to the keep list");
        return 1;
    }
    for (const std::string &path : paths)
        printLine(std::string(kOk) + displayText(home.tilde(path)) + std::string(kDot) + "kept");
    return 0;
}

int releasePath(const Home &home, const std::string &written) {
    KeepList keep = KeepList::read(home, "clean");
    if (unreadable(keep))
        return 1;
    std::string problem;
    std::optional<std::string> path = KeepList::pathOfLine(home, withoutJoiners(written), problem);
    int released = path ? keep.release(home, *path) : 0;
    const std::string shown = displayText(path ? home.tilde(*path) : written);
    if (released > 0) {
        printLine(std::string(kOk) + shown + std::string(kDot) + "released");
        return 0;
    }
    printLine(std::string(kFailed) + shown + std::string(kDot) +
              (released < 0 ? "the keep list could not be written" : "not in the keep list"));
    return 1;
}

int printKept(const Home &home) {
    KeepList keep = KeepList::read(home, "clean");
    printLine(sectionLine("Kept"));
    if (!keep.readable())
        printLine(std::string(kNote) + "Keep list" + std::string(kDot) +
                  "could not be read; clean removes nothing until it can");
    for (const std::string &path : keep.paths())
        printLine("\u25ce " + displayText(home.tilde(path)) + std::string(kDot) + "kept");
    return keep.readable() ? 0 : 1;
}

}  // namespace mole::clean
