#include "analyze/Report.h"

#include "common/Output.h"

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
    // "YYYY-MM-DDTHH:MM:SSZ", digit by digit: printf's machinery costs more
    // than the rest of an entry's line.
    size_t yearDigits = 4;
    for (int64_t rest = year; rest >= 10000; rest /= 10) ++yearDigits;
    std::string text = std::string(yearDigits, '0') + "-00-00T00:00:00Z";
    auto put = [&text](size_t at, int64_t value, size_t digits) {
        for (size_t i = digits; i-- > 0; value /= 10) text[at + i] = char('0' + value % 10);
    };
    const size_t d = yearDigits;
    put(0, year, d);
    put(d + 1, month, 2);
    put(d + 4, day, 2);
    put(d + 7, second / 3600, 2);
    put(d + 10, second / 60 % 60, 2);
    put(d + 13, second % 60, 2);
    return text;
}

bool writeReport(const std::string &path, const walk::FolderUsage &usage,
                 const Classifier &classifier) {
    StreamedLine line;
    line.raw("{\"path\":").string(path).raw(",\"entries\":[");
    // One buffer for every child's path: the folder's path and a slash stay,
    // the name changes.
    std::string childPath = walk::joinPath(path, "");
    const size_t nameAt = childPath.size();
    for (size_t i = 0; i < usage.children.size(); ++i) {
        const walk::ChildUsage &child = usage.children[i];
        childPath.resize(nameAt);
        childPath += child.name;
        if (i > 0)
            line.raw(",");
        writeEntry(line, classifier, child.name, childPath, child.isDir, child.bytes,
                   child.lastAccess);
    }
    line.raw("],\"large_files\":[");
    for (size_t i = 0; i < usage.largeFiles.size(); ++i) {
        const walk::LargeFile &file = usage.largeFiles[i];
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
