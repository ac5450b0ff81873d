#include "engine/CleanLog.h"

#include <algorithm>

#include "engine/Report.h"

namespace CleanLog {

Status statusOf(QStringView text) {
    const QStringView line = text.trimmed();
    if (line.startsWith(u'\u2717') || line.startsWith(u"error", Qt::CaseInsensitive))
        return Status::failure;
    if (line.startsWith(u'\u25CE') || line.startsWith(u'\u26A0'))
        return Status::warning;
    if (line.startsWith(u'\u2713') || line.startsWith(u'\u27A4'))
        return Status::success;
    return Status::plain;
}

bool isRule(QStringView line) {
    const QStringView t = trimSpacesAndTabs(line);
    return std::all_of(t.cbegin(), t.cend(), [](QChar c) { return c == u'='; });
}

}  // namespace CleanLog
