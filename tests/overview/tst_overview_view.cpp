#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTranslator>

#include "cleanup/CleanModel.h"
#include "cleanup/CleanView.h"
#include "maintenance/OptimizeModel.h"
#include "maintenance/OptimizeView.h"
#include "overview/OverviewCards.h"
#include "overview/OverviewFigures.h"
#include "overview/OverviewView.h"
#include "overview/StatusModel.h"
#include "platform/Wording.h"
#include "support/RealInput.h"
#include "support/ScreenShots.h"
#include "support/ScriptedEngine.h"
#include "support/TestEnvironment.h"
#include "support/ViewProbe.h"
#include "theme/controls/Badge.h"
#include "theme/controls/GButton.h"
#include "theme/controls/HoverRow.h"
#include "theme/controls/PageTitle.h"
#include "theme/controls/RollingText.h"
#include "theme/controls/Status.h"

namespace F = OverviewFigures;

namespace {

constexpr double GB = 1e9;

const char *const kReading =
    R"({"health_score": 92, "health_score_msg": "Excellent", "uptime": "3d 4h",)"
    R"( "hardware": {"model": "ThinkPad X1", "cpu_model": "Intel i7", "total_ram": "16 GB",)"
    R"( "os_version": "Debian 12"}, "cpu": {"usage": 23.6, "core_count": 8},)"
    R"( "memory": {"used": 9600000000, "total": 16000000000, "used_percent": 60},)"
    R"( "disks": [{"mount": "/data", "used": 1, "total": 2, "used_percent": 50},)"
    R"( {"mount": "/", "used": 205000000000, "total": 500000000000, "used_percent": 41,)"
    R"( "purgeable": 12000000000}], "trash_size": 3400000000,)"
    R"( "batteries": [{"percent": 99.6, "health": "Good", "cycle_count": 112}]})";

// Numbers no machine reports: beyond 64 bits, negative, past 100 %.
const char *const kAbsurd =
    R"({"health_score": 7, "health_score_msg": "Odd", "cpu": {"usage": 1e300},)"
    R"( "memory": {"used": -5, "total": 1e30, "used_percent": -1e300},)"
    R"( "disks": [{"mount": "/", "used": 1e30, "total": 1e19, "used_percent": 1e308}],)"
    R"( "trash_size": 1e25, "batteries": [{"percent": -1e300}]})";

QString watch(const QStringList &lines) {
    return u"[ \"$*\" = 'status --watch --interval 2s' ] || exit 3\n"_qs +
           ScriptedEngine::printLines(lines) + u"exec sleep 30\n"_qs;
}

StatusSnapshot::Disk disk(double used, double total) {
    return {u"/"_qs, used, total, {}, {}};
}

struct Scene {
    TestEnvironment env;
    StatusModel status;
    CleanModel clean;
    OverviewView view{&status, &clean};

    explicit Scene(const QString &script = {}) {
        if (!script.isEmpty())
            env.installEngineInResources(script);
        ScreenShots::present(&view, {1080, 900});
    }
    bool reading() {
        const bool read = QTest::qWaitFor([&] { return status.snapshot().has_value(); }, 10000);
        QCoreApplication::processEvents();
        return read;
    }
    QString subtitle() const { return view.pageTitle()->findChildren<QLabel *>().last()->text(); }
};

}  // namespace

class OverviewViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        qRegisterMetaType<Pane>();
        ScreenShots::loadLook();
    }

    void storageSplitsTheVolume_data() {
        QTest::addColumn<StatusSnapshot::Disk>("disk");
        QTest::addColumn<double>("trash");
        QTest::addColumn<QList<qint64>>("split");  // used other, trash, purgeable, free, total
        QTest::addColumn<double>("scale");
        QTest::newRow("trash beyond used")
            << disk(300 * GB, 500 * GB) << 400 * GB
            << QList<qint64>{0, 400'000'000'000, 0, 200'000'000'000, 500'000'000'000} << 500 * GB;
        QTest::newRow("total 0") << disk(5, 0) << 0.0 << QList<qint64>{5, 0, 0, 0, 0} << 1.0;
        QTest::newRow("not a number")
            << disk(qQNaN(), qInf()) << qQNaN() << QList<qint64>{0, 0, 0, 0, 0} << 1.0;
    }
    void storageSplitsTheVolume() {
        QFETCH(StatusSnapshot::Disk, disk);
        QFETCH(double, trash);
        QFETCH(QList<qint64>, split);
        QFETCH(double, scale);
        const F::Storage s = F::storage(disk, trash);
        QCOMPARE((QList<qint64>{s.usedOther, s.trash, s.purgeable, s.free, s.total}), split);
        QCOMPARE(s.scale, scale);
        // Total 0: any used space fills the bar, and no segment is ever negative.
        const double shares[3] = {s.share(s.usedOther), s.share(s.trash), s.share(s.purgeable)};
        for (const QRectF &r : UsageBar::segments(100, shares)) QVERIFY(r.width() >= 0);
    }

    // Absent parts leave no separators behind.
    void textsLeaveOutWhatIsAbsent() {
        StatusSnapshot snapshot;
        QCOMPARE(F::subtitle(snapshot), u"Live health of your Mac."_qs);
        snapshot.hardware = StatusSnapshot::Hardware{u"Mac"_qs, u""_qs, std::nullopt, u"15.1"_qs};
        QCOMPARE(F::subtitle(snapshot), u"Mac · 15.1"_qs);
        snapshot.hardware = StatusSnapshot::Hardware{};
        QCOMPARE(F::subtitle(snapshot), QString());
        StatusSnapshot::Battery battery;
        QCOMPARE(F::batteryLine(battery), QString());
        battery.cycleCount = 112;
        QCOMPARE(F::batteryLine(battery), u"112 cycles"_qs);
    }

    void aReadingFillsTheCardsAndToolsLeadOn() {
        Scene s(watch({QString::fromUtf8(kReading)}));
        QVERIFY(s.view.body() != nullptr);
        QVERIFY(ScreenShots::shoot(&s.view, u"overview-waiting"_qs));
        s.status.stream();
        QVERIFY(s.reading());
        QCOMPARE(s.subtitle(), u"ThinkPad X1 · Intel i7 · 16 GB · Debian 12"_qs);
        StorageCard *storage = s.view.storage();
        QCOMPARE(storage->freeSpace()->text(), u"295 GB"_qs);
        QCOMPARE(storage->freeSpace()->suffix(), u"available of 500 GB"_qs);
        QCOMPARE(storage->badge()->accessibleName(), u"41% used"_qs);
        QCOMPARE((QStringList{storage->legend(0), storage->legend(1), storage->legend(2),
                              storage->legend(3)}),
                 (QStringList{u"201.6 GB"_qs, u"3.4 GB"_qs, u"12 GB"_qs, u"295 GB"_qs}));
        QCOMPARE(s.view.health()->figure()->text(), u"92"_qs);
        QCOMPARE(s.view.health()->status()->accessibleName(), u"Excellent"_qs);
        QCOMPARE(s.view.health()->detail()->text(), u"Uptime 3d 4h"_qs);
        QCOMPARE(s.view.cpu()->figure()->text(), u"24"_qs);  // rounded; the battery's truncated
        QCOMPARE(s.view.cpu()->detail()->text(), u"8 cores"_qs);
        QCOMPARE(s.view.memory()->figure()->text(), u"60"_qs);
        QCOMPARE(s.view.memory()->detail()->text(), u"9.6 GB / 16 GB"_qs);
        QCOMPARE(s.view.battery()->figure()->text(), u"99"_qs);
        QCOMPARE(s.view.battery()->detail()->text(), u"Good · 112 cycles"_qs);
        QVERIFY(s.view.battery()->isVisibleTo(&s.view));
        QVERIFY(ScreenShots::shoot(&s.view, u"overview-live"_qs));

        // The tools, shown with the readings, lead to their panes.
        QSignalSpy navigate(&s.view, &OverviewView::navigate);
        QList<Pane> reached;
        for (HoverRow *row : s.view.findChildren<HoverRow *>()) {
            s.view.ensureWidgetVisible(row, 0, 0);
            QVERIFY(RealInput::click(row));
            QVERIFY2(navigate.size() == 1, qPrintable(row->accessibleName()));
            reached.append(navigate.takeFirst().first().value<Pane>());
        }
        QCOMPARE(reached, (QList<Pane>{Pane::clean, Pane::uninstall, Pane::space, Pane::optimize}));
        QCOMPARE(s.clean.phase().kind, CleanModel::Phase::idle);
        s.status.stop();
    }

    void absurdNumbersShowWithoutGarbage() {
        Scene s(watch({QString::fromUtf8(kAbsurd)}));
        s.status.stream();
        QVERIFY(s.reading());
        QCOMPARE(s.view.storage()->badge()->accessibleName(), u"9223372036854775807% used"_qs);
        QCOMPARE(s.view.storage()->freeSpace()->text(), u"0 bytes"_qs);
        QCOMPARE(s.view.memory()->detail()->text(), u"-5 bytes / 9.22 EB"_qs);
        QCOMPARE(s.view.battery()->figure()->text(), u"-9223372036854775808"_qs);
        const QRegularExpression garbage(u"\\b(nan|inf)\\b"_qs,
                                         QRegularExpression::CaseInsensitiveOption);
        for (const QLabel *label : s.view.findChildren<QLabel *>())
            QVERIFY2(!garbage.match(label->text()).hasMatch(), qPrintable(label->text()));
        QVERIFY(!s.view.grab().isNull());
    }

    // Without readings the error shows, never an endless "Reading…"; a
    // reading left by a watch that ended says it is no longer live.
    void aFailedWatchIsNeverShownAsLive_data() {
        QTest::addColumn<QString>("script");    // null: no engine anywhere
        QTest::addColumn<QString>("subtitle");  // null: the error shows
        QTest::newRow("no engine") << QString() << QString();
        QTest::newRow("ends after a reading")
            << u"echo '"_qs + QString::fromUtf8(kReading) + u"'\n"_qs
            << u"ThinkPad X1 · Intel i7 · 16 GB · Debian 12 · Not updating"_qs;
    }
    void aFailedWatchIsNeverShownAsLive() {
        QFETCH(QString, script);
        QFETCH(QString, subtitle);
        Scene s(script);
        s.status.stream();
        QVERIFY(QTest::qWaitFor(
            [&] { return subtitle.isNull() ? s.status.error().has_value() : s.status.isStale(); },
            10000));
        QCoreApplication::processEvents();
        if (!subtitle.isNull()) {
            QCOMPARE(s.subtitle(), subtitle);
            return;
        }
        const QList<QLabel *> labels = s.view.body()->findChildren<QLabel *>();
        QCOMPARE(labels.first()->text(), u"Couldn't Read System Status"_qs);
        // The error, then the hint on a line of its own.
        QCOMPARE(QTextDocumentFragment::fromHtml(labels.last()->text())
                     .toPlainText()
                     .replace(QChar::LineSeparator, u'\n'),
                 s.status.error()->trimmed() + u"\nTry reopening Brightloft."_qs);
        if (script.isNull())
            QVERIFY(ScreenShots::shoot(&s.view, u"overview-failed"_qs));
    }

    void scanForJunkScansOnlyAnIdleCleanup() {
        // The dry run is held, so the second press finds a scan running.
        Scene s(u"[ \"$*\" = 'clean --dry-run' ] && exec sleep 30\n"_qs);
        QSignalSpy navigate(&s.view, &OverviewView::navigate);
        QVERIFY(RealInput::click(s.view.scanButton()));
        QCOMPARE(navigate.size(), 1);
        QCOMPARE(navigate.first().first().value<Pane>(), Pane::clean);
        QCOMPARE(s.clean.phase().kind, CleanModel::Phase::scanning);
        const QDateTime started = s.clean.started();
        QVERIFY(RealInput::click(s.view.scanButton()));
        QCOMPARE(navigate.size(), 2);
        QCOMPARE(s.clean.started(), started);  // no second scan
        s.clean.stop();
    }

    // Last: the Linux wording stays installed for the rest of the process.
    void panesNameNothingMacOnly() {
        QTranslator wording;
        if (!wording.load(Wording::file(QStringLiteral(BUILT_RESOURCES))))
            QSKIP("the build has no Linux wording file");
        QCoreApplication::installTranslator(&wording);
        Scene s(watch({QString::fromUtf8(kReading)}));
        s.status.stream();
        QVERIFY(s.reading());
        QFile::remove(s.env.resources() + u"/engine/mole"_qs);
        CleanView clean(&s.clean);
        s.clean.scan();  // the engine is gone: the failure block with its advice
        QVERIFY(QTest::qWaitFor([&] { return !s.clean.isRunning(); }, 10000));
        OptimizeModel optimize;
        OptimizeView maintenance(&optimize);
        QCoreApplication::processEvents();

        const QStringList texts = ViewProbe::visibleTexts(&s.view) +
                                  ViewProbe::visibleTexts(&clean) +
                                  ViewProbe::visibleTexts(&maintenance);
        QCoreApplication::removeTranslator(&wording);
        const QRegularExpression mac(u"\\bMac\\b|macOS|Finder|Spotlight|⌘|Terminal"_qs);
        for (const QString &text : texts) QVERIFY2(!mac.match(text).hasMatch(), qPrintable(text));
        QVERIFY(texts.contains(u"Purgeable space is reclaimed by the system automatically."_qs));
        QVERIFY(texts.contains(u"Scan  Ctrl+R"_qs));
        QVERIFY(texts.contains(u"Refresh font, icon, launcher & file-type databases"_qs));
    }
};

QTEST_MAIN(OverviewViewTest)
#include "tst_overview_view.moc"
