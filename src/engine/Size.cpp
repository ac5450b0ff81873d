#include "engine/Size.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace Size {

std::optional<qint64> parse(QStringView text) {
    static const QRegularExpression pattern(uR"((\d+(?:\.\d+)?)\s?(B|KB|MB|GB|TB)\b)"_qs);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;

    bool ok = false;
    double number = match.capturedView(1).toDouble(&ok);
    if (!ok)
        number = 0;  // too many digits to read
    static const QStringView units[] = {u"B", u"KB", u"MB", u"GB", u"TB"};
    const QStringView unit = match.capturedView(2);
    int exponent = 0;
    while (units[exponent] != unit) ++exponent;

    const double bytes = std::trunc(number * std::pow(1000.0, exponent));
    // Beyond the 64-bit range there is no meaningful size.
    if (!(bytes < 9223372036854775807.0))
        return std::nullopt;
    return qint64(bytes);
}

QString format(qint64 bytes) {
    static const char *const units[] = {"bytes", "KB", "MB", "GB", "TB", "PB", "EB"};
    static const int fractionDigits[] = {0, 0, 1, 2, 2, 2, 2};
    const QLocale locale;
    const double magnitude = std::abs(double(bytes));
    const QString sign = bytes < 0 ? locale.negativeSign() : QString();

    if (magnitude < 1000) {
        const qint64 n = bytes < 0 ? -bytes : bytes;
        return sign + locale.toString(n) + (n == 1 ? u" byte"_qs : u" bytes"_qs);
    }

    int unit = 1;
    double value = magnitude / 1000.0;
    while (unit < 6 && value >= 1000.0) {
        value /= 1000.0;
        ++unit;
    }
    double scale = std::pow(10.0, fractionDigits[unit]);
    double rounded = std::round(value * scale) / scale;
    // 999.96 MB rounds to 1000 MB: show it as 1 GB instead.
    if (rounded >= 1000.0 && unit < 6) {
        ++unit;
        value /= 1000.0;
        scale = std::pow(10.0, fractionDigits[unit]);
        rounded = std::round(value * scale) / scale;
    }
    QString number = locale.toString(rounded, 'f', fractionDigits[unit]);
    if (fractionDigits[unit] > 0) {
        // Drop trailing zeros and a bare decimal separator.
        const QString point = locale.decimalPoint();
        if (number.contains(point)) {
            while (number.endsWith(u'0')) number.chop(1);
            if (number.endsWith(point))
                number.chop(point.size());
        }
    }
    return sign + number + u' ' + QLatin1StringView(units[unit]);
}

}  // namespace Size
