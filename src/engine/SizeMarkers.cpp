#include "engine/SizeMarkers.h"

#include <QRegularExpression>

#include "engine/Size.h"

namespace SizeMarkers {

std::optional<qint64> sizeIn(const QString &line) {
    static const QString markers[] = {u"Potential space:"_qs, u"Tracked cleanup:"_qs,
                                      u"would free"_qs, u"freed"_qs};
    for (const QString &marker : markers) {
        const qsizetype at = line.indexOf(marker);
        if (at >= 0)
            return Size::parse(QStringView(line).mid(at + marker.size()));
    }
    return std::nullopt;
}

std::optional<qint64> itemCountIn(const QString &line) {
    static const QRegularExpression items(u"Items: (\\d+)"_qs);
    const QRegularExpressionMatch match = items.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 count = match.capturedView(1).toLongLong(&ok);
    return ok ? std::optional<qint64>(count) : std::nullopt;  // too long a number counts as none
}

std::optional<Totals> totalsIn(const QString &line) {
    const std::optional<qint64> bytes = sizeIn(line);
    if (!bytes)
        return std::nullopt;
    return Totals{*bytes, itemCountIn(line)};
}

std::optional<qint64> firstSizeIn(QStringView output) {
    for (const QStringView line : output.split(u'\n', Qt::SkipEmptyParts))
        if (const std::optional<qint64> bytes = sizeIn(line.toString()))
            return bytes;
    return std::nullopt;
}

}  // namespace SizeMarkers
