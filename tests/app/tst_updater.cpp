#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include "app/Appcast.h"
#include "app/Updater.h"

namespace {

// Answers every request on a local port with one fixed HTTP response.
class FeedServer : public QTcpServer {
public:
    explicit FeedServer(QByteArray body, int status = 200) {
        connect(this, &QTcpServer::newConnection, this, [this, body, status] {
            while (QTcpSocket *client = nextPendingConnection()) {
                connect(client, &QTcpSocket::readyRead, client, [client, body, status] {
                    client->readAll();
                    client->write("HTTP/1.1 " + QByteArray::number(status) +
                                  " X\r\nContent-Type: application/rss+xml\r\nContent-Length: " +
                                  QByteArray::number(body.size()) +
                                  "\r\nConnection: close\r\n\r\n" + body);
                    client->disconnectFromHost();
                });
                connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
                ++requests;
            }
        });
        listen(QHostAddress::LocalHost);
    }
    QUrl url() const { return QUrl(u"http://127.0.0.1:%1/appcast.xml"_qs.arg(serverPort())); }
    int requests = 0;
};

QByteArray appcast(const QList<std::pair<QString, QString>> &versions) {
    QByteArray items;
    for (const auto &[build, shortVersion] : versions)
        items +=
            u"<item><title>Brightloft %2</title><sparkle:version>%1</sparkle:version>"
            "<sparkle:shortVersionString>%2</sparkle:shortVersionString>"
            "<enclosure url=\"https://example.org/brightloft_%2.deb\" length=\"1\" "
            "type=\"application/octet-stream\"/></item>"_qs.arg(build, shortVersion)
                .toUtf8();
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
           "<title>Brightloft</title>" +
           items + "</channel></rss>";
}

}  // namespace

class UpdaterTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_settings;

private Q_SLOTS:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    }
    void init() { QSettings(u"Brightloft"_qs, u"Brightloft"_qs).clear(); }

    void compareVersions_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("numeric, not text") << u"1.10"_qs << u"1.9"_qs << 1;
        QTest::newRow("missing parts are 0") << u"1.2"_qs << u"1.2.0"_qs << 0;
        QTest::newRow("longer than 64 bits") << u"184467440737095516160"_qs << u"9"_qs << 1;
        QTest::newRow("junk counts as 0") << u"1.beta"_qs << u"1.0"_qs << 0;
    }
    void compareVersions() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(Appcast::compareVersions(a, b), order);
        QCOMPARE(Appcast::compareVersions(b, a), -order);
    }

    void parse_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<int>("items");  // -1: malformed
        QTest::newRow("two items")
            << appcast({{u"2"_qs, u"0.2.0"_qs}, {u"3"_qs, u"0.3.0"_qs}}) << 2;
        QTest::newRow("versions on the enclosure")
            << QByteArray(
                   "<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
                   "<channel><item><enclosure url=\"https://x/y.deb\" sparkle:version=\"5\" "
                   "sparkle:shortVersionString=\"1.0\"/></item></channel></rss>")
            << 1;
        QTest::newRow("item without download is skipped")
            << QByteArray("<rss><channel><item><title>x</title></item></channel></rss>") << 0;
        QTest::newRow("not XML") << QByteArray("<html><body>oops") << -1;
        QTest::newRow("XML but not RSS") << QByteArray("<feed><entry/></feed>") << -1;
        QTest::newRow("empty") << QByteArray() << -1;
    }
    void parse() {
        QFETCH(QByteArray, xml);
        QFETCH(int, items);
        const auto parsed = Appcast::parse(xml);
        QCOMPARE(parsed ? int(parsed->size()) : -1, items);
    }

    void check_data() {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("offered");
        QTest::newRow("newer") << appcast({{u"1"_qs, u"0.1.0"_qs},
                                           {u"9"_qs, u"0.3.0"_qs},
                                           {u"5"_qs, u"0.2.0"_qs}})
                               << 200 << u"update"_qs << u"0.3.0"_qs;
        QTest::newRow("same") << appcast({{u"1"_qs, u"0.1.0"_qs}}) << 200 << u"current"_qs
                              << QString();
        QTest::newRow("older") << appcast({{u"0"_qs, u"0.0.9"_qs}}) << 200 << u"current"_qs
                               << QString();
        QTest::newRow("same version, newer build")
            << appcast({{u"2"_qs, u"0.1.0"_qs}}) << 200 << u"update"_qs << u"0.1.0"_qs;
        QTest::newRow("malformed")
            << QByteArray("<rss><channel><item>") << 200 << u"failed"_qs << QString();
        QTest::newRow("server error") << QByteArray("gone") << 404 << u"failed"_qs << QString();
    }
    void check() {
        QFETCH(QByteArray, feed);
        QFETCH(int, status);
        QFETCH(QString, outcome);
        QFETCH(QString, offered);
        FeedServer server(feed, status);
        QVERIFY(server.isListening());
        UpdateController updater(server.url(), u"0.1.0"_qs, u"1"_qs);
        QSignalSpy update(&updater, &UpdateController::updateAvailable);
        QSignalSpy current(&updater, &UpdateController::upToDate);
        QSignalSpy failed(&updater, &UpdateController::checkFailed);
        updater.checkForUpdates();
        QTRY_COMPARE(update.count() + current.count() + failed.count(), 1);
        QCOMPARE(update.count(), int(outcome == u"update"));
        QCOMPARE(current.count(), int(outcome == u"current"));
        QCOMPARE(failed.count(), int(outcome == u"failed"));
        if (!offered.isEmpty()) {
            const auto item = update.first().first().value<AppcastItem>();
            QCOMPARE(item.shortVersion, offered);
            QCOMPARE(item.download.toString(),
                     u"https://example.org/brightloft_%1.deb"_qs.arg(offered));
        }
    }

    void unreachableFeedFails() {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();  // nothing listens there now
        UpdateController updater(QUrl(u"http://127.0.0.1:%1/appcast.xml"_qs.arg(port)), u"0.1.0"_qs,
                                 u"1"_qs);
        QSignalSpy failed(&updater, &UpdateController::checkFailed);
        updater.checkForUpdates();
        QVERIFY(failed.wait(5000));
        QVERIFY(failed.first().first().toString().startsWith(u"Couldn't check for updates"_qs));
    }

    void automaticChecksAtMostOnceADay() {
        FeedServer server(appcast({{u"1"_qs, u"0.1.0"_qs}}));
        UpdateController updater(server.url(), u"0.1.0"_qs, u"1"_qs);
        QSignalSpy current(&updater, &UpdateController::upToDate);
        QVERIFY(!updater.automaticallyChecksForUpdates());  // off until the user turns it on
        QVERIFY(!updater.checkIfDue());

        updater.setAutomaticallyChecksForUpdates(true);
        UpdateController again(server.url(), u"0.1.0"_qs, u"1"_qs);
        QVERIFY(again.automaticallyChecksForUpdates());  // remembered
        QVERIFY(updater.checkIfDue());
        QTRY_COMPARE(server.requests, 1);
        QTRY_VERIFY(!updater.isChecking());
        QCOMPARE(current.count(), 0);    // a quiet check announces only updates
        QVERIFY(!updater.checkIfDue());  // checked less than a day ago

        QSettings(u"Brightloft"_qs, u"Brightloft"_qs)
            .setValue(u"lastUpdateCheck"_qs, QDateTime::currentDateTimeUtc().addDays(-2));
        QVERIFY(updater.checkIfDue());
        QTRY_COMPARE(server.requests, 2);
    }
};

QTEST_GUILESS_MAIN(UpdaterTest)
#include "tst_updater.moc"
