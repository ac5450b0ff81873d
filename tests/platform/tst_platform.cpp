#include <QCoreApplication>
#include <QDir>
#include <QTest>

#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "support/TestEnvironment.h"

class PlatformTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void resourcesFolderOrder() {
        TestEnvironment env;
        QCOMPARE(Paths::resources(), env.resources());
        qputenv("BRIGHTLOFT_RESOURCES", QFile::encodeName(env.resources() + u"/sub/../"_qs));
        QCOMPARE(Paths::resources(), env.resources());  // cleaned

        // Without the override: the installed layout next to the executable,
        // else the build tree's folder.
        qunsetenv("BRIGHTLOFT_RESOURCES");
        const QString installed =
            QDir::cleanPath(QCoreApplication::applicationDirPath() + u"/../share/brightloft"_qs);
        if (QFileInfo(installed).isDir())
            QCOMPARE(Paths::resources(), installed);
        else
            QVERIFY(Paths::resources().endsWith(u"/share/brightloft"_qs));
    }

    void homeHasNoTrailingSlash() {
        TestEnvironment env;
        qputenv("HOME", QFile::encodeName(env.home() + u"//"_qs));
        QCOMPARE(Paths::home(), env.home());
        qputenv("HOME", "/");
        QCOMPARE(Paths::home(), u"/"_qs);
    }

    void flagsPersistPerUser() {
        TestEnvironment env;
        QVERIFY(!UserDefaults::flag(UserDefaults::setupDone));
        UserDefaults::setFlag(UserDefaults::setupDone, true);
        QVERIFY(UserDefaults::flag(UserDefaults::setupDone));
        QVERIFY(!UserDefaults::flag(UserDefaults::automationAsked));
        QVERIFY(QFileInfo::exists(env.home() + u"/.config/Brightloft/Brightloft.conf"_qs));
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "tst_platform.moc"
