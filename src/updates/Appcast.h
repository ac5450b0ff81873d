#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// One release listed in an update feed (an RSS "appcast").
struct AppcastItem {
    QString version;       // build version: the one that decides what is newer
    QString shortVersion;  // the version people read, e.g. "1.4.0"; display only
    QUrl download;         // absolute http(s) address of the full release

    bool operator==(const AppcastItem &) const = default;
};

namespace Appcast {

// The releases of an RSS appcast that this app could install; none when the
// text is not an RSS document. An item counts only with its own enclosure
// (not one of its delta patches) for this system, a build version, and no
// channel (pre-release channels are opted into, and the app offers none).
// Items that are themselves delta patches are left out, and so are items
// whose download is not an absolute https address (or http, when `feed` is
// http) after resolving it against `feed`, where the text came from.
std::optional<QList<AppcastItem>> parse(const QByteArray &xml, const QUrl &feed);

// The item with the highest build version above `buildVersion`; the first
// of equals in feed order.
std::optional<AppcastItem> newest(const QList<AppcastItem> &items, const QString &buildVersion);

}  // namespace Appcast
