#include "engine/Report.h"

#include <QHashFunctions>
#include <QTextBoundaryFinder>

#include <limits>

#include "engine/Size.h"

qint64 ReportSection::bytes() const {
    qint64 sum = 0;
    for (const ReportItem &item : items)
        if (item.kind == ReportItem::Kind::action && item.bytes &&
            __builtin_add_overflow(sum, *item.bytes, &sum))
            return std::numeric_limits<qint64>::max();  // absurd sizes saturate
    return sum;
}

size_t qHash(const ReportItem &item, size_t seed) {
    return qHashMulti(seed, item.id, int(item.kind), item.label, item.detail,
                      item.bytes.has_value(), item.bytes.value_or(0));
}

QStringView trimSpacesAndTabs(QStringView s) {
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (!s.isEmpty() && blank(s.front())) s = s.mid(1);
    while (!s.isEmpty() && blank(s.back())) s.chop(1);
    return s;
}

namespace {

QStringView trimCommasAndSpaces(QStringView s) {
    auto junk = [](QChar c) { return c == u',' || c == u' '; };
    while (!s.isEmpty() && junk(s.front())) s = s.mid(1);
    while (!s.isEmpty() && junk(s.back())) s.chop(1);
    return s;
}

// Length in UTF-16 units of the first `count` user-perceived characters.
qsizetype graphemePrefixLength(QStringView s, qsizetype count) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s.data(), s.size());
    qsizetype position = 0;
    for (qsizetype i = 0; i < count && position >= 0 && position < s.size(); ++i)
        position = finder.toNextBoundary();
    return position < 0 ? s.size() : position;
}

qsizetype graphemeCount(QStringView s) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s.data(), s.size());
    qsizetype count = 0;
    while (finder.toNextBoundary() >= 0) ++count;
    return count;
}

// The item kind a leading symbol stands for; none for lines that are not items.
std::optional<ReportItem::Kind> kindOf(QStringView firstCharacter, QStringView line) {
    using Kind = ReportItem::Kind;
    if (firstCharacter == u"→")
        return Kind::action;
    if (firstCharacter == u"⊙" || firstCharacter == u"⚙")
        return Kind::review;
    if (firstCharacter == u"◎" || firstCharacter == u"⚠")
        return Kind::note;
    if (firstCharacter == u"✓")
        return line.contains(u"Nothing to clean") ? Kind::ok : Kind::action;
    return std::nullopt;
}

}  // namespace

namespace ReportParser {

std::optional<QStringView> sectionTitle(QStringView line) {
    const QStringView t = trimSpacesAndTabs(line);
    if (!t.startsWith(u"➤ "))
        return std::nullopt;
    return t.mid(2);
}

Appended feed(const QString &line, QList<ReportSection> &sections) {
    if (const std::optional<QStringView> title = sectionTitle(line)) {
        // The engine's question before a real clean is no section.
        if (title->contains(u"confirm"))
            return nothing;
        sections.append(ReportSection{QUuid::createUuid(), title->toString(), {}});
        return section;
    }
    const QStringView t = trimSpacesAndTabs(line);
    if (t.isEmpty() || sections.isEmpty())
        return nothing;

    const qsizetype symbolLength = graphemePrefixLength(t, 1);
    const auto kind = kindOf(t.first(symbolLength), t);
    if (!kind)
        return nothing;

    const QStringView rest = trimSpacesAndTabs(t.mid(symbolLength));
    QString label, detail;
    const qsizetype dot = rest.indexOf(u" · ");
    if (dot >= 0) {
        label = trimSpacesAndTabs(rest.first(dot)).toString();
        detail = rest.mid(dot + 3).toString();
    } else {
        const qsizetype comma = rest.indexOf(u", ");
        label = trimSpacesAndTabs(comma >= 0 ? rest.first(comma) : rest).toString();
        // The detail is what follows the label's character count, so blanks
        // trimmed off the label's end stay in front of the detail.
        const QStringView remainder = rest.mid(graphemePrefixLength(rest, graphemeCount(label)));
        detail = trimCommasAndSpaces(remainder).toString();
    }

    const std::optional<qint64> bytes = Size::parse(detail);
    sections.last().items.append(ReportItem{QUuid::createUuid(), *kind, label, detail, bytes});
    return item;
}

}  // namespace ReportParser
