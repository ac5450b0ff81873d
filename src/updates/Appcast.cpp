#include "updates/Appcast.h"

#include <QXmlStreamReader>

#include "updates/VersionCompare.h"

namespace Appcast {

namespace {

const QString kSparkle = u"http://www.andymatuschak.org/xml-namespaces/sparkle"_qs;
constexpr QStringView kThisSystem = u"linux";

// Feeds are written by hand as often as by tools: names count as the
// framework's by their namespace or, where that was mistyped, by the usual
// prefix.
bool isSparkle(QStringView namespaceUri, QStringView prefix) {
    return namespaceUri == kSparkle || prefix == u"sparkle";
}

QString sparkleAttribute(const QXmlStreamAttributes &attributes, QStringView name) {
    for (const QXmlStreamAttribute &a : attributes) {
        if (a.name() == name && isSparkle(a.namespaceUri(), a.prefix()))
            return a.value().trimmed().toString();
    }
    return {};
}

// What one item says, gathered before deciding whether it is offered.
struct Draft {
    bool hasEnclosure = false;
    QString url;
    QString version;       // from the enclosure
    QString shortVersion;  // from the enclosure
    QString versionElement;
    QString shortVersionElement;
    QString channel;
    QString deltaFromElement;
    bool delta = false;  // from the item's or the enclosure's attributes
};

// The address to open for `link`: resolved against the feed, and only when
// it is served over https, or over http to a feed that is itself http.
QUrl downloadAddress(const QString &link, const QUrl &feed) {
    if (link.isEmpty())
        return {};  // not the feed itself
    const QUrl url = feed.resolved(QUrl(link));
    const bool https = url.scheme() == u"https";
    const bool http = url.scheme() == u"http" && feed.scheme() == u"http";
    if (!url.isValid() || !(https || http) || url.host().isEmpty())
        return {};
    return url;
}

std::optional<AppcastItem> release(const Draft &draft, const QUrl &feed) {
    AppcastItem item;
    item.version = draft.version.isEmpty() ? draft.versionElement : draft.version;
    item.shortVersion =
        draft.shortVersion.isEmpty() ? draft.shortVersionElement : draft.shortVersion;
    item.download = downloadAddress(draft.url, feed);
    if (!draft.hasEnclosure || draft.delta || !draft.deltaFromElement.isEmpty() ||
        !draft.channel.isEmpty() || item.version.isEmpty() || item.download.isEmpty())
        return std::nullopt;
    return item;
}

void readEnclosure(const QXmlStreamAttributes &attributes, Draft &draft) {
    // An item may carry one enclosure per system; the first for this one
    // (or for any system) is the download.
    const QString system = sparkleAttribute(attributes, u"os");
    if (draft.hasEnclosure ||
        !(system.isEmpty() || system.compare(kThisSystem, Qt::CaseInsensitive) == 0))
        return;
    draft.hasEnclosure = true;
    draft.url = attributes.value(QLatin1StringView("url")).trimmed().toString();
    draft.version = sparkleAttribute(attributes, u"version");
    draft.shortVersion = sparkleAttribute(attributes, u"shortVersionString");
    draft.delta = draft.delta || !sparkleAttribute(attributes, u"deltaFrom").isEmpty();
}

// Reads one child element of an item; the reader is left on its end.
void readItemChild(QXmlStreamReader &reader, Draft &draft) {
    if (reader.name() == u"enclosure" && reader.prefix().isEmpty()) {
        readEnclosure(reader.attributes(), draft);
        reader.skipCurrentElement();
        return;
    }
    QString *field = nullptr;
    if (isSparkle(reader.namespaceUri(), reader.prefix())) {
        const QStringView name = reader.name();
        field = name == u"version"              ? &draft.versionElement
                : name == u"shortVersionString" ? &draft.shortVersionElement
                : name == u"channel"            ? &draft.channel
                : name == u"deltaFrom"          ? &draft.deltaFromElement
                                                : nullptr;
    }
    if (field)
        *field = reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    else
        reader.skipCurrentElement();
}

Draft readItem(QXmlStreamReader &reader) {
    Draft draft;
    draft.delta = !sparkleAttribute(reader.attributes(), u"deltaFrom").isEmpty();
    // Only the item's own children count: the enclosures inside
    // <sparkle:deltas> are patches, skipped with their parent.
    while (reader.readNextStartElement()) readItemChild(reader, draft);
    return draft;
}

}  // namespace

std::optional<QList<AppcastItem>> parse(const QByteArray &xml, const QUrl &feed) {
    QXmlStreamReader reader(xml);
    QList<AppcastItem> items;
    if (!reader.readNextStartElement() || reader.name() != u"rss")
        return std::nullopt;
    while (reader.readNextStartElement()) {
        if (reader.name() != u"channel") {
            reader.skipCurrentElement();
            continue;
        }
        while (reader.readNextStartElement()) {
            if (reader.name() != u"item") {
                reader.skipCurrentElement();
                continue;
            }
            if (const auto item = release(readItem(reader), feed))
                items << *item;
        }
    }
    // Whatever follows the root must still be well-formed.
    while (!reader.atEnd()) reader.readNext();
    if (reader.hasError())
        return std::nullopt;
    return items;
}

std::optional<AppcastItem> newest(const QList<AppcastItem> &items, const QString &buildVersion) {
    std::optional<AppcastItem> best;
    for (const AppcastItem &item : items) {
        if (compareVersions(item.version, buildVersion) > 0 &&
            (!best || compareVersions(item.version, best->version) > 0))
            best = item;
    }
    return best;
}

}  // namespace Appcast
