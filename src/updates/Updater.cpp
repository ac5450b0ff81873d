#include "updates/Updater.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSettings>

#include "platform/InfoDictionary.h"

namespace {

constexpr char kAutomatic[] = "automaticallyChecksForUpdates";
constexpr char kLastCheck[] = "lastUpdateCheck";

QSettings settings() {
    return QSettings(u"Brightloft"_qs, u"Brightloft"_qs);
}

}  // namespace

QString UpdateController::tooLarge() {
    return tr("Couldn't check for updates: the update feed is too large.");
}

UpdateController::UpdateController(const QUrl &feed, const QString &shortVersion,
                                   const QString &buildVersion, QObject *parent)
    : QObject(parent),
      m_feed(feed),
      m_shortVersion(shortVersion),
      m_buildVersion(buildVersion),
      m_network(new QNetworkAccessManager(this)) {
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        fail(tr("Couldn't check for updates: the update server took too long to answer."));
    });
}

bool UpdateController::automaticallyChecksForUpdates() const {
    return settings().value(QLatin1StringView(kAutomatic), false).toBool();
}

void UpdateController::setAutomaticallyChecksForUpdates(bool on) {
    settings().setValue(QLatin1StringView(kAutomatic), on);
}

QDateTime UpdateController::lastCheck() const {
    return settings().value(QLatin1StringView(kLastCheck)).toDateTime();
}

void UpdateController::checkForUpdates() {
    start(false);
}

bool UpdateController::checkIfDue() {
    if (!automaticallyChecksForUpdates() || isChecking())
        return false;
    const QDateTime last = lastCheck();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    // A last check in the future (a clock set back) counts as due.
    if (last.isValid() && last <= now && last.secsTo(now) < checkIntervalSecs)
        return false;
    start(true);
    return true;
}

void UpdateController::start(bool quiet) {
    if (isChecking()) {
        m_quiet = m_quiet && quiet;
        return;
    }
    m_quiet = quiet;
    m_body.clear();
    QNetworkRequest request(m_feed);
    request.setHeader(QNetworkRequest::UserAgentHeader, u"Brightloft/%1"_qs.arg(m_shortVersion));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = m_network->get(request);
    // Small buffers, so the size cap stops the transfer rather than only
    // the reading of what was already taken in.
    reply->setReadBufferSize(64 * 1024);
    m_reply = reply;
    m_deadline.start(m_deadlineTime);
    settings().setValue(QLatin1StringView(kLastCheck), QDateTime::currentDateTimeUtc());
    connect(reply, &QNetworkReply::metaDataChanged, this, [this] {
        if (m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > maxFeedBytes)
            fail(tooLarge());
    });
    connect(reply, &QNetworkReply::readyRead, this, &UpdateController::receive);
    connect(reply, &QNetworkReply::finished, this, &UpdateController::finished);
}

void UpdateController::receive() {
    // Counted after decompression, where a small reply can grow large.
    m_body += m_reply->read(maxFeedBytes + 1 - m_body.size());
    if (m_body.size() > maxFeedBytes)
        fail(tooLarge());
}

void UpdateController::finished() {
    QNetworkReply *reply = m_reply;
    if (reply->error() != QNetworkReply::NoError) {
        fail(tr("Couldn't check for updates: %1").arg(reply->errorString()));
        return;
    }
    receive();
    if (!isChecking())
        return;  // too large
    // Relative links are relative to where the feed ended up after redirects.
    const QUrl feed = reply->url();
    const bool quiet = m_quiet;
    stop();
    const std::optional<QList<AppcastItem>> items = Appcast::parse(m_body, feed);
    m_body.clear();
    if (!items) {
        if (!quiet)
            Q_EMIT checkFailed(tr("The update feed could not be read."));
    } else if (const auto item = Appcast::newest(*items, m_buildVersion)) {
        Q_EMIT updateAvailable(*item);
    } else if (!quiet) {
        Q_EMIT upToDate();
    }
}

void UpdateController::fail(const QString &message) {
    const bool quiet = m_quiet;
    stop();
    m_body.clear();
    if (!quiet)
        Q_EMIT checkFailed(message);
}

// Ends the running check; a listener may start the next one at once.
void UpdateController::stop() {
    m_deadline.stop();
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    if (!reply)
        return;
    reply->disconnect(this);
    if (!reply->isFinished())
        reply->abort();
    reply->deleteLater();
}

namespace Updater {

UpdateController *controller() {
    // One per application (a later application in tests gets its own); the
    // feed is fixed when the app is built.
    static QPointer<UpdateController> instance;
    const QString feed = InfoDictionary::feedUrl();
    if (!instance && !feed.isEmpty() && QCoreApplication::instance())
        instance =
            new UpdateController(QUrl(feed), InfoDictionary::version(),
                                 InfoDictionary::buildNumber(), QCoreApplication::instance());
    return instance;
}

}  // namespace Updater
