#include <QTest>

#include <cmath>
#include <limits>

#include "app/FreeSpacePill.h"
#include "app/TabButton.h"
#include "app/TopBar.h"
#include "overview/StatusModel.h"
#include "support/AppFixture.h"
#include "support/RealInput.h"

namespace {

StatusSnapshot withDisks(const QList<StatusSnapshot::Disk> &disks) {
    StatusSnapshot s;
    s.disks = disks;
    return s;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

class TopBarTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void freeBytes_data() {
        QTest::addColumn<StatusSnapshot>("snapshot");
        QTest::addColumn<qint64>("free");  // -1: no pill
        QTest::newRow("root disk wins")
            << withDisks({{u"/home"_qs, 10, 100, 10, {}}, {u"/"_qs, 400.9, 1000.5, 40, {}}})
            << qint64(599);  // 599.6 truncated
        QTest::newRow("no root: first disk")
            << withDisks({{u"/data"_qs, 1e9, 3e9, 33, {}}, {u"/boot"_qs, 1, 2, 50, {}}})
            << qint64(2000000000);
        QTest::newRow("not a number") << withDisks({{u"/"_qs, kNaN, 100, 0, {}}}) << qint64(-1);
        QTest::newRow("beyond a byte count")
            << withDisks({{u"/"_qs, 0, 1e19, 0, {}}}) << qint64(-1);
        QTest::newRow("infinite")
            << withDisks({{u"/"_qs, 0, std::numeric_limits<double>::infinity(), 0, {}}})
            << qint64(-1);
    }
    void freeBytes() {
        QFETCH(StatusSnapshot, snapshot);
        QFETCH(qint64, free);
        QCOMPARE(FreeSpacePill::freeBytes(snapshot).value_or(-1), free);
    }

    void pillAppearsWithTheFirstReading() {
        AppFixture app;
        app.env().installEngineInResources(
            uR"(printf '%s\n' '{"health_score": 90, "health_score_msg": "ok", "cpu": {"usage": 5}, "memory": {"used": 1, "total": 2, "used_percent": 50}, "disks": [{"mount": "/", "used": 95000000000, "total": 100000000000, "used_percent": 95}]}'; exec sleep 30)"_qs);
        StatusModel status;
        TopBar bar(&status);
        bar.show();
        QVERIFY(!bar.pill()->isVisible());
        status.stream();
        QTRY_VERIFY(bar.pill()->isVisible());
        QCOMPARE(bar.pill()->text(), u"5 GB free"_qs);
        QCOMPARE(bar.pill()->toolTip(), u"Free space on your startup disk"_qs);
        status.stop();
    }

    void tabsFollowThePane() {
        StatusModel status;
        TopBar bar(&status);
        QCOMPARE(bar.tabs().size(), 5);
        QCOMPARE(bar.tabs().first()->toolTip(), u"Overview  ⌘1"_qs);
        QCOMPARE(bar.tabs().last()->toolTip(), u"Maintenance  ⌘5"_qs);
        bar.setPane(Pane::space);
        for (TabButton *tab : bar.tabs()) QCOMPARE(tab->isSelected(), tab->pane() == Pane::space);
        QCOMPARE(bar.sectionLabel(), u"Space Lens"_qs);

        Pane requested = Pane::overview;
        connect(&bar, &TopBar::paneRequested, this, [&](Pane p) { requested = p; });
        bar.show();
        QVERIFY(RealInput::click(bar.tabs()[1]));
        QCOMPARE(requested, Pane::clean);
        QVERIFY(!bar.tabs()[1]->isSelected());  // the root view decides, not the click
    }
};

QTEST_MAIN(TopBarTest)
#include "tst_top_bar.moc"
