#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// One release listed in an update feed (an RSS "appcast").
struct AppcastItem {
    QString version;       // build version, compared numerically
    QString shortVersion;  // the version people read, e.g. "1.4.0"
    QUrl download;         // the enclosure's address

    bool operator==(const AppcastItem &) const = default;
};

namespace Appcast {

// The items of an RSS appcast that name a download; none when the text is not
// an RSS document. Versions come from the item's sparkle:version and
// sparkle:shortVersionString elements, or the enclosure's attributes.
std::optional<QList<AppcastItem>> parse(const QByteArray &xml);

// Dotted numbers compared part by part as numbers ("1.10" is above "1.9",
// "1.2" equals "1.2.0"); a part that is not a number counts as 0. Negative,
// zero or positive like strcmp.
int compareVersions(const QString &a, const QString &b);

// The newest item above the running version: a higher short version, or the
// same (or no) short version and a higher build version.
std::optional<AppcastItem> newest(const QList<AppcastItem> &items, const QString &shortVersion,
                                  const QString &buildVersion);

}  // namespace Appcast
