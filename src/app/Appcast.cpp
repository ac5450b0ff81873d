#include "app/Appcast.h"

#include <QXmlStreamReader>

namespace Appcast {

namespace {

const QString kSparkle = u"http://www.andymatuschak.org/xml-namespaces/sparkle"_qs;

// Positive when `item` is above `other` (another item or the running app).
int compare(const AppcastItem &item, const QString &shortVersion, const QString &build) {
    if (!item.shortVersion.isEmpty() && !shortVersion.isEmpty()) {
        if (const int c = compareVersions(item.shortVersion, shortVersion); c != 0)
            return c;
    }
    return compareVersions(item.version, build);
}

}  // namespace

std::optional<QList<AppcastItem>> parse(const QByteArray &xml) {
    QXmlStreamReader reader(xml);
    QList<AppcastItem> items;
    std::optional<AppcastItem> item;
    bool sawRss = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const QStringView name = reader.name();
            if (name == u"rss") {
                sawRss = true;
            } else if (name == u"item") {
                item = AppcastItem{};
            } else if (item && name == u"enclosure") {
                const QXmlStreamAttributes a = reader.attributes();
                item->download = QUrl(a.value(u"url"_qs).toString().trimmed());
                if (item->version.isEmpty())
                    item->version = a.value(kSparkle, u"version"_qs).toString().trimmed();
                if (item->shortVersion.isEmpty())
                    item->shortVersion =
                        a.value(kSparkle, u"shortVersionString"_qs).toString().trimmed();
            } else if (item && reader.namespaceUri() == kSparkle && name == u"version") {
                item->version = reader.readElementText().trimmed();
            } else if (item && reader.namespaceUri() == kSparkle && name == u"shortVersionString") {
                item->shortVersion = reader.readElementText().trimmed();
            }
        } else if (reader.isEndElement() && reader.name() == u"item" && item) {
            if (item->download.isValid() && !item->download.isEmpty() &&
                !(item->version.isEmpty() && item->shortVersion.isEmpty()))
                items << *item;
            item.reset();
        }
    }
    if (reader.hasError() || !sawRss)
        return std::nullopt;
    return items;
}

int compareVersions(const QString &a, const QString &b) {
    const QStringList left = a.split(u'.');
    const QStringList right = b.split(u'.');
    for (qsizetype i = 0; i < qMax(left.size(), right.size()); ++i) {
        // Parts compared as numbers of any length: drop leading zeros, then
        // the longer is larger, then the digits decide.
        const auto part = [](const QStringList &parts, qsizetype i) {
            QString p = i < parts.size() ? parts[i].trimmed() : QString();
            bool number = !p.isEmpty();
            for (QChar c : p) number = number && c.isDigit() && c.unicode() < 128;
            if (!number)
                return QString();
            while (p.startsWith(u'0')) p.remove(0, 1);
            return p;
        };
        const QString x = part(left, i);
        const QString y = part(right, i);
        if (x.size() != y.size())
            return x.size() < y.size() ? -1 : 1;
        if (const int c = x.compare(y); c != 0)
            return c < 0 ? -1 : 1;
    }
    return 0;
}

std::optional<AppcastItem> newest(const QList<AppcastItem> &items, const QString &shortVersion,
                                  const QString &buildVersion) {
    std::optional<AppcastItem> best;
    for (const AppcastItem &item : items) {
        if (compare(item, shortVersion, buildVersion) <= 0)
            continue;
        if (!best || compare(item, best->shortVersion, best->version) > 0)
            best = item;
    }
    return best;
}

}  // namespace Appcast
