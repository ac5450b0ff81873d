#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include "cleanup/CleanModel.h"
#include "support/RealEngine.h"
#include "support/ScriptedEngine.h"
#include "support/SignalLog.h"
#include "engine/Engine.h"
#include "support/TestEnvironment.h"

namespace {

// An engine whose dry run and real run print the given lines.
QString engine(const QString &dryRun, const QString &clean = {}) {
    return u"case \"$*\" in\n'clean --dry-run') "_qs + dryRun + u" ;;\nclean) "_qs + clean +
           u" ;;\nesac\n"_qs;
}

QString lines(const QStringList &lines) {
    return ScriptedEngine::printLines(lines);
}

bool waitForEnd(CleanModel &model) {
    return QTest::qWaitFor([&] { return !model.isRunning(); }, 10000);
}

QStringList titles(const QList<ReportSection> &sections) {
    QStringList out;
    for (const ReportSection &s : sections) out.append(s.title);
    return out;
}

constexpr qint64 GB = 1'000'000'000;

}  // namespace

class CleanModelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void scanPublishesEachChangeInOrder() {
        TestEnvironment env;
        env.installEngineInResources(engine(lines({
            u"Potential space: 5 GB | Items: 42"_qs,
            u"➤ Caches"_qs,
            u"  → User caches · 1.2 GB"_qs,
            u"➤ Logs"_qs,
            u"  ✓ Nothing to clean"_qs,
            u"Potential space: 3 GB"_qs,
        })));
        CleanModel model;
        SignalLog log(&model);
        QSignalSpy totals(&model, &CleanModel::totalChanged);
        QList<std::optional<qint64>> counts;
        connect(&model, &CleanModel::itemCountChanged, [&] { counts.append(model.itemCount()); });

        model.scan();
        QCOMPARE(model.phase(), CleanModel::Phase::scanning);
        QCOMPARE(model.current(), u"Starting"_qs);
        QVERIFY(model.isRunning());
        QCOMPARE(log.take(), (QStringList{u"currentChanged"_qs, u"startedChanged"_qs,
                                          u"phaseChanged"_qs, u"runningChanged"_qs}));
        QVERIFY(waitForEnd(model));

        QCOMPARE(log.names,
                 (QStringList{// the first marker line
                              u"totalChanged"_qs, u"itemCountChanged"_qs,
                              // ➤ Caches: the running sum replaces the engine's figure
                              u"sectionsChanged"_qs, u"currentChanged"_qs, u"totalChanged"_qs,
                              // → User caches
                              u"sectionsChanged"_qs, u"totalChanged"_qs,
                              // ➤ Logs, then its ok item
                              u"sectionsChanged"_qs, u"currentChanged"_qs, u"sectionsChanged"_qs,
                              // the closing marker clears the count it does not repeat
                              u"totalChanged"_qs, u"itemCountChanged"_qs,
                              // end: the Logs section had nothing to do
                              u"runningChanged"_qs, u"sectionsChanged"_qs, u"elapsedChanged"_qs,
                              u"phaseChanged"_qs}));
        QCOMPARE(totals.size(), 4);
        QCOMPARE(model.total(), 3 * GB);
        QCOMPARE(counts, (QList<std::optional<qint64>>{42, std::nullopt}));
        QCOMPARE(model.itemCount(), std::nullopt);
        QCOMPARE(model.phase(), CleanModel::Phase::ready);
        QCOMPARE(titles(model.sections()), QStringList{u"Caches"_qs});
        QCOMPARE(model.sections().first().bytes(), 1'200'000'000);
        QCOMPARE(model.current(), u"Logs"_qs);
        QVERIFY(model.elapsed() > 0);
    }

    void runningTotalFollowsSizedActionItems() {
        TestEnvironment env;
        env.installEngineInResources(engine(lines({
            u"➤ Caches"_qs,
            u"→ A · 1 GB"_qs,
            u"⚠ Big log, 9 GB"_qs,             // a note never counts
            u"→ Tracked cleanup: pending"_qs,  // a marker without a size is an item
            u"➤ Trash"_qs,
            u"→ Trash · 2 GB"_qs,
        })));
        CleanModel model;
        QList<qint64> totals;
        connect(&model, &CleanModel::totalChanged, [&] { totals.append(model.total()); });
        model.scan();
        QVERIFY(waitForEnd(model));
        QCOMPARE(totals, (QList<qint64>{GB, 3 * GB}));
        QCOMPARE(model.sections().first().items.size(), 3);
        QCOMPARE(model.sections().first().items.last().label, u"Tracked cleanup: pending"_qs);
        QCOMPARE(model.itemCount(), std::nullopt);
    }

    void finishedScanDropsSectionsWithNothingToDo_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<qint64>("total");
        QTest::newRow("no output") << u":"_qs << QStringList() << qint64(0);
        QTest::newRow("only ok items") << lines({u"➤ Caches"_qs, u"✓ Nothing to clean"_qs,
                                                 u"➤ Logs"_qs, u"✓ Nothing to clean here"_qs})
                                       << QStringList() << qint64(0);
        QTest::newRow("ok items, then a marker")
            << lines({u"➤ Caches"_qs, u"✓ Nothing to clean"_qs, u"Potential space: 0 B"_qs})
            << QStringList() << qint64(0);
        QTest::newRow("empty, ok, mixed and review sections")
            << lines({u"➤ Empty"_qs, u"➤ Fine"_qs, u"✓ Nothing to clean"_qs, u"➤ Mixed"_qs,
                      u"✓ Nothing to clean"_qs, u"→ Old · 1 GB"_qs, u"➤ Review"_qs,
                      u"⊙ Leftovers · 2 GB"_qs})
            << QStringList{u"Mixed"_qs, u"Review"_qs} << GB;
    }
    void finishedScanDropsSectionsWithNothingToDo() {
        QFETCH(QString, script);
        QFETCH(QStringList, kept);
        QFETCH(qint64, total);
        TestEnvironment env;
        env.installEngineInResources(engine(script));
        CleanModel model;
        model.scan();
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.phase(), CleanModel::Phase::ready);
        QCOMPARE(titles(model.sections()), kept);
        QCOMPARE(model.total(), total);
    }

    void stopMidScanEndsTheEngineAndClearsTheReport() {
        TestEnvironment env;
        const QString pidFile = env.home() + u"/engine.pid"_qs;
        env.installEngineInResources(
            engine(ScriptedEngine::recordPid(pidFile) +
                   lines({u"➤ Caches"_qs, u"→ A · 1 GB"_qs, u"Potential space: 2 GB Items: 3"_qs}) +
                   u"exec sleep 30\n"_qs));
        CleanModel model;
        model.scan();
        QTRY_COMPARE(model.itemCount(), std::optional<qint64>(3));
        const qint64 pid = ScriptedEngine::readPid(pidFile);
        QVERIFY(pid > 0);

        SignalLog log(&model);
        model.stop();
        QCOMPARE(log.names,
                 (QStringList{u"runningChanged"_qs, u"sectionsChanged"_qs, u"phaseChanged"_qs}));
        QCOMPARE(model.phase(), CleanModel::Phase::idle);
        QVERIFY(model.sections().isEmpty());
        QCOMPARE(model.total(), 2 * GB);  // kept until the next scan resets it
        QCOMPARE(model.itemCount(), std::optional<qint64>(3));
        QCOMPARE(model.elapsed(), 0.0);
        QVERIFY(!model.isRunning());
        QTRY_VERIFY(ScriptedEngine::isGone(pid));

        model.stop();  // nothing left to stop
        QCOMPARE(log.names.size(), 3);
    }

    void missingEngineFails() {
        TestEnvironment env;
        CleanModel model;
        SignalLog log(&model);
        model.scan();
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.phase(),
                 CleanModel::Phase::failure(QString::fromUtf8(EngineError::notInstalled)));
        QVERIFY(model.phase() != CleanModel::Phase::failure(u"another message"_qs));
        QCOMPARE(log.names.mid(log.names.size() - 2),
                 (QStringList{u"runningChanged"_qs, u"phaseChanged"_qs}));
        QCOMPARE(model.elapsed(), 0.0);
    }

    void cleanLogsEveryLineButRules() {
        TestEnvironment env;
        env.installEngineInResources(engine(
            lines({u"➤ Caches"_qs, u"→ Old · 4 GB"_qs}),
            lines({u"➤ Caches"_qs, u"  → Removed old caches · 1 GB"_qs}) + u"sleep 0.3\n"_qs +
                lines({u"=========="_qs, u"Space freed: 1.5 GB"_qs, u"  ====  "_qs,
                       u"= not a rule ="_qs, u"➤ Finishing up"_qs})));
        CleanModel model;
        model.scan();
        QVERIFY(waitForEnd(model));
        const QList<ReportSection> report = model.sections();
        const double scanElapsed = model.elapsed();

        QList<QString> currents;
        connect(&model, &CleanModel::currentChanged, [&] { currents.append(model.current()); });
        SignalLog signalLog(&model);
        model.clean();
        QCOMPARE(model.phase(), CleanModel::Phase::cleaning);
        QCOMPARE(model.freed(), 0);
        QCOMPARE(model.sections(), report);
        QCOMPARE(model.total(), 4 * GB);
        QVERIFY(waitForEnd(model));

        QCOMPARE(model.phase(), CleanModel::Phase::done);
        QCOMPARE(currents, (QList<QString>{u"Starting"_qs, u"Caches"_qs, u"Finishing up"_qs}));
        QCOMPARE(model.freed(), 1'500'000'000);
        QCOMPARE(model.sections(), report);
        QVERIFY(model.elapsed() != scanElapsed);

        const QList<CleanModel::LogLine> log = model.log();
        QStringList texts;
        for (int i = 0; i < log.size(); ++i) {
            QCOMPARE(log[i].id, i);
            texts.append(log[i].text);
        }
        QCOMPARE(texts, (QStringList{u"➤ Caches"_qs, u"  → Removed old caches · 1 GB"_qs,
                                     u"Space freed: 1.5 GB"_qs, u"= not a rule ="_qs,
                                     u"➤ Finishing up"_qs}));
        // Times are seconds since the clean started; the engine paused 0.3 s.
        QVERIFY(log[0].time >= 0);
        QVERIFY(log[1].time >= log[0].time);
        QVERIFY(log[2].time >= 0.3);
        QVERIFY(log[2].time <= model.elapsed());
        QCOMPARE(signalLog.folded().last(), u"phaseChanged"_qs);
    }

    void cleanStartsAFreshLog() {
        TestEnvironment env;
        env.installEngineInResources(
            engine(lines({u"➤ A"_qs, u"→ x · 1 GB"_qs}), lines({u"freed 1 GB"_qs})));
        CleanModel model;
        model.scan();
        QVERIFY(waitForEnd(model));
        model.clean();
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.log().size(), 1);
        QCOMPARE(model.freed(), GB);

        env.installEngineInResources(engine({}, lines({u"done, nothing reported"_qs})));
        QSignalSpy freed(&model, &CleanModel::freedChanged);
        model.clean();
        QCOMPARE(model.freed(), 0);
        QCOMPARE(freed.size(), 1);
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.log().size(), 1);
        QCOMPARE(model.log().first().id, 0);
        QCOMPARE(model.freed(), 0);
    }

    void failingCleanKeepsTheScansReport() {
        TestEnvironment env;
        const QString path = env.installEngineInResources(engine(
            lines({u"➤ Caches"_qs, u"→ Old · 2 GB"_qs, u"Potential space: 2 GB Items: 1"_qs})));
        CleanModel model;
        model.scan();
        QVERIFY(waitForEnd(model));
        const QList<ReportSection> report = model.sections();
        const double elapsed = model.elapsed();

        QVERIFY(QFile::remove(path));
        model.clean();
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.phase(),
                 CleanModel::Phase::failure(QString::fromUtf8(EngineError::notInstalled)));
        QCOMPARE(model.sections(), report);
        QCOMPARE(model.total(), 2 * GB);
        QCOMPARE(model.itemCount(), std::optional<qint64>(1));
        QCOMPARE(model.elapsed(), elapsed);
    }

    void stopMidCleanCountsAsDone() {
        TestEnvironment env;
        const QString pidFile = env.home() + u"/engine.pid"_qs;
        env.installEngineInResources(engine(
            {},
            ScriptedEngine::recordPid(pidFile) + lines({u"➤ Caches"_qs}) + u"exec sleep 30\n"_qs));
        CleanModel model;
        model.clean();
        QTRY_COMPARE(model.current(), u"Caches"_qs);
        model.stop();
        QCOMPARE(model.phase(), CleanModel::Phase::done);
        QVERIFY(model.elapsed() > 0);
        QTRY_VERIFY(ScriptedEngine::isGone(ScriptedEngine::readPid(pidFile)));
    }

    void newScanReplacesARunningOne() {
        TestEnvironment env;
        const QString first = env.home() + u"/first.pid"_qs;
        env.installEngineInResources(
            engine(u"if [ ! -e '"_qs + first + u"' ]; then\n"_qs +
                   ScriptedEngine::recordPid(first) + lines({u"➤ First"_qs, u"→ a · 1 GB"_qs}) +
                   u"exec sleep 30\nfi\n"_qs + lines({u"➤ Second"_qs, u"→ b · 2 GB"_qs})));
        CleanModel model;
        model.scan();
        QTRY_COMPARE(model.sections().size(), 1);
        QSignalSpy running(&model, &CleanModel::runningChanged);
        model.scan();
        QVERIFY(waitForEnd(model));
        QCOMPARE(running.size(), 1);  // still running across the hand-over, then ended
        QCOMPARE(titles(model.sections()), QStringList{u"Second"_qs});
        QCOMPARE(model.total(), 2 * GB);
        QCOMPARE(model.phase(), CleanModel::Phase::ready);
        QTRY_VERIFY(ScriptedEngine::isGone(ScriptedEngine::readPid(first)));
    }

    void scanWithTheRealEngine() {
        TestEnvironment env;
        env.installRealEngine();
        if (!RealEngine::offers(u"clean"_qs))
            QSKIP("the bundled engine has no clean command yet");
        CleanModel model;
        model.scan();  // a dry run, in the temporary home
        QVERIFY(QTest::qWaitFor([&] { return !model.isRunning(); }, 60000));
        QCOMPARE(model.phase(), CleanModel::Phase::ready);
        for (const ReportSection &section : model.sections()) {
            QVERIFY(!section.items.isEmpty());
            QVERIFY(
                std::any_of(section.items.cbegin(), section.items.cend(),
                            [](const ReportItem &i) { return i.kind != ReportItem::Kind::ok; }));
        }
    }
};

QTEST_GUILESS_MAIN(CleanModelTest)
#include "tst_clean_model.moc"
