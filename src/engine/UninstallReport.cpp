#include "engine/UninstallReport.h"

#include <QFile>

#include <cctype>

#include "engine/Report.h"
#include "platform/Paths.h"

namespace {

// An absolute path written as hexadecimal bytes; empty for anything else.
QByteArray exactPathFrom(QStringView hex) {
    hex = trimSpacesAndTabs(hex);
    if (hex.isEmpty() || hex.size() % 2 != 0)
        return {};
    for (QChar c : hex)
        if (c.unicode() > 127 || !std::isxdigit(c.unicode()))
            return {};
    const QByteArray path = QByteArray::fromHex(hex.toLatin1());
    return path.startsWith('/') && !path.contains('\0') ? path : QByteArray();
}

}  // namespace

QByteArray Leftover::target() const {
    return exactPath.isEmpty() ? QFile::encodeName(Paths::expandTilde(path)) : exactPath;
}

namespace UninstallReport {

QList<Leftover> leftovers(QStringView output) {
    QList<Leftover> out;
    for (const QStringView line : output.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringView t = trimSpacesAndTabs(line);
        if (!t.startsWith(u"\u2713 /") && !t.startsWith(u"\u2713 ~"))
            continue;
        const QList<QStringView> pieces = t.mid(2).split(u" , ");
        out.append({QUuid::createUuid(), trimSpacesAndTabs(pieces[0]).toString(),
                    pieces.size() > 1 ? pieces[1].toString() : QString(),
                    pieces.size() > 2 ? exactPathFrom(pieces[2]) : QByteArray()});
    }
    return out;
}

std::optional<QString> failureIn(QStringView output) {
    const QList<QStringView> lines = output.split(u'\n', Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (line->contains(u"fail", Qt::CaseInsensitive) ||
            line->contains(u"denied", Qt::CaseInsensitive)) {
            qsizetype first = 0;
            while (first < line->size() && !line->at(first).isLetter()) ++first;
            return line->mid(first).toString();
        }
    }
    return std::nullopt;
}

}  // namespace UninstallReport
