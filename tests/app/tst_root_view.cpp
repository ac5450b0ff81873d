#include <QTest>

#include <limits>

#include "app/FreeSpacePill.h"
#include "app/RootView.h"
#include "app/TopBar.h"
#include "overview/StatusModel.h"
#include "permissions/ui/AccessView.h"
#include "platform/UserDefaults.h"
#include "support/AppFixture.h"
#include "theme/controls/Empty.h"

using Content = RootView::Content;
Q_DECLARE_METATYPE(RootView::Content)

// Start-up decisions and the flags they read, the window, and its top bar.
class RootViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // What the window opens on, from the engine, the setup flag as stored
    // (by hand or by something else: only a clear true counts) and file access.
    void contentDecision_data() {
        QTest::addColumn<bool>("engine");
        QTest::addColumn<QByteArray>("setupDone");  // empty: never stored
        QTest::addColumn<bool>("access");
        QTest::addColumn<Content>("content");
        QTest::addColumn<bool>("tabs");
        QTest::newRow("access revoked after setup")
            << true << QByteArray("true") << false << Content::setup << false;
        QTest::newRow("ready") << true << QByteArray("true") << true << Content::panes << true;
        QTest::newRow("ready, stored as 1")
            << true << QByteArray("1") << true << Content::panes << true;
        QTest::newRow("stored as a word")
            << true << QByteArray("banana") << true << Content::setup << false;
        QTest::newRow("stored as a list")
            << true << QByteArray("a, b") << true << Content::setup << false;
        // Without an engine the top bar still follows readiness alone.
        QTest::newRow("damaged, ready")
            << false << QByteArray("true") << true << Content::damaged << true;
        QTest::newRow("damaged, first run")
            << false << QByteArray() << true << Content::damaged << false;
    }
    void contentDecision() {
        QFETCH(bool, engine);
        QFETCH(QByteArray, setupDone);
        QFETCH(bool, access);
        QFETCH(Content, content);
        QFETCH(bool, tabs);
        AppFixture app;
        if (engine)
            app.installEngine();
        if (!setupDone.isEmpty())
            QVERIFY(TestEnvironment::writeFile(UserDefaults::location(),
                                               "[General]\nsetupDone=" + setupDone + "\n"));
        app.setAccess(access);

        RootView root;
        QCOMPARE(root.content(), content);
        QCOMPARE(root.topBar()->showsTabs(), tabs);
        QCOMPARE(root.topBar()->sectionLabel(), tabs ? u"Overview"_qs : u"Setup"_qs);
        QCOMPARE(qobject_cast<AccessView *>(root.contentWidget()) != nullptr,
                 content == Content::setup);
        QCOMPARE(qobject_cast<Empty *>(root.contentWidget()) != nullptr,
                 content == Content::damaged);
        // No engine, no watch; otherwise the watch runs exactly while ready.
        QCOMPARE(root.status()->isStreaming(), engine && tabs);
    }

    void statusWatchStartsOnceAndStopsWhenNoLongerReady() {
        AppFixture app;
        app.installEngine();
        RootView root;
        QVERIFY(!root.status()->isStreaming());

        UserDefaults::setFlag(UserDefaults::setupDone, true);  // ready now
        QVERIFY(root.status()->isStreaming());
        root.refresh();
        root.refresh();
        UserDefaults::setFlag(UserDefaults::setupDone, true);
        QTRY_COMPARE(app.starts(), 1);
        QTest::qWait(100);
        QCOMPARE(app.starts(), 1);

        // "Run Again" in Settings: the permissions screen returns, the watch ends.
        UserDefaults::setFlag(UserDefaults::setupDone, false);
        QVERIFY(!root.status()->isStreaming());
        QCOMPARE(root.content(), Content::setup);
    }

    // The top bar's free-space pill, whatever numbers the engine sends.
    void freeBytes_data() {
        QTest::addColumn<QList<StatusSnapshot::Disk>>("disks");
        QTest::addColumn<qint64>("free");  // -1: no pill
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("root disk wins")
            << QList<StatusSnapshot::Disk>{{u"/home"_qs, 10, 100, 10, {}},
                                           {u"/"_qs, 400.9, 1000.5, 40, {}}}
            << qint64(599);  // 599.6 truncated
        QTest::newRow("no root: first disk")
            << QList<StatusSnapshot::Disk>{{u"/data"_qs, 1e9, 3e9, 33, {}},
                                           {u"/boot"_qs, 1, 2, 50, {}}}
            << qint64(2000000000);
        QTest::newRow("not a number")
            << QList<StatusSnapshot::Disk>{{u"/"_qs, nan, 100, 0, {}}} << qint64(-1);
        QTest::newRow("beyond a byte count")
            << QList<StatusSnapshot::Disk>{{u"/"_qs, 0, 1e19, 0, {}}} << qint64(-1);
    }
    void freeBytes() {
        QFETCH(QList<StatusSnapshot::Disk>, disks);
        QFETCH(qint64, free);
        StatusSnapshot snapshot;
        snapshot.disks = disks;
        QCOMPARE(FreeSpacePill::freeBytes(snapshot).value_or(-1), free);
    }
};
QTEST_MAIN(RootViewTest)
#include "tst_root_view.moc"
