#include "engine/KeptList.h"

namespace {

const QString kKept = u"\u25ce "_qs;        // ◎ a kept path
const QString kFailed = u"\u2717 "_qs;      // ✗ what the engine could not do
const QString kSeparator = u" \u00b7 "_qs;  // " · "

}  // namespace

namespace KeptList {

QStringList paths(QStringView output) {
    QStringList paths;
    for (const QStringView line : output.split(u'\n', Qt::SkipEmptyParts)) {
        const QString t = line.trimmed().toString();
        if (t.startsWith(kKept) && t.contains(kSeparator))
            paths.append(t.mid(kKept.size()).section(kSeparator, 0, 0));
    }
    return paths;
}

std::optional<QString> failureIn(QStringView output) {
    std::optional<QString> failure;
    for (const QStringView line : output.split(u'\n', Qt::SkipEmptyParts))
        if (line.trimmed().startsWith(kFailed))
            failure = line.trimmed().mid(kFailed.size()).toString().remove(QChar(0x2060));
    return failure;
}

}  // namespace KeptList
