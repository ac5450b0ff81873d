#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <QUrl>

#include "platform/AppIcons.h"
#include "platform/Paths.h"
#include "platform/Reveal.h"
#include "platform/RunningApps.h"
#include "platform/UserDefaults.h"
#include "support/TestEnvironment.h"

// Where the app's files live, an app's icon and processes, and how a path is
// shown in the file manager.
class PlatformTest : public QObject {
    Q_OBJECT
    QStringList opened;

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url.toLocalFile()); }

private Q_SLOTS:
    void initTestCase() {
        QDesktopServices::setUrlHandler(u"file"_qs, this, "open");
        // No session bus: no file manager of the machine's is ever asked.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(u"file"_qs); }

    // The resources folder as given (cleaned), the home without a trailing
    // slash, and the flags in the home's configuration folder.
    void pathsAndFlagsFollowTheEnvironment() {
        TestEnvironment env;
        QCOMPARE(Paths::resources(), env.resources());
        qputenv("BRIGHTLOFT_RESOURCES", QFile::encodeName(env.resources() + u"/sub/../"_qs));
        QCOMPARE(Paths::resources(), env.resources());
        UserDefaults::setFlag(UserDefaults::setupDone, true);
        QVERIFY(UserDefaults::flag(UserDefaults::setupDone));
        QVERIFY(QFileInfo::exists(env.home() + u"/.config/Brightloft/Brightloft.conf"_qs));
        qputenv("HOME", QFile::encodeName(env.home() + u"//"_qs));
        QCOMPARE(Paths::home(), env.home());
        qputenv("HOME", "/");
        QCOMPARE(Paths::home(), u"/"_qs);
    }

    // The [Desktop Entry] group's Icon, a file or a name in the user's
    // hicolor folder, for the id with or without its suffix; an action's
    // icon is not the app's.
    void iconFromTheDesktopEntry() {
        TestEnvironment env;
        const QString data = env.home() + u"/.local/share"_qs, red = data + u"/red.png"_qs;
        QImage image(48, 48, QImage::Format_ARGB32);
        for (const auto &[file, colour] :
             {std::pair(red, Qt::red),
              std::pair(data + u"/icons/hicolor/48x48/apps/tool-blue.png"_qs, Qt::blue)}) {
            image.fill(colour);
            QVERIFY(QDir().mkpath(QFileInfo(file).path()) && image.save(file));
        }
        for (const auto &[id, entry] :
             {std::pair("a", u"Icon="_qs + red), std::pair("b", u"Name=B\nIcon = tool-blue"_qs),
              std::pair("c", u"[Desktop Action New]\nIcon="_qs + red)})
            QVERIFY(TestEnvironment::writeFile(
                data + u"/applications/"_qs + QLatin1String(id) + u".desktop"_qs,
                (u"[Desktop Entry]\n"_qs + entry).toUtf8()));
        const auto centre = [](const QString &id) {
            const QImage shown = AppIcons::forApp(u"/x"_qs, id).pixmap(48).toImage();
            return shown.isNull() ? QColor() : shown.pixelColor(24, 24);
        };
        QCOMPARE(centre(u"a"_qs), QColor(Qt::red));
        QCOMPARE(centre(u"b.desktop"_qs), QColor(Qt::blue));
        QVERIFY(centre(u"c"_qs) != QColor(Qt::red));
    }

    // Without a file manager on the bus, the item's folder is opened.
    void revealOpensTheFolder() {
        TestEnvironment env;
        Reveal::show(env.home() + u"/Documents/report.pdf"_qs);
        QTRY_COMPARE(opened, QStringList{env.home() + u"/Documents"_qs});
    }

    // The process runs the copy at ~/Apps/tool, with the variables an
    // AppImage and a desktop launch set; only the app it belongs to finds it,
    // and is asked politely to quit.
    void findsAnAppsProcesses_data() {
        QTest::addColumn<QString>("appPath");  // relative to the home; "" for none
        QTest::addColumn<QString>("desktopId");
        QTest::addColumn<bool>("found");
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
