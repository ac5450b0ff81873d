#pragma once

#include "common/Removal.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mole::clean {

// One file or folder a clean run removes, as the dry run found it.
struct Target {
    std::string path;
    Identity identity;
    bool trashEntry = false;  // a Trash entry: its info/<name>.trashinfo goes with it
    int64_t bytes = 0;        // as measured by the scan (a saved plan does not keep it)
};

struct Item {
    // action: removed by a clean run; review: listed, never removed; note: a
    // warning (a running program); kept: held back by the user's keep list.
    enum class Kind { action, review, note, kept };
    Kind kind = Kind::action;
    std::string label;  // already made safe for a text line
    int64_t bytes = 0;
    std::string detail;           // for review items: where it is
    std::vector<Target> targets;  // review and kept items name their place too
    std::string reason;           // why it is safe to remove (action) or worth a look (review)
};

struct Section {
    std::string title;
    std::vector<Item> items;

    int actionCount() const;
};

// Report lines, as the app's report parser reads them.
std::string sectionLine(const std::string &title);
std::string itemLine(const Item &item);
std::string nothingLine();

}  // namespace mole::clean
