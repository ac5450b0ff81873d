#include "analyze/Report.h"

#include "common/Output.h"

#include <cstdio>

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

// The civil date is worked out here rather than by gmtime_r, which takes the
// C library's time zone lock for every one of a large folder's entries.
std::string isoTime(int64_t seconds) {
    int64_t days = seconds / 86400, second = seconds % 86400;
    if (second < 0) {
        second += 86400;
        --days;
    }
    // Days since 1 March of year 0 in 400-year eras of the Gregorian calendar.
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // from March
    int64_t day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    int64_t month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    int64_t year = yearOfEra + era * 400 + (month <= 2);
    char text[128];  // room for any figures, as far as the compiler can tell
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ", (long long)year,
                  (long long)month, (long long)day, (long long)(second / 3600),
                  (long long)(second / 60 % 60), (long long)(second % 60));
    return text;
}

bool writeReport(const std::string &path, const FolderUsage &usage, const Classifier &classifier) {
    StreamedLine line;
    line.raw("{\"path\":").string(path).raw(",\"entries\":[");
    // One buffer for every child's path: the folder's path and a slash stay,
    // the name changes.
    std::string childPath = joinPath(path, "");
    const size_t nameAt = childPath.size();
    for (size_t i = 0; i < usage.children.size(); ++i) {
        const ChildUsage &child = usage.children[i];
        childPath.resize(nameAt);
        childPath += child.name;
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
