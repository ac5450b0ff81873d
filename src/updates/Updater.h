#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <chrono>

#include "updates/Appcast.h"

class QNetworkAccessManager;
class QNetworkReply;

// Checks an update feed and tells whoever listens what it found; the user
// downloads a newer release in the browser. Remembers whether to check by
// itself, and when it last did. GUI thread only.
class UpdateController : public QObject {
    Q_OBJECT
public:
    // A check ends by then whatever the server does: a server that trickles
    // bytes would otherwise hold it open for ever.
    static constexpr std::chrono::milliseconds defaultDeadline{30000};
    // Far above any real feed; more than this is not a feed.
    static constexpr qint64 maxFeedBytes = 8 * 1024 * 1024;
    static constexpr qint64 checkIntervalSecs = 24 * 60 * 60;

    // `shortVersion` and `buildVersion` describe the running app.
    UpdateController(const QUrl &feed, const QString &shortVersion, const QString &buildVersion,
                     QObject *parent = nullptr);

    QUrl feed() const { return m_feed; }
    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool on);
    QDateTime lastCheck() const;
    bool isChecking() const { return !m_reply.isNull(); }
    // How long a check may take from start to end (tests shorten it).
    void setDeadline(std::chrono::milliseconds deadline) { m_deadlineTime = deadline; }

    // A check the user asked for: every outcome is announced. When a check
    // is already running, that one goes on and its outcome is announced;
    // the deadline still bounds the wait.
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
    void receive();
    void finished();
    void fail(const QString &message);
    static QString tooLarge();
    void stop();

    QUrl m_feed;
    QString m_shortVersion;
    QString m_buildVersion;
    QNetworkAccessManager *m_network;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    bool m_quiet = false;
    std::chrono::milliseconds m_deadlineTime = defaultDeadline;
    QTimer m_deadline;
};

namespace Updater {

// The app's one controller, made on first use; none when this build names
// no update feed.
UpdateController *controller();

}  // namespace Updater
