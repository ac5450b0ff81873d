#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocumentFragment>

#include "cleanup/CleanModel.h"
#include "engine/Engine.h"
#include "overview/StatusModel.h"
#include "overview/ui/OverviewCards.h"
#include "overview/ui/OverviewView.h"
#include "support/RealInput.h"
#include "support/ScreenShots.h"
#include "support/ScriptedEngine.h"
#include "support/SignalLog.h"
#include "support/TestEnvironment.h"
#include "theme/controls/Badge.h"
#include "theme/controls/GButton.h"
#include "theme/controls/HoverRow.h"
#include "theme/controls/PageTitle.h"
#include "theme/controls/RollingText.h"
#include "theme/controls/Status.h"

namespace {

const QString kReading = QString::fromUtf8(
    R"({"health_score": 92, "health_score_msg": "Excellent", "uptime": "3d 4h",)"
    R"( "hardware": {"model": "ThinkPad X1", "cpu_model": "Intel i7", "total_ram": "16 GB",)"
    R"( "os_version": "Debian 12"}, "cpu": {"usage": 23.6, "core_count": 8},)"
    R"( "memory": {"used": 9600000000, "total": 16000000000, "used_percent": 60},)"
    R"( "disks": [{"mount": "/data", "used": 1, "total": 2, "used_percent": 50},)"
    R"( {"mount": "/", "used": 205000000000, "total": 500000000000, "used_percent": 41,)"
    R"( "purgeable": 12000000000}], "trash_size": 3400000000,)"
    R"( "batteries": [{"percent": 99.6, "health": "Good", "cycle_count": 112}]})");

// A watch that prints these lines, then stays (or ends); any other command fails.
QString watch(const QStringList &lines, bool stays = true) {
    return u"[ \"$*\" = 'status --watch --interval 2s' ] || exit 3\n"_qs +
           ScriptedEngine::printLines(lines) + (stays ? u"exec sleep 30\n"_qs : QString());
}

// An engine that counts its runs in `file`, then runs `script`.
QString counted(const QString &file, const QString &script) {
    return u"echo x >> '"_qs + file + u"'\n"_qs + script;
}

QString reading(double cpu, double memPercent, int score = 90) {
    return QString::asprintf(
        R"({"health_score": %d, "health_score_msg": "ok", "cpu": {"usage": %g},)"
        R"( "memory": {"used": 1, "total": 2, "used_percent": %g}})",
        score, cpu, memPercent);
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
    QString subtitle() const { return view.pageTitle()->findChildren<QLabel *>().last()->text(); }
    // What the cards say, top to bottom.
    QStringList cards() const {
        const StorageCard *s = view.storage();
        QStringList out{s->freeSpace()->text(), s->freeSpace()->suffix(),
                        s->badge()->accessibleName()};
        for (int i = 0; i < 4; ++i) out.append(s->legend(i));
        out << view.health()->status()->accessibleName();
        for (const FigureCard *c : {view.health(), view.cpu(), view.memory(), view.battery()})
            out << c->figure()->text() << c->detail()->text();
        return out;
    }
};

}  // namespace

class OverviewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        qRegisterMetaType<Pane>();
        ScreenShots::loadLook();
    }

    // An engine that ends without a reading is tried again; only after a
    // few tries in a row does the failure show, and a reading clears it.
    void failureShowsAfterAFewTries_data() {
        QTest::addColumn<QString>("script");  // empty: no engine
        QTest::addColumn<QString>("error");
        QTest::newRow("no engine") << QString() << QString::fromUtf8(EngineError::notInstalled);
        QTest::newRow("exits without a word")
            << u"exit 0\n"_qs << u"The system status stopped updating."_qs;
        QTest::newRow("refuses") << u"echo 'mole status: cannot read /proc' >&2; exit 1\n"_qs
                                 << u"cannot read /proc"_qs;
    }
    void failureShowsAfterAFewTries() {
        QFETCH(QString, script);
        QFETCH(QString, error);
        Scene s;
        const QString tries = s.env.home() + u"/tries"_qs;
        const auto count = [&] { return int(TestEnvironment::readFile(tries).count('\n')); };
        if (!script.isEmpty())
            s.env.installEngineInResources(counted(tries, script));
        s.status.stream();
        QTRY_VERIFY_WITH_TIMEOUT(s.status.error().has_value(), 15000);
        QCOMPARE(*s.status.error(), error);
        QCOMPARE(count(), script.isEmpty() ? 0 : StatusModel::triesBeforeError);
        QVERIFY(!s.status.snapshot() && s.status.isStreaming());  // still trying
        // The error shows, never an endless "Reading…"; then the hint on a line of its own.
        QCoreApplication::processEvents();
        const QList<QLabel *> labels = s.view.body()->findChildren<QLabel *>();
        QCOMPARE(labels.first()->text(), u"Couldn't Read System Status"_qs);
        QCOMPARE(QTextDocumentFragment::fromHtml(labels.last()->text())
                     .toPlainText()
                     .replace(QChar::LineSeparator, u'\n'),
                 error.trimmed() + u"\nTry reopening Brightloft."_qs);

        // The engine works again: the next try reads, and the error goes.
        s.env.installEngineInResources(watch({reading(30, 40)}));
        QTRY_VERIFY_WITH_TIMEOUT(s.status.snapshot().has_value(), 15000);
        QCOMPARE(s.status.error(), std::nullopt);
        QVERIFY(!s.status.isStale());
    }

    // Readings among noise fill the histories, each announced once; a watch
    // that ends is restarted, its last reading kept meanwhile, marked stale.
    // Stopped means stopped, quietly: the reading stays, and no try follows.
    void readingsFillTheHistoriesAndAnEndedWatchRestarts() {
        // Read as a whole or not at all: a volume without its mount.
        const QStringList noise = {
            u"{not json"_qs,
            reading(99, 99).chopped(1) + u", \"disks\": [{\"used\": 1, \"total\": 2}]}"_qs};
        QStringList lines = {u"Collecting readings…"_qs};
        QList<double> cpu, mem;
        for (int i = 0; i < 45; ++i) {
            lines.append(reading(i * 3, 100 - i, i));
            cpu.append(i * 3 / 100.0);  // not clamped: up to 1.32
            mem.append((100 - i) / 100.0);
            if (i == 20)
                lines += noise;
        }
        Scene s;
        const QString runs = s.env.home() + u"/runs"_qs;
        lines.append(kReading);  // each run's last, then the second run's only reading
        cpu.append(23.6 / 100);
        mem.append(60 / 100.0);
        s.env.installEngineInResources(counted(
            runs, u"if [ \"$(wc -l < '"_qs + runs + u"')\" -ge 2 ]; then\n"_qs + watch({kReading}) +
                      u"fi\n"_qs + watch(lines, false) + u"exit 0\n"_qs));
        SignalLog log(&s.status, {u"streamingChanged"_qs});
        s.status.stream();
        QTRY_VERIFY(s.status.isStale());
        QCOMPARE(s.status.error(), std::nullopt);  // the engine exiting is a quiet end
        QCOMPARE(log.take(), (SignalLog::Counts{{u"snapshotChanged"_qs, 46},
                                                {u"cpuHistoryChanged"_qs, 46},
                                                {u"memHistoryChanged"_qs, 46},
                                                {u"staleChanged"_qs, 1}}));
        QCOMPARE(s.status.cpuHistory(), cpu.mid(cpu.size() - StatusModel::historyLength));
        QCOMPARE(s.status.memHistory(), mem.mid(mem.size() - StatusModel::historyLength));
        QCoreApplication::processEvents();
        QCOMPARE(s.subtitle(), u"ThinkPad X1 · Intel i7 · 16 GB · Debian 12 · Not updating"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(!s.status.isStale(), 10000);  // the second run's reading
        QCOMPARE(TestEnvironment::readFile(runs), "x\nx\n");
        QCOMPARE(s.status.cpuHistory(), cpu.mid(cpu.size() + 1 - StatusModel::historyLength)
                                            << cpu.last());
        s.status.stop();
        QTest::qWait(StatusModel::firstRetryMs + 300);
        QVERIFY(!s.status.isStreaming() && s.status.snapshot() && !s.status.error());
        QCOMPARE(TestEnvironment::readFile(runs), "x\nx\n");
    }

    // A reading shows in the cards: the CPU figure rounded, the battery's
    // truncated; a Trash larger than the used space takes all of it. The tools, shown with the
    // readings, lead to their panes; Scan for Junk leads to Cleanup and scans there, unless a scan
    // is running.
    void aReadingFillsTheCardsAndToolsLeadOn_data() {
        QTest::addColumn<QString>("reading");
        QTest::addColumn<QString>("cards");
        QTest::newRow("live")
            << kReading
            << u"295 GB | available of 500 GB | 41% used | 201.6 GB | 3.4 GB | 12 GB | 295 GB | "
               "Excellent | 92 | Uptime 3d 4h | 24 | 8 cores | 60 | 9.6 GB / 16 GB | 99 | "
               "Good · 112 cycles"_qs;
        QTest::newRow("trash beyond used")
            << reading(10, 20).chopped(1) +
                   uR"(, "disks": [{"mount": "/", "used": 3e11, "total": 5e11, "used_percent": 60}], "trash_size": 4e11})"_qs
            << u"200 GB | available of 500 GB | 60% used | 0 bytes | 400 GB | 0 bytes | 200 GB | "
               u"ok | "
               "90 |  | 10 |  | 20 | 1 byte / 2 bytes |  | "_qs;
        // Numbers past what a machine reports must not reach an integer
        // conversion unclamped (undefined behaviour) nor show as nan or inf.
        QTest::newRow("absurd")
            << QString::fromUtf8(
                   R"({"health_score": 7, "health_score_msg": "Odd", "cpu": {"usage": 1e300},)"
                   R"( "memory": {"used": -5, "total": 1e30, "used_percent": -1e300},)"
                   R"( "disks": [{"mount": "/", "used": 1e30, "total": 1e19, "used_percent": 1e308}],)"
                   R"( "trash_size": 1e25, "batteries": [{"percent": -1e300}]})")
            << u"0 bytes | available of 9.22 EB | 9223372036854775807% used | 0 bytes | 9.22 EB | "
               "0 bytes | 0 bytes | Odd | 7 |  | 9223372036854775807 |  | -9223372036854775808 | "
               "-5 bytes / 9.22 EB | -9223372036854775808 | "_qs;
    }
    void aReadingFillsTheCardsAndToolsLeadOn() {
        QFETCH(QString, reading);
        QFETCH(QString, cards);
        // The dry run is held, so a second press finds a scan running.
        Scene s(u"[ \"$*\" = 'clean --dry-run' ] && exec sleep 30\n"_qs + watch({reading}));
        s.status.stream();
        QVERIFY(QTest::qWaitFor([&] { return s.status.snapshot().has_value(); }, 10000));
        QCoreApplication::processEvents();
        QCOMPARE(s.cards().join(u" | "_qs), cards);
        QCOMPARE(s.view.battery()->isVisibleTo(&s.view), reading.contains(u"batteries"_qs));
        if (QTest::currentDataTag() != QByteArray("live"))
            return;
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
        s.view.ensureWidgetVisible(s.view.scanButton(), 0, 0);
        QVERIFY(RealInput::click(s.view.scanButton()));
        QCOMPARE(s.clean.phase().kind, CleanModel::Phase::scanning);
        const QDateTime started = s.clean.started();
        QVERIFY(RealInput::click(s.view.scanButton()));
        QCOMPARE(navigate.size(), 2);
        for (const QList<QVariant> &to : navigate) QCOMPARE(to.first().value<Pane>(), Pane::clean);
        QCOMPARE(s.clean.started(), started);  // no second scan
    }
};

QTEST_MAIN(OverviewTest)
#include "tst_overview.moc"
