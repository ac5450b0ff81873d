#include <QFile>
#include <QTest>

#include "support/TestPaths.h"
#include "updates/Appcast.h"
#include "updates/VersionCompare.h"

namespace {

// The hand-written feeds under tests/app/appcasts/.
QByteArray appcastFile(const QString &name) {
    QFile file(TestPaths::source(u"tests/app/appcasts/"_qs + name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test feed %s", qPrintable(name));
    return file.readAll();
}

const QUrl kSecureFeed(u"https://brightloft.example.org/updates/appcast.xml"_qs);

}  // namespace

class AppcastTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newest_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("running");
        QTest::addColumn<QString>("offered");  // download; empty: up to date
        QTest::newRow("stable user, beta listed first")
            << u"channels.xml"_qs << u"1"_qs
            << u"https://brightloft.example.org/releases/Brightloft-3.0.2.tar.xz"_qs;
        QTest::newRow("patch items are no update") << u"deltas.xml"_qs << u"205"_qs << QString();
        QTest::newRow("build decides, not the short version")
            << u"mixed.xml"_qs << u"5200"_qs << u"https://brightloft.example.org/5.10.tar.xz"_qs;
        QTest::newRow("the OS-less item when the newest is for another system")
            << u"systems.xml"_qs << u"385"_qs
            << u"https://brightloft.example.org/3.9.0/brightloft_3.9.0_amd64.deb"_qs;
    }
    void newest() {
        QFETCH(QString, file);
        QFETCH(QString, running);
        QFETCH(QString, offered);
        const auto parsed = Appcast::parse(appcastFile(file), kSecureFeed);
        QVERIFY(parsed);
        const auto item = Appcast::newest(*parsed, running);
        QCOMPARE(item ? item->download.toString() : QString(), offered);
    }

    // Documents that must not yield a release, whatever else they do.
    void hostile_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("readable");
        const QByteArray rss =
            "<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">";
        const QByteArray link = "https://brightloft.example.org/x.tar.xz";
        const auto item = [](const QByteArray &version, const QByteArray &url) {
            return "<item><sparkle:version>" + version + "</sparkle:version><enclosure url=\"" +
                   url + "\"/></item>";
        };
        const auto declaring = [&](const QByteArray &entities, const QByteArray &inItem) {
            return "<?xml version=\"1.0\"?><!DOCTYPE rss [" + entities + "]>" + rss + "<channel>" +
                   inItem + "</channel></rss>";
        };
        QByteArray laughs = "<!ENTITY a \"ha\">";
        for (char e = 'b'; e <= 'g'; ++e)  // each entity ten of the one before
            laughs += "<!ENTITY " + QByteArray(1, e) + " \"" +
                      QByteArray("&" + QByteArray(1, char(e - 1)) + ";").repeated(10) + "\">";
        // An entity read from a file the feed names is never expanded.
        const QByteArray file = "<!ENTITY ext SYSTEM \"file:///etc/hostname\">";
        QTest::newRow("billion laughs") << declaring(laughs, item("&g;", link)) << false;
        QTest::newRow("external entity for the link")
            << declaring(file, item("9", "&ext;")) << false;
        QTest::newRow("cut short") << rss + "<channel>" + item("9", link).left(40) << false;
        // A plain http download named by an https feed would undo its https.
        QTest::newRow("plain http link in an https feed")
            << rss + "<channel>" + item("9", "http://mirror.example.net/x.tar.xz") +
                   "</channel></rss>"
            << true;
        QTest::newRow("HTML error page")
            << QByteArray("<html><body><h1>502 Bad Gateway</h1></body></html>") << false;
        QTest::newRow("items outside a channel") << rss + item("9", link) + "</rss>" << true;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void hostile() {
        QFETCH(QByteArray, xml);
        QFETCH(bool, readable);
        const auto parsed = Appcast::parse(xml, kSecureFeed);
        QCOMPARE(bool(parsed), readable);
        if (parsed)
            QCOMPARE(parsed->size(), 0);
    }

    // Version order: -1 when `a` is older than `b`, 0 when they are the same.
    void versionOrder_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        const auto row = [](const char *tag, const char *a, const char *b, int order) {
            QTest::newRow(tag) << QString::fromUtf8(a) << QString::fromUtf8(b) << order;
        };
        // The pre-release ladder, each step against the next.
        row("alpha < beta", "1.0a1", "1.0b2", -1);
        row("release candidate < release", "1.0rc1", "1.0", -1);
        // Numbers are numbers, wherever they stand.
        row("numeric, not text", "1.9", "1.10", -1);
        row("beta 10 after beta 9", "2.0b9", "2.0b10", -1);
        row("longer than 64 bits", "9", "184467440737095516160", -1);
        // Words and separators.
        row("pre-release of a patch", "1.0.0b1", "1.0", -1);
        row("nothing below anything", "", "0.1", -1);
        row("trailing zero parts", "1.2", "1.2.0.0", 0);
        row("dash or not", "1.0-rc1", "1.0rc1", 0);
    }
    void versionOrder() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(compareVersions(a, b), order);
        QCOMPARE(compareVersions(b, a), -order);
    }
};

QTEST_APPLESS_MAIN(AppcastTest)
#include "tst_appcast.moc"
