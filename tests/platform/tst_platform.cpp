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
#include "platform/Paths.h"
#include "platform/Reveal.h"
#include "platform/RunningApps.h"
#include "platform/UserDefaults.h"
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

// Where the app's files live, an app's icon and processes, and how a path is
// shown in the file manager.
class PlatformTest : public QObject {
    Q_OBJECT
    QStringList opened;
    QProcess bus;  // a private session bus
    FakeFileManager fileManager;

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url.toLocalFile()); }

private Q_SLOTS:
    void initTestCase() {
        QDesktopServices::setUrlHandler(u"file"_qs, this, "open");
        const QString daemon = QStandardPaths::findExecutable(u"dbus-daemon"_qs);
        if (daemon.isEmpty())
            return;  // the file manager half of the reveal case skips
        bus.start(daemon, {u"--session"_qs, u"--nofork"_qs, u"--print-address=1"_qs});
        QVERIFY(bus.waitForStarted());
        QTRY_VERIFY(bus.canReadLine());
        // Before anything opens the session bus: Reveal connects from here.
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed());
    }

    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler(u"file"_qs);
        bus.kill();
        bus.waitForFinished();
    }

    // The resources folder as given (cleaned), the home without a trailing
    // slash, and the flags in the home's configuration folder.
    void pathsAndFlagsFollowTheEnvironment() {
        TestEnvironment env;
        QCOMPARE(Paths::resources(), env.resources());
        qputenv("BRIGHTLOFT_RESOURCES", QFile::encodeName(env.resources() + u"/sub/../"_qs));
        QCOMPARE(Paths::resources(), env.resources());
        QVERIFY(!UserDefaults::flag(UserDefaults::setupDone));
        UserDefaults::setFlag(UserDefaults::setupDone, true);
        QVERIFY(UserDefaults::flag(UserDefaults::setupDone));
        QVERIFY(!UserDefaults::flag(UserDefaults::automationAsked));
        QVERIFY(QFileInfo::exists(env.home() + u"/.config/Brightloft/Brightloft.conf"_qs));
        qputenv("HOME", QFile::encodeName(env.home() + u"//"_qs));
        QCOMPARE(Paths::home(), env.home());
        qputenv("HOME", "/");
        QCOMPARE(Paths::home(), u"/"_qs);
    }

    void iconFromTheDesktopEntry_data() {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QColor>("expected");  // invalid: no picture of ours
        QTest::newRow("icon file by path")
            << QByteArray("[Desktop Entry]\nIcon=@/red.png\n") << QColor(Qt::red);
        QTest::newRow("icon name in the user's hicolor theme")
            << QByteArray("[Desktop Entry]\nName=Tool\nIcon = tool-blue\n") << QColor(Qt::blue);
        QTest::newRow("an action's icon does not count")
            << QByteArray("[Desktop Entry]\nName=Tool\n[Desktop Action New]\nIcon=@/red.png\n")
            << QColor();
        QTest::newRow("missing icon file")
            << QByteArray("[Desktop Entry]\nIcon=@/none.png\n") << QColor();
    }
    void iconFromTheDesktopEntry() {
        QFETCH(QByteArray, entry);
        QFETCH(QColor, expected);
        TestEnvironment env;
        const QString data = env.home() + u"/.local/share"_qs;
        writePng(data + u"/red.png"_qs, Qt::red);
        writePng(data + u"/icons/hicolor/48x48/apps/tool-blue.png"_qs, Qt::blue);
        QVERIFY(TestEnvironment::writeFile(data + u"/applications/org.example.Tool.desktop"_qs,
                                           entry.replace('@', QFile::encodeName(data))));
        for (const QString &id : {u"org.example.Tool"_qs, u"org.example.Tool.desktop"_qs}) {
            const QImage image = AppIcons::forApp(u"/x"_qs, id).pixmap(48).toImage();
            const QColor centre = image.isNull() ? QColor() : image.pixelColor(24, 24);
            if (expected.isValid())
                QCOMPARE(centre, expected);
            else
                QVERIFY(centre != QColor(Qt::red) && centre != QColor(Qt::blue));
        }
    }

    // The file manager shows the item when one answers on the bus; else the
    // item's folder is opened.
    void revealShowsThePath() {
        TestEnvironment env;
        opened.clear();
        Reveal::show(env.home() + u"/Documents/report.pdf"_qs);
        QTRY_COMPARE(opened, QStringList{env.home() + u"/Documents"_qs});
        if (bus.state() != QProcess::Running)
            QSKIP("dbus-daemon is not installed");
        QDBusConnection desktop = QDBusConnection::sessionBus();
        QVERIFY(desktop.registerObject(u"/org/freedesktop/FileManager1"_qs, &fileManager,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(desktop.registerService(u"org.freedesktop.FileManager1"_qs));
        opened.clear();
        Reveal::show(u"/tmp/a b#c.txt"_qs);
        QTRY_COMPARE(fileManager.shown, QStringList{u"file:///tmp/a%20b%23c.txt"_qs});
        QVERIFY(opened.isEmpty());
    }

    // The process runs the copy at ~/Apps/tool, with the variables an
    // AppImage and a desktop launch set; only the app it belongs to finds it,
    // and is asked politely to quit.
    void findsAnAppsProcesses_data() {
        QTest::addColumn<QString>("appPath");  // relative to the home; "" for none
        QTest::addColumn<QString>("desktopId");
        QTest::addColumn<bool>("found");
        QTest::newRow("executable is the app") << u"Apps/tool"_qs << u""_qs << true;
        QTest::newRow("executable inside the app's folder") << u"Apps"_qs << u""_qs << true;
        QTest::newRow("another app's executable") << u"Apps/tool2"_qs << u""_qs << false;
        QTest::newRow("started from the AppImage") << u"Apps/Tool.AppImage"_qs << u""_qs << true;
        QTest::newRow("launched from the desktop entry")
            << u""_qs << u"org.example.Tool"_qs << true;
        QTest::newRow("desktop id with its suffix")
            << u""_qs << u"org.example.Tool.desktop"_qs << true;
        QTest::newRow("another desktop entry") << u""_qs << u"org.example.Too"_qs << false;
        QTest::newRow("the home folder is never an app") << u"."_qs << u""_qs << false;
    }
    void findsAnAppsProcesses() {
        QFETCH(QString, appPath);
        QFETCH(QString, desktopId);
        QFETCH(bool, found);
        TestEnvironment env;
        const QString tool = env.home() + u"/Apps/tool"_qs;
        QDir().mkpath(env.home() + u"/Apps"_qs);
        QVERIFY(QFile::copy(u"/bin/sleep"_qs, tool));
        QFile::setPermissions(tool, QFile::ReadOwner | QFile::ExeOwner);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"APPIMAGE"_qs, env.home() + u"/Apps/Tool.AppImage"_qs);
        environment.insert(u"GIO_LAUNCHED_DESKTOP_FILE"_qs,
                           env.home() + u"/.local/share/applications/org.example.Tool.desktop"_qs);
        process.setProcessEnvironment(environment);
        process.start(tool, {u"30"_qs});
        QVERIFY(process.waitForStarted());
        const QList<qint64> pids = RunningApps::find(
            appPath.isEmpty() ? QString() : env.home() + u'/' + appPath, desktopId);
        QCOMPARE(pids.contains(process.processId()), found);
        found ? RunningApps::askToQuit(pids) : process.terminate();
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    }
};

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"
