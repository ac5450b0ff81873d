#include "engine/OutputFilter.h"

#include <QRegularExpression>

namespace Engine {

QString clean(QStringView raw) {
    static const QRegularExpression escapes(u"\x1b\\[[0-9;?]*[A-Za-z]"_qs);
    QString text = raw.toString();
    if (text.contains(u'\x1b'))
        text.remove(escapes);
    const QList<QStringView> pieces = QStringView(text).split(u'\r');
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it)
        if (!it->isEmpty())
            return it->toString();
    return {};
}

bool isFiltered(QStringView line) {
    static const QRegularExpression command(
        uR"(\bmo (clean|purge|analy[sz]e|uninstall|optimize|history|status|update|installer|touchid)\b)"_qs);
    static const QRegularExpression name(uR"(\bMole\b)"_qs);
    bool blank = true;
    for (QChar c : line)
        if (c != u' ' && c != u'\t') {
            blank = false;
            break;
        }
    if (blank)
        return true;
    // The substring tests keep the regular expressions off the common path.
    if (line.contains(u"mo ") && command.match(line).hasMatch())
        return true;
    return line.contains(u"Mole") && name.match(line).hasMatch();
}

QString shownLine(QByteArrayView bytes) {
    QString line = QString::fromUtf8(bytes);
    if (bytes.contains('\x1b') || bytes.contains('\r'))
        line = clean(line);
    return isFiltered(line) ? QString() : line;
}

std::optional<QString> errorReport(const QString &line) {
    static const QRegularExpression report(uR"(^mole(?: [a-z-]+)?: (.+)$)"_qs);
    const QRegularExpressionMatch match = report.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).trimmed();
}

}  // namespace Engine
