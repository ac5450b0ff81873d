#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include "platform/RunningApps.h"
#include "support/TestEnvironment.h"

// Which of our processes belong to an app, and the polite way to end them.
class RunningAppsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findsAnAppsProcesses_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("appPath");  // relative to the home; "" for none
        QTest::addColumn<QString>("desktopId");
        QTest::addColumn<bool>("found");
        QTest::newRow("executable is the app") << u"exe"_qs << u"Apps/tool"_qs << u""_qs << true;
        QTest::newRow("executable inside the app's folder")
            << u"exe"_qs << u"Apps"_qs << u""_qs << true;
        QTest::newRow("another app's executable")
            << u"exe"_qs << u"Apps/tool2"_qs << u""_qs << false;
        QTest::newRow("started from the AppImage")
            << u"appimage"_qs << u"Apps/Tool.AppImage"_qs << u""_qs << true;
        QTest::newRow("launched from the desktop entry")
            << u"desktop"_qs << u""_qs << u"org.example.Tool"_qs << true;
        QTest::newRow("desktop id with its suffix")
            << u"desktop"_qs << u""_qs << u"org.example.Tool.desktop"_qs << true;
        QTest::newRow("another desktop entry")
            << u"desktop"_qs << u""_qs << u"org.example.Too"_qs << false;
        QTest::newRow("the home folder is never an app") << u"exe"_qs << u"."_qs << u""_qs << false;
    }
    void findsAnAppsProcesses() {
        QFETCH(QString, how);
        QFETCH(QString, appPath);
        QFETCH(QString, desktopId);
        QFETCH(bool, found);
        TestEnvironment env;
        qputenv("HOME", QFile::encodeName(env.home()));
        const QString tool = env.home() + u"/Apps/tool"_qs;
        QDir().mkpath(env.home() + u"/Apps"_qs);
        QVERIFY(QFile::copy(u"/bin/sleep"_qs, tool));
        QFile::setPermissions(tool, QFile::ReadOwner | QFile::ExeOwner);

        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"APPIMAGE"_qs, env.home() + u"/Apps/Tool.AppImage"_qs);
        environment.insert(u"GIO_LAUNCHED_DESKTOP_FILE"_qs,
                           env.home() + u"/.local/share/applications/org.example.Tool.desktop"_qs);
        process.setProcessEnvironment(how == u"exe" ? QProcessEnvironment::systemEnvironment()
                                                    : environment);
        process.start(how == u"exe" ? tool : u"/bin/sleep"_qs, {u"30"_qs});
        QVERIFY(process.waitForStarted());

        const QString app = appPath.isEmpty() ? QString() : env.home() + u'/' + appPath;
        const QList<qint64> pids = RunningApps::find(app, desktopId);
        QCOMPARE(pids.contains(process.processId()), found);
        if (!found) {
            process.kill();
            process.waitForFinished();
            return;
        }
        RunningApps::askToQuit(pids);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    }
};

QTEST_GUILESS_MAIN(RunningAppsTest)
#include "tst_running_apps.moc"
