#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include "app/Appcast.h"

class QNetworkAccessManager;
class QNetworkReply;

// Checks an update feed and tells whoever listens what it found; the user
// downloads a newer release in the browser. Remembers whether to check by
// itself, and when it last did. GUI thread only.
class UpdateController : public QObject {
    Q_OBJECT
public:
    static constexpr int timeoutMs = 15000;
    static constexpr qint64 checkIntervalSecs = 24 * 60 * 60;

    // `shortVersion` and `buildVersion` describe the running app.
    UpdateController(const QUrl &feed, const QString &shortVersion, const QString &buildVersion,
                     QObject *parent = nullptr);

    QUrl feed() const { return m_feed; }
    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool on);
    QDateTime lastCheck() const;
    bool isChecking() const { return !m_reply.isNull(); }

    // A check the user asked for: every outcome is announced. A check
    // already running is left to finish.
    void checkForUpdates();
    // At launch: checks quietly (only a newer release is announced) when
    // automatic checks are on and the last check is a day old. True when a
    // check started.
    bool checkIfDue();

Q_SIGNALS:
    void updateAvailable(const AppcastItem &item);
    void upToDate();
    void checkFailed(const QString &message);

private:
    void start(bool quiet);
    void finished(QNetworkReply *reply, bool quiet);

    QUrl m_feed;
    QString m_shortVersion;
    QString m_buildVersion;
    QNetworkAccessManager *m_network;
    QPointer<QNetworkReply> m_reply;
};

namespace Updater {

// The app's one controller, made on first use; none when this build names
// no update feed.
UpdateController *controller();

}  // namespace Updater
