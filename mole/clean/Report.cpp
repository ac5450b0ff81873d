#include "clean/Report.h"

#include "common/Text.h"
#include "common/TextLine.h"

namespace mole::clean {

int Section::actionCount() const {
    int count = 0;
    for (const Item &item : items) count += item.kind == Item::Kind::action;
    return count;
}

std::string sectionLine(const std::string &title) {
    return std::string(kSection) + title;
}

std::string itemLine(const Item &item) {
    switch (item.kind) {
    case Item::Kind::action:
        return std::string(kAction) + item.label + std::string(kDot) + formatBytes(double(item.bytes));
    case Item::Kind::review:
        return std::string(kReview) + item.label + std::string(kDot) +
               formatBytes(double(item.bytes)) + std::string(kDot) + item.detail;
    case Item::Kind::note:
        return std::string(kNote) + item.label + std::string(kDot) + item.detail;
    }
    return {};
}

std::string nothingLine() {
    return std::string(kOk) + "Nothing to clean";
}

}  // namespace mole::clean
