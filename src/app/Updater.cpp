#include "app/Updater.h"

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

UpdateController::UpdateController(const QUrl &feed, const QString &shortVersion,
                                   const QString &buildVersion, QObject *parent)
    : QObject(parent),
      m_feed(feed),
      m_shortVersion(shortVersion),
      m_buildVersion(buildVersion),
      m_network(new QNetworkAccessManager(this)) {}

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
    if (isChecking())
        return;
    QNetworkRequest request(m_feed);
    request.setTransferTimeout(timeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader, u"Brightloft/%1"_qs.arg(m_shortVersion));
    QNetworkReply *reply = m_network->get(request);
    m_reply = reply;
    settings().setValue(QLatin1StringView(kLastCheck), QDateTime::currentDateTimeUtc());
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, quiet] { finished(reply, quiet); });
}

void UpdateController::finished(QNetworkReply *reply, bool quiet) {
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        if (!quiet)
            Q_EMIT checkFailed(tr("Couldn't check for updates: %1").arg(reply->errorString()));
        return;
    }
    const std::optional<QList<AppcastItem>> items = Appcast::parse(reply->readAll());
    if (!items) {
        if (!quiet)
            Q_EMIT checkFailed(tr("The update feed could not be read."));
        return;
    }
    if (const auto item = Appcast::newest(*items, m_shortVersion, m_buildVersion))
        Q_EMIT updateAvailable(*item);
    else if (!quiet)
        Q_EMIT upToDate();
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
