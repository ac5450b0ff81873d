#include <QDBusConnection>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include "platform/AppIcons.h"
#include "platform/Reveal.h"
#include "support/TestEnvironment.h"

namespace {

void writePng(const QString &path, QColor colour) {
    QDir().mkpath(QFileInfo(path).path());
    QImage image(48, 48, QImage::Format_ARGB32);
    image.fill(colour);
    QVERIFY(image.save(path));
}

}  // namespace

// A stand-in for the desktop's file manager on a private bus.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
public Q_SLOTS:
    void ShowItems(const QStringList &uris, const QString &) { shown += uris; }
};

// Where an app's icon comes from, and how a path is shown in the file manager.
class DesktopTest : public QObject {
    Q_OBJECT
    QStringList opened;
    QProcess bus;
    QString address;
    FakeFileManager fileManager;

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url.toLocalFile()); }

private Q_SLOTS:
    void initTestCase() {
        QDesktopServices::setUrlHandler(u"file"_qs, this, "open");
        const QString daemon = QStandardPaths::findExecutable(u"dbus-daemon"_qs);
        if (daemon.isEmpty())
            return;  // the file manager case skips
        bus.start(daemon, {u"--session"_qs, u"--nofork"_qs, u"--print-address=1"_qs});
        QVERIFY(bus.waitForStarted());
        QTRY_VERIFY(bus.canReadLine());
        address = QString::fromUtf8(bus.readLine().trimmed());
        // Before anything opens the session bus: Reveal connects from here.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    }

    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler(u"file"_qs);
        QDBusConnection::disconnectFromBus(u"desktop"_qs);
        bus.kill();
        bus.waitForFinished();
    }

    void iconFromTheDesktopEntry_data() {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QString>("expected");  // "red", "blue" or "" for no picture of ours
        QTest::newRow("icon file by path")
            << QByteArray("[Desktop Entry]\nIcon=@/red.png\n") << u"red"_qs;
        QTest::newRow("icon name in the user's hicolor theme")
            << QByteArray("[Desktop Entry]\nName=Tool\nIcon = tool-blue\n") << u"blue"_qs;
        QTest::newRow("an action's icon does not count")
            << QByteArray("[Desktop Entry]\nName=Tool\n[Desktop Action New]\nIcon=@/red.png\n")
            << u""_qs;
        QTest::newRow("missing icon file")
            << QByteArray("[Desktop Entry]\nIcon=@/none.png\n") << u""_qs;
    }
    void iconFromTheDesktopEntry() {
        QFETCH(QByteArray, entry);
        QFETCH(QString, expected);
        TestEnvironment env;
        const QString data = env.home() + u"/.local/share"_qs;
        writePng(data + u"/red.png"_qs, Qt::red);
        writePng(data + u"/icons/hicolor/48x48/apps/tool-blue.png"_qs, Qt::blue);
        QVERIFY(TestEnvironment::writeFile(data + u"/applications/org.example.Tool.desktop"_qs,
                                           entry.replace('@', QFile::encodeName(data))));
        const QIcon icon = AppIcons::forApp(env.home() + u"/Apps/tool"_qs, u"org.example.Tool"_qs);
        if (expected.isEmpty()) {
            const QImage image = icon.pixmap(48).toImage();
            QVERIFY(image.isNull() || (image.pixelColor(24, 24) != QColor(Qt::red) &&
                                       image.pixelColor(24, 24) != QColor(Qt::blue)));
            return;
        }
        const QColor colour(expected == u"red" ? Qt::red : Qt::blue);
        QCOMPARE(icon.pixmap(48).toImage().pixelColor(24, 24), colour);
        const QIcon bySuffix = AppIcons::forApp(u"/x"_qs, u"org.example.Tool.desktop"_qs);
        QCOMPARE(bySuffix.pixmap(48).toImage().pixelColor(24, 24), colour);
    }

    void revealOpensTheFolderWithoutAFileManager() {
        TestEnvironment env;
        opened.clear();
        // No file manager answers on this bus (or there is no bus at all).
        Reveal::show(env.home() + u"/Documents/report.pdf"_qs);
        QTRY_COMPARE(opened, QStringList{env.home() + u"/Documents"_qs});
    }

    void revealAsksTheFileManager() {
        if (bus.state() != QProcess::Running)
            QSKIP("dbus-daemon is not installed");
        QDBusConnection desktop = QDBusConnection::connectToBus(address, u"desktop"_qs);
        QVERIFY(desktop.registerObject(u"/org/freedesktop/FileManager1"_qs, &fileManager,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(desktop.registerService(u"org.freedesktop.FileManager1"_qs));
        opened.clear();
        Reveal::show(u"/tmp/a b#c.txt"_qs);
        QTRY_COMPARE(fileManager.shown, QStringList{u"file:///tmp/a%20b%23c.txt"_qs});
        QVERIFY(opened.isEmpty());
    }
};

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
