#include "clean/Report.h"

#include "common/Text.h"
#include "common/TextLine.h"

namespace mole::clean {

namespace {

constexpr std::string_view kInfo = "\u25ce ";  // ◎: counted nowhere

// A reason, when there is one, is the line's last field.
std::string withReason(std::string line, const Item &item) {
    if (!item.reason.empty())
        line += std::string(kDot) + item.reason;
    return line;
}

}  // namespace

int Section::actionCount() const {
    int count = 0;
    for (const Item &item : items) count += item.kind == Item::Kind::action;
    return count;
}

std::string sectionLine(const std::string &title) {
    return std::string(kSection) + title;
}

std::string itemLine(const Item &item) {
    const std::string size = formatBytes(double(item.bytes));
    switch (item.kind) {
        case Item::Kind::action:
            return withReason(std::string(kAction) + item.label + std::string(kDot) + size, item);
        case Item::Kind::review:
            return withReason(std::string(kReview) + item.label + std::string(kDot) + size +
                                  std::string(kDot) + item.detail,
                              item);
        case Item::Kind::note:
            return std::string(kNote) + item.label + std::string(kDot) + item.detail;
        case Item::Kind::kept:
            return std::string(kInfo) + item.label + std::string(kDot) + size + std::string(kDot) +
                   item.detail;
    }
    return {};
}

std::string nothingLine() {
    return std::string(kOk) + "Nothing to clean";
}

}  // namespace mole::clean
