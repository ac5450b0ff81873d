#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include "permissions/FullDiskAccess.h"
#include "platform/Privacy.h"
#include "platform/Relaunch.h"
#include "support/TestEnvironment.h"

using Command = std::optional<QStringList>;
Q_DECLARE_METATYPE(Command)

// The platform checks behind the access screen, and its relaunch.
class AccessChecksTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The probes are the home, cache and config folders; any one listable is enough.
    void anyListableProbeGrantsAccess_data() {
        QTest::addColumn<QStringList>("existing");  // of home, cache, config
        QTest::addColumn<bool>("granted");
        QTest::newRow("none") << QStringList() << false;
        QTest::newRow("only the config folder") << QStringList{u"config"_qs} << true;
        QTest::newRow("only home") << QStringList{u"home"_qs} << true;
    }
    void anyListableProbeGrantsAccess() {
        QFETCH(QStringList, existing);
        QFETCH(bool, granted);
        TestEnvironment env;
        const QString root = env.home() + u"/elsewhere"_qs;
        // Absolute paths that do not exist yet: a listing fails like in a sandbox.
        qputenv("HOME", QFile::encodeName(root + u"/home"_qs));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(root + u"/cache"_qs));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + u"/config"_qs));
        for (const QString &name : existing) QVERIFY(QDir().mkpath(root + u"/"_qs + name));
        QCOMPARE(FullDiskAccess::isGranted(), granted);
        // Not cached: creating a folder is seen by the next call.
        QVERIFY(QDir().mkpath(root + u"/cache"_qs));
        QVERIFY(FullDiskAccess::isGranted());
    }

    void settingsPagesOnLinuxDesktops_data() {
        QTest::addColumn<QString>("anchor");
        QTest::addColumn<QString>("desktops");
        QTest::addColumn<Command>("command");
        const Command gnome = QStringList{u"gnome-control-center"_qs, u"applications"_qs};
        const Command kde = QStringList{u"systemsettings"_qs, u"kcm_flatpak"_qs};
        QTest::newRow("GNOME") << u"Privacy_AllFiles"_qs << u"GNOME"_qs << gnome;
        QTest::newRow("Ubuntu's GNOME") << u"Privacy_AllFiles"_qs << u"ubuntu:GNOME"_qs << gnome;
        QTest::newRow("lower case") << u"Privacy_AllFiles"_qs << u"kde"_qs << kde;
        QTest::newRow("automation has no gate")
            << u"Privacy_Automation"_qs << u"GNOME"_qs << Command();
        QTest::newRow("unknown desktop") << u"Privacy_AllFiles"_qs << u"XFCE"_qs << Command();
    }
    void settingsPagesOnLinuxDesktops() {
        QFETCH(QString, anchor);
        QFETCH(QString, desktops);
        QFETCH(Command, command);
        QCOMPARE(Privacy::linuxSettingsCommand(anchor, desktops), command);
    }

    void startsExactlyTheGivenPath_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("spaces") << u"My Apps/Bright loft"_qs;
        QTest::newRow("quotes") << u"it's \"hi\"/app"_qs;
        QTest::newRow("expansions") << u"$HOME ${PATH} `touch pwned`/$(touch pwned)"_qs;
        QTest::newRow("backslashes") << u"back\\slash\\\"/app"_qs;
        QTest::newRow("separators") << u"a; touch pwned && b | c/app"_qs;
        QTest::newRow("newline") << u"line\nbreak/app"_qs;
    }
    void startsExactlyTheGivenPath() {
        QFETCH(QString, name);
        TestEnvironment env;
        const QString path = env.home() + u"/"_qs + name;
        // The stand-in app records how it was started, in a fixed place.
        env.writeScript(path, u"printf '%s' \"$0\" > \""_qs + env.home() + u"/started\"\n"_qs);

        const Relaunch::Command command = Relaunch::command(path);
        QProcess shell;
        shell.setWorkingDirectory(env.home());
        shell.start(command.program, command.arguments);
        QVERIFY(shell.waitForFinished(10000));
        QCOMPARE(shell.exitCode(), 0);

        QCOMPARE(QString::fromUtf8(TestEnvironment::readFile(env.home() + u"/started"_qs)), path);
        QVERIFY(!QFile::exists(env.home() + u"/pwned"_qs));
    }

    void relaunchesTheAppImageRatherThanItsMount() {
        qputenv("APPIMAGE", "/home/u/Apps/Brightloft.AppImage");
        QCOMPARE(Relaunch::target(), u"/home/u/Apps/Brightloft.AppImage"_qs);
        qunsetenv("APPIMAGE");
        QCOMPARE(Relaunch::target(), QCoreApplication::applicationFilePath());
    }
};

QTEST_GUILESS_MAIN(AccessChecksTest)
#include "tst_access_checks.moc"
