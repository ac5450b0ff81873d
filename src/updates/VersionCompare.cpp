#include "updates/VersionCompare.h"

#include <QList>

namespace {

enum class Kind { Number, Word, Period };

struct Part {
    Kind kind;
    QStringView text;
};

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Marks a boundary between parts without being one.
bool isSeparator(QChar c) {
    return c.isSpace() || (c.unicode() < 128 && c != u'.' && !c.isLetterOrNumber());
}

Kind kindOf(QChar c) {
    return c == u'.' ? Kind::Period : isDigit(c) ? Kind::Number : Kind::Word;
}

QList<Part> split(QStringView version) {
    QList<Part> parts;
    qsizetype i = 0;
    while (i < version.size()) {
        if (isSeparator(version[i])) {
            ++i;
            continue;
        }
        const Kind kind = kindOf(version[i]);
        qsizetype end = i + 1;
        // Every period is a part of its own, so "1..2" is not "1.2".
        while (kind != Kind::Period && end < version.size() && !isSeparator(version[end]) &&
               kindOf(version[end]) == kind)
            ++end;
        parts.append({kind, version.sliced(i, end - i)});
        i = end;
    }
    return parts;
}

QStringView withoutLeadingZeros(QStringView digits) {
    while (digits.startsWith(u'0')) digits = digits.sliced(1);
    return digits;
}

// Numbers of any length: the one with more significant digits is larger,
// then the digits decide.
int compareNumbers(QStringView a, QStringView b) {
    a = withoutLeadingZeros(a);
    b = withoutLeadingZeros(b);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int compareParts(const Part &a, const Part &b) {
    if (a.kind == b.kind) {
        if (a.kind == Kind::Number)
            return compareNumbers(a.text, b.text);
        if (a.kind == Kind::Word) {
            const int c = a.text.compare(b.text, Qt::CaseInsensitive);
            return c < 0 ? -1 : c > 0 ? 1 : 0;
        }
        return 0;
    }
    // Letters where the other goes on with a number or a period mark a
    // pre-release ("1.0b1" < "1.0.1"); a number outranks a bare period.
    if (a.kind == Kind::Word)
        return -1;
    if (b.kind == Kind::Word)
        return 1;
    return a.kind == Kind::Number ? 1 : -1;
}

// How the longer version's remaining parts rank it against the shorter one:
// above when a non-zero number comes first, below when letters do, equal
// when only periods and zeros remain.
int compareTail(const QList<Part> &tail) {
    for (const Part &part : tail) {
        if (part.kind == Kind::Word)
            return -1;
        if (part.kind == Kind::Number && !withoutLeadingZeros(part.text).isEmpty())
            return 1;
    }
    return 0;
}

}  // namespace

int compareVersions(QStringView a, QStringView b) {
    const QList<Part> left = split(a);
    const QList<Part> right = split(b);
    const qsizetype common = qMin(left.size(), right.size());
    for (qsizetype i = 0; i < common; ++i) {
        if (const int c = compareParts(left[i], right[i]); c != 0)
            return c;
    }
    if (left.size() > common)
        return compareTail(left.sliced(common));
    return -compareTail(right.sliced(common));
}
