#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "updates/Appcast.h"
#include "updates/Updater.h"

using namespace std::chrono_literals;

namespace {

QByteArray response(int status, const QByteArray &body, const QByteArray &headers = {}) {
    return "HTTP/1.1 " + QByteArray::number(status) +
           " X\r\nContent-Type: application/rss+xml\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n" + headers + "\r\n" + body;
}

// An HTTP server on the loopback interface only; `answer` gets each request's
// path and its connection, and writes what it likes, when it likes.
class Server : public QTcpServer {
public:
    using Answer = std::function<void(const QByteArray &path, QTcpSocket *client)>;

    explicit Server(Answer answer) : m_answer(std::move(answer)) {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *client = nextPendingConnection()) {
                connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
                connect(client, &QTcpSocket::disconnected, this, [this] { ++closed; });
                connect(client, &QTcpSocket::readyRead, client, [this, client] {
                    m_request += client->readAll();
                    if (!m_request.contains("\r\n\r\n"))
                        return;
                    const QByteArray path = m_request.split(' ').value(1);
                    m_request.clear();
                    m_answer(path, client);
                });
            }
        });
        listen(QHostAddress::LocalHost);
    }
    // Answers every request with one response.
    static Answer fixed(const QByteArray &body, int status = 200) {
        return [=](const QByteArray &, QTcpSocket *client) {
            client->write(response(status, body));
            client->disconnectFromHost();
        };
    }
    QUrl url() const { return QUrl(u"http://127.0.0.1:%1/appcast.xml"_qs.arg(serverPort())); }

    int closed = 0;  // connections the client gave up or finished

private:
    Answer m_answer;
    QByteArray m_request;
};

// Writes `chunk` every `interval` until the client goes away.
void trickle(QTcpSocket *client, const QByteArray &chunk, std::chrono::milliseconds interval) {
    auto *timer = new QTimer(client);
    QObject::connect(timer, &QTimer::timeout, client, [client, chunk] { client->write(chunk); });
    timer->start(interval);
}

// A feed of (build, short version) items, each downloading from `link`
// ("%2" stands for the short version).
QByteArray appcast(const QList<std::pair<QString, QString>> &versions,
                   const QString &link = u"https://example.org/brightloft_%2.deb"_qs) {
    QByteArray items;
    for (const auto &[build, shortVersion] : versions)
        items += (u"<item><sparkle:version>%1</sparkle:version>"
                  "<sparkle:shortVersionString>%2</sparkle:shortVersionString>"
                  "<enclosure url=\""_qs +
                  link + u"\"/></item>"_qs)
                     .arg(build, shortVersion)
                     .toUtf8();
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>" +
           items + "</channel></rss>";
}

// What one check announced.
struct Outcome {
    explicit Outcome(UpdateController *updater)
        : update(updater, &UpdateController::updateAvailable),
          current(updater, &UpdateController::upToDate),
          failed(updater, &UpdateController::checkFailed) {}
    int count() const { return update.count() + current.count() + failed.count(); }
    QString offered() const {
        return update.isEmpty() ? QString()
                                : update.first().first().value<AppcastItem>().download.toString();
    }
    QString failure() const {
        return failed.isEmpty() ? QString() : failed.first().first().toString();
    }

    QSignalSpy update;
    QSignalSpy current;
    QSignalSpy failed;
};

}  // namespace

Q_DECLARE_METATYPE(Server::Answer)

// Update checks against servers that answer, fail, redirect, stall or flood.
class UpdaterTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_settings;

private Q_SLOTS:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    }
    void init() { QSettings(u"Brightloft"_qs, u"Brightloft"_qs).clear(); }

    // One check against a server that answers, fails, redirects, stalls or
    // floods: what it announces ("http…": the download offered; "": up to
    // date; else a part of the failure), and that it let the connection go.
    void check_data() {
        QTest::addColumn<Server::Answer>("answer");  // none: nothing listens
        QTest::addColumn<QString>("said");
        const auto row = [](const char *tag, const char *said, Server::Answer answer) {
            QTest::newRow(tag) << answer << QString::fromUtf8(said);
        };
        const auto fixed = &Server::fixed;
        const auto redirect = [](const QByteArray &location) {
            return [location](const QByteArray &path, QTcpSocket *client) {
                client->write(
                    path.startsWith("/moved/")
                        ? response(200, appcast({{u"9"_qs, u"9"_qs}}, u"files/%2.tar.xz"_qs))
                        : response(301, "", "Location: " + location + "\r\n"));
                client->disconnectFromHost();
            };
        };
        row("newer", "https://example.org/brightloft_0.3.0.deb",
            fixed(appcast({{u"1"_qs, u"0.1.0"_qs}, {u"9"_qs, u"0.3.0"_qs}, {u"5"_qs, u"0.2"_qs}}),
                  200));
        row("same", "", fixed(appcast({{u"1"_qs, u"0.1.0"_qs}}), 200));
        row("malformed", "could not be read", fixed("<rss><channel><item>", 200));
        row("unreachable", "Couldn't check for updates", {});
        // Relative links follow the feed to where it moved.
        row("moved feed", "http://127.0.0.1:%1/moved/files/9.tar.xz",
            redirect("/moved/appcast.xml"));
        row("endless redirects", "Couldn't check for updates", redirect("/appcast.xml"));
        row("redirect to a local file", "Couldn't check for updates",
            redirect("file:///etc/passwd"));
        // Servers that would hold a check open for ever end at the deadline.
        row("silent", "took too long", [](const QByteArray &, QTcpSocket *) {});
        row("one byte a second", "took too long", [](const QByteArray &, QTcpSocket *client) {
            client->write("HTTP/1.1 200 OK\r\nContent-Length: 400\r\n\r\n");
            trickle(client, "<", 1s);
        });
        row("a body that never ends", "took too long", [](const QByteArray &, QTcpSocket *client) {
            client->write("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
            trickle(client, "40\r\n" + QByteArray(64, ' ') + "\r\n", 20ms);
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
        row("small, but 20 MB unpacked", "", [](const QByteArray &, QTcpSocket *client) {
            const QByteArray packed = qCompress(QByteArray(20 * 1024 * 1024, ' '), 9).mid(4);
            client->write(response(200, packed, "Content-Encoding: deflate\r\n"));
        });
    }
    void check() {
        QFETCH(Server::Answer, answer);
        QFETCH(QString, said);
        const bool bomb = QByteArray(QTest::currentDataTag()).contains("unpacked");
        Server server(answer ? answer : Server::fixed({}));
        QVERIFY(server.isListening());
        if (!answer)
            server.close();
        UpdateController updater(server.url(), u"0.1.0"_qs, u"1"_qs);
        updater.setDeadline(said == u"took too long" ? 1s : 20s);  // else the cap must end it
        Outcome announced(&updater);
        updater.checkForUpdates();
        QTRY_COMPARE_WITH_TIMEOUT(announced.count(), 1, 20000);
        said.replace(u"%1"_qs, QString::number(server.serverPort()));
        if (bomb || !(said.isEmpty() || said.startsWith(u"http"_qs))) {
            QCOMPARE(announced.failed.count(), 1);
            QVERIFY2(announced.failure().contains(said), qPrintable(announced.failure()));
        } else {
            QCOMPARE(announced.current.count(), int(said.isEmpty()));
            QCOMPARE(announced.offered(), said);
        }
        QVERIFY(!updater.isChecking());
        if (said == u"took too long" || said == u"too large" || bomb)
            QTRY_COMPARE(server.closed, 1);  // the connection was given up
    }
};

QTEST_GUILESS_MAIN(UpdaterTest)
#include "tst_updater.moc"
