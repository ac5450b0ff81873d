#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include "platform/Relaunch.h"
#include "support/TestEnvironment.h"

class RelaunchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
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

QTEST_GUILESS_MAIN(RelaunchTest)
#include "tst_relaunch.moc"
