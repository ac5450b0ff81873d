#include "analyze/Report.h"

#include "common/Output.h"

#include <ctime>

namespace mole::analyze {

namespace {

void writeEntry(StreamedLine &line, const Classifier &classifier, std::string_view name,
                const std::string &path, bool isDir, int64_t bytes, int64_t lastAccess) {
    Flags flags = classifier.classify({path, name, isDir, bytes, lastAccess});
    line.raw("{\"name\":").string(name);
    line.raw(",\"path\":").string(path);
    line.raw(",\"size\":").number(bytes);
    line.raw(isDir ? ",\"is_dir\":true" : ",\"is_dir\":false");
    line.raw(flags.cleanable ? ",\"cleanable\":true" : ",\"cleanable\":false");
    line.raw(flags.insight ? ",\"insight\":true" : ",\"insight\":false");
    if (lastAccess > 0)
        line.raw(",\"last_access\":\"").raw(isoTime(lastAccess)).raw("\"");
    line.raw("}");
}

}  // namespace

std::string isoTime(int64_t seconds) {
    time_t time = time_t(seconds);
    tm utc{};
    gmtime_r(&time, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

bool writeReport(const std::string &path, const FolderUsage &usage, const Classifier &classifier) {
    StreamedLine line;
    line.raw("{\"path\":").string(path).raw(",\"entries\":[");
    std::string childPath;
    for (size_t i = 0; i < usage.children.size(); ++i) {
        const ChildUsage &child = usage.children[i];
        childPath = joinPath(path, child.name);
        if (i > 0)
            line.raw(",");
        writeEntry(line, classifier, child.name, childPath, child.isDir, child.bytes,
                   child.lastAccess);
    }
    line.raw("],\"large_files\":[");
    for (size_t i = 0; i < usage.largeFiles.size(); ++i) {
        const LargeFile &file = usage.largeFiles[i];
        std::string_view name = std::string_view(file.path).substr(file.path.rfind('/') + 1);
        if (i > 0)
            line.raw(",");
        writeEntry(line, classifier, name, file.path, false, file.bytes, file.lastAccess);
    }
    line.raw("],\"total_size\":").number(usage.totalBytes);
    line.raw(",\"unreadable_folders\":").number(usage.unreadableFolders).raw("}");
    return line.end();
}

}  // namespace mole::analyze
