#include <QDir>
#include <QFile>
#include <QTest>

#include "permissions/FullDiskAccess.h"
#include "platform/Privacy.h"
#include "support/TestEnvironment.h"

using Command = std::optional<QStringList>;
Q_DECLARE_METATYPE(Command)

class FullDiskAccessTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The probes are the home, cache and config folders; any one listable is enough.
    void anyListableProbeGrantsAccess_data() {
        QTest::addColumn<QStringList>("existing");  // of home, cache, config
        QTest::addColumn<bool>("granted");
        QTest::newRow("none") << QStringList() << false;
        QTest::newRow("only the config folder") << QStringList{u"config"_qs} << true;
        QTest::newRow("only the cache folder") << QStringList{u"cache"_qs} << true;
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

    void probeKinds_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("readable file") << int(Privacy::Probe::file) << u"file"_qs << true;
        QTest::newRow("missing file") << int(Privacy::Probe::file) << u"missing"_qs << false;
        QTest::newRow("folder") << int(Privacy::Probe::directory) << u"folder"_qs << true;
        QTest::newRow("missing folder") << int(Privacy::Probe::directory) << u"missing"_qs << false;
        QTest::newRow("file listed as a folder")
            << int(Privacy::Probe::directory) << u"file"_qs << false;
        QTest::newRow("empty path") << int(Privacy::Probe::directory) << QString() << false;
    }
    void probeKinds() {
        QFETCH(int, kind);
        QFETCH(QString, relative);
        QFETCH(bool, succeeds);
        TestEnvironment env;
        QVERIFY(QDir(env.home()).mkdir(u"folder"_qs));
        QVERIFY(TestEnvironment::writeFile(env.home() + u"/file"_qs));
        const QString path = relative.isEmpty() ? QString() : env.home() + u"/"_qs + relative;
        QCOMPARE(Privacy::succeeds({Privacy::Probe::Kind(kind), path}), succeeds);
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
};

QTEST_GUILESS_MAIN(FullDiskAccessTest)
#include "tst_full_disk_access.moc"
