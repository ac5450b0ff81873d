#include "analyze/Table.h"

#include "common/Output.h"
#include "common/Text.h"

#include <cstdio>

namespace mole::analyze {

namespace {

constexpr size_t kShownChildren = 30;
constexpr size_t kShownFiles = 10;
constexpr int kBarWidth = 20;

std::string row(int64_t bytes, int64_t total, const std::string &name) {
    double share = total > 0 ? double(bytes) / double(total) : 0;
    char figures[64];
    std::snprintf(figures, sizeof figures, "%10s  ", formatBytes(double(bytes)).c_str());
    char percent[16];
    std::snprintf(percent, sizeof percent, " %5.1f%%  ", 100 * share);
    return figures + shareBar(share, kBarWidth) + percent + name + "\n";
}

}  // namespace

bool printTable(const std::string &path, const walk::FolderUsage &usage) {
    std::string text = printable(path) + "  " + formatBytes(double(usage.totalBytes)) + ", " +
                       std::to_string(usage.children.size()) + " items\n\n";
    size_t shown = std::min(usage.children.size(), kShownChildren);
    for (size_t i = 0; i < shown; ++i) {
        const walk::ChildUsage &child = usage.children[i];
        text +=
            row(child.bytes, usage.totalBytes, printable(child.name) + (child.isDir ? "/" : ""));
    }
    if (usage.children.size() > shown) {
        int64_t rest = 0;
        for (size_t i = shown; i < usage.children.size(); ++i) rest += usage.children[i].bytes;
        text += row(rest, usage.totalBytes,
                    "(" + std::to_string(usage.children.size() - shown) + " more)");
    }
    if (!usage.largeFiles.empty()) {
        text += "\nLargest files\n";
        for (size_t i = 0; i < std::min(usage.largeFiles.size(), kShownFiles); ++i) {
            const walk::LargeFile &file = usage.largeFiles[i];
            text += row(file.bytes, usage.totalBytes, printable(file.path));
        }
    }
    if (usage.unreadableFolders > 0)
        text += "\n" + std::to_string(usage.unreadableFolders) +
                " folders could not be read; their contents are not counted.\n";
    return writeOut(text);
}

}  // namespace mole::analyze
