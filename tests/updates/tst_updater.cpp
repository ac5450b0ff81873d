#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "support/TestEnvironment.h"
#include "support/TestPaths.h"
#include "updates/Appcast.h"
#include "updates/Updater.h"
#include "updates/VersionCompare.h"

using namespace std::chrono_literals;

namespace {

QByteArray response(int status, const QByteArray &body, const QByteArray &headers = {}) {
    return "HTTP/1.1 " + QByteArray::number(status) +
           " X\r\nContent-Type: application/rss+xml\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n" + headers + "\r\n" + body;
}

// What a server does with a request: it gets the request's path and its
// connection, and writes what it likes, when it likes.
using Answer = std::function<void(const QByteArray &path, QTcpSocket *client)>;

// Answers every request with `body`.
Answer fixed(const QByteArray &body) {
    return [=](const QByteArray &, QTcpSocket *client) {
        client->write(response(200, body));
        client->disconnectFromHost();
    };
}

// The feed in appcasts/`name` beside this suite.
QByteArray appcast(const char *name) {
    return TestEnvironment::readFile(
        TestPaths::source(u"tests/updates/appcasts/"_qs + QString::fromLatin1(name)));
}

}  // namespace

// Update checks against servers that answer, fail, redirect, stall or flood,
// with feeds as publishing tools write them and as attackers do; and the
// version order the checks rest on.
class UpdaterTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_settings;

private Q_SLOTS:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    }
    void init() { QSettings(u"Brightloft"_qs, u"Brightloft"_qs).clear(); }

    // One check by an app of build `running`: what it announces ("http…":
    // the download offered; "": up to date; else a part of the failure), and
    // that it let every connection go.
    void check_data() {
        QTest::addColumn<Answer>("answer");  // none: nothing listens
        QTest::addColumn<QString>("running");
        QTest::addColumn<QString>("said");
        const auto row = [](const char *tag, const char *said, Answer answer,
                            const char *running = "1") {
            QTest::newRow(tag) << answer << QString::fromLatin1(running) << QString::fromUtf8(said);
        };
        const auto file = [](const char *name) { return fixed(appcast(name)); };
        const auto redirect = [](const QByteArray &location) {
            return [location](const QByteArray &path, QTcpSocket *client) {
                client->write(path.startsWith("/moved/")
                                  ? response(200, appcast("relative-link.xml"))
                                  : response(301, "", "Location: " + location + "\r\n"));
                client->disconnectFromHost();
            };
        };
        // Feeds as publishing tools write them.
        row("stable user, beta listed first",
            "https://brightloft.example.org/releases/Brightloft-3.0.2.tar.xz",
            file("channels.xml"));
        row("patch items are no update", "", file("deltas.xml"), "205");
        row("build decides, not the short version", "https://brightloft.example.org/5.10.tar.xz",
            file("mixed.xml"), "5200");
        row("the OS-less item when the newest is for another system",
            "https://brightloft.example.org/3.9.0/brightloft_3.9.0_amd64.deb", file("systems.xml"),
            "385");
        // Documents that must not yield a release, whatever else they do.
        row("billion laughs", "could not be read", file("laughs.xml"));
        row("external entity for the link", "could not be read", file("external-entity.xml"));
        row("cut short", "could not be read", file("cut-short.xml"));
        row("items outside a channel", "", file("outside-channel.xml"));
        row("empty", "could not be read", fixed({}));
        row("unreachable", "Couldn't check for updates", {});
        // Relative links follow the feed to where it moved.
        row("moved feed", "http://127.0.0.1:%1/moved/files/9.tar.xz",
            redirect("/moved/appcast.xml"));
        row("endless redirects", "Couldn't check for updates", redirect("/appcast.xml"));
        row("redirect to a local file", "Couldn't check for updates",
            redirect("file:///etc/passwd"));
        // Servers that would hold a check open for ever end at the deadline.
        row("silent", "took too long", [](const QByteArray &, QTcpSocket *) {});
        row("a body that never ends", "took too long", [](const QByteArray &, QTcpSocket *client) {
            client->write("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
            auto *timer = new QTimer(client);  // a chunk every 20 ms until the client goes
            QObject::connect(timer, &QTimer::timeout, client,
                             [client] { client->write("40\r\n" + QByteArray(64, ' ') + "\r\n"); });
            timer->start(20ms);
        });
        // Feeds past the size cap end early, however they come.
        row("announced length too large", "too large", [](const QByteArray &, QTcpSocket *client) {
            client->write("HTTP/1.1 200 OK\r\nContent-Length: 8388609\r\n\r\n<rss>");
        });
        row("streamed without end", "too large", [](const QByteArray &, QTcpSocket *client) {
            client->write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n<rss>");
            // Stops at 64 MB, so a client without a cap fails rather than
            // running out of memory.
            const auto more = [client, written = std::make_shared<qint64>(0)] {
                while (client->bytesToWrite() < 1024 * 1024 && *written < 64 * 1024 * 1024)
                    *written += client->write(QByteArray(256 * 1024, ' '));
            };
            QObject::connect(client, &QTcpSocket::bytesWritten, client, more);
            more();
        });
        // qCompress() puts a length before the zlib stream; Qt's own guard
        // against packed bombs may be what stops it.
        row("small, but 20 MB unpacked", "failed: ", [](const QByteArray &, QTcpSocket *client) {
            const QByteArray packed = qCompress(QByteArray(20 * 1024 * 1024, ' '), 9).mid(4);
            client->write(response(200, packed, "Content-Encoding: deflate\r\n"));
        });
    }
    void check() {
        QFETCH(Answer, answer);
        QFETCH(QString, running);
        QFETCH(QString, said);
        // An HTTP server on the loopback interface only.
        QTcpServer server;
        int opened = 0, closed = 0;
        QObject::connect(&server, &QTcpServer::newConnection, [&] {
            while (QTcpSocket *client = server.nextPendingConnection()) {
                ++opened;
                QObject::connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
                QObject::connect(client, &QTcpSocket::disconnected, &server, [&] { ++closed; });
                QObject::connect(client, &QTcpSocket::readyRead, client,
                                 [&answer, client, request = QByteArray()]() mutable {
                                     request += client->readAll();
                                     if (request.contains("\r\n\r\n"))
                                         answer(std::exchange(request, {}).split(' ').value(1),
                                                client);
                                 });
            }
        });
        QVERIFY(server.listen(QHostAddress::LocalHost));
        if (!answer)
            server.close();
        const QUrl url(u"http://127.0.0.1:%1/appcast.xml"_qs.arg(server.serverPort()));
        UpdateController updater(url, u"0.1.0"_qs, running);
        updater.setDeadline(said == u"took too long" ? 1s : 20s);  // else the cap must end it
        QStringList announced;
        QObject::connect(&updater, &UpdateController::updateAvailable,
                         [&](const AppcastItem &item) { announced << item.download.toString(); });
        QObject::connect(&updater, &UpdateController::upToDate, [&] { announced << QString(); });
        QObject::connect(&updater, &UpdateController::checkFailed,
                         [&](const QString &message) { announced << u"failed: "_qs + message; });
        updater.checkForUpdates();
        QTRY_COMPARE_WITH_TIMEOUT(announced.size(), 1, 20000);
        said.replace(u"%1"_qs, QString::number(server.serverPort()));
        if (said.isEmpty() || said.startsWith(u"http"_qs))
            QCOMPARE(announced.first(), said);
        else
            QVERIFY2(
                announced.first().startsWith(u"failed: "_qs) && announced.first().contains(said),
                qPrintable(announced.first()));
        QVERIFY(!updater.isChecking());
        QTRY_COMPARE(closed, opened);  // every connection let go
    }

    // A plain http download named by an https feed would undo its https.
    void plainLinkInASecureFeed() {
        const auto parsed =
            Appcast::parse(appcast("plain-link.xml"),
                           QUrl(u"https://brightloft.example.org/updates/appcast.xml"_qs));
        QVERIFY(parsed && parsed->isEmpty());
    }

    // Version order, each row read both ways: the pre-release ladder, numbers
    // as numbers wherever they stand (past 64 bits too), words and
    // separators, and nothing below anything.
    void versionOrder_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");  // -1 when `a` is older than `b`, 0 when the same
        for (const char *row : {"1.0a1 < 1.0b2", "1.0rc1 < 1.0", "1.9 < 1.10", "2.0b9 < 2.0b10",
                                "9 < 184467440737095516160", "1.0.0b1 < 1.0", " < 0.1",
                                "1.2 = 1.2.0.0", "1.0-rc1 = 1.0rc1"}) {
            const QStringList parts = QString::fromLatin1(row).split(u' ');
            QTest::newRow(row) << parts[0] << parts[2] << (parts[1] == u"<" ? -1 : 0);
        }
    }
    void versionOrder() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(compareVersions(a, b), order);
        QCOMPARE(compareVersions(b, a), -order);
    }
};

QTEST_GUILESS_MAIN(UpdaterTest)
#include "tst_updater.moc"
