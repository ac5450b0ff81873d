#include <QAbstractItemModelTester>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include "cleanup/BuildLog.h"
#include "cleanup/CleanModel.h"
#include "cleanup/CleanView.h"
#include "cleanup/LogLines.h"
#include "cleanup/ReportRows.h"
#include "cleanup/ReportTable.h"
#include "engine/Engine.h"
#include "support/ScriptedEngine.h"
#include "support/SignalLog.h"
#include "support/TestEnvironment.h"

namespace {

// The rows of the text.
QStringList lines(const char *text) {
    return QString::fromUtf8(text).split(u'\n');
}

using ScriptedEngine::printText;

QString engine(const QString &dryRun, const QString &clean = {}) {
    return ScriptedEngine::dryRunOrRun(u"clean"_qs, dryRun, clean);
}

bool waitForEnd(CleanModel &model, int timeout = 10000) {
    return QTest::qWaitFor([&] { return !model.isRunning(); }, timeout);
}

// Each section as "title:item count".
QStringList shape(const QList<ReportSection> &sections) {
    QStringList out;
    for (const ReportSection &s : sections)
        out.append(s.title + u':' + QString::number(s.items.size()));
    return out;
}

const CleanModel::Phase notInstalled =
    CleanModel::Phase::failure(QString::fromUtf8(EngineError::notInstalled));
constexpr qint64 GB = 1'000'000'000;

}  // namespace

class CleanModelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void finishedScan_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("itemCount");  // -1: none
        QTest::addColumn<QString>("current");
        QTest::newRow("empty report")
            << u":"_qs << QStringList() << qint64(0) << qint64(-1) << u"Starting"_qs;
        QTest::newRow("only ok items, then a marker")
            << printText(
                   "➤ Caches\n✓ Nothing to clean\n➤ Logs\n✓ Nothing to clean here\n"
                   "Potential space: 0 B")
            << QStringList() << qint64(0) << qint64(-1) << u"Logs"_qs;
        QTest::newRow("empty, ok, mixed and review sections")
            << printText(
                   "➤ Empty\n➤ Fine\n✓ Nothing to clean\n➤ Mixed\n✓ Nothing to clean\n"
                   "→ Old · 1 GB\n➤ Review\n⊙ Leftovers · 2 GB")
            << lines("Mixed:2\nReview:1") << GB << qint64(-1) << u"Review"_qs;
        // A note never counts; a marker without a size is an item.
        QTest::newRow("running sum of sized action items")
            << printText(
                   "➤ Caches\n→ A · 1 GB\n⚠ Big log, 9 GB\n→ Tracked cleanup: pending\n"
                   "➤ Trash\n→ Trash · 2 GB")
            << lines("Caches:3\nTrash:1") << 3 * GB << qint64(-1) << u"Trash"_qs;
        QTest::newRow("an item after the marker brings the running sum back")
            << printText("Potential space: 5 GB | Items: 42\n➤ Caches\n→ User caches · 1.2 GB")
            << QStringList{u"Caches:1"_qs} << qint64(1'200'000'000) << qint64(42) << u"Caches"_qs;
        QTest::newRow("a marker without a count clears the count")
            << printText(
                   "➤ Caches\n→ Old · 4 GB\nPotential space: 5 GB Items: 42\n"
                   "Potential space: 3 GB")
            << QStringList{u"Caches:1"_qs} << 3 * GB << qint64(-1) << u"Caches"_qs;
        QTest::newRow("absurd sizes saturate")
            << printText("➤ Huge\n→ A · 9000000 TB\n→ B · 9000000 TB\n➤ More\n→ C · 1 GB")
            << lines("Huge:2\nMore:1") << std::numeric_limits<qint64>::max() << qint64(-1)
            << u"More"_qs;
    }
    void finishedScan() {
        QFETCH(QString, output);
        QFETCH(QStringList, kept);
        QFETCH(qint64, total);
        QFETCH(qint64, itemCount);
        QFETCH(QString, current);
        TestEnvironment env;
        env.installEngineInResources(engine(output));
        CleanModel model;
        model.scan();
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.phase(), CleanModel::Phase::ready);
        QCOMPARE(shape(model.sections()), kept);
        QCOMPARE(model.total(), total);
        QCOMPARE(model.itemCount(), itemCount < 0 ? std::nullopt : std::optional(itemCount));
        QCOMPARE(model.current(), current);
        QVERIFY(model.elapsed() > 0);
    }

    void scanStartsFromAnEmptyReport() {
        TestEnvironment env;
        env.installEngineInResources(
            engine(printText("➤ Caches\n→ Old · 4 GB\nPotential space: 4 GB Items: 1")));
        CleanModel model;
        model.scan();
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.itemCount(), std::optional<qint64>(1));

        env.installEngineInResources(engine(u"exec sleep 30"_qs));
        SignalLog log(&model, {u"runningChanged"_qs});
        model.scan();
        QCOMPARE(model.phase(), CleanModel::Phase::scanning);
        QVERIFY(model.sections().isEmpty());
        QCOMPARE(model.total(), 0);
        QCOMPARE(model.itemCount(), std::nullopt);
        QCOMPARE(model.current(), u"Starting"_qs);
        QCOMPARE(log.take(), SignalLog::once("sections total itemCount current started phase"));
        model.stop();
    }

    void stopEndsTheEngine_data() {
        QTest::addColumn<bool>("cleaning");
        QTest::addColumn<SignalLog::Counts>("emitted");
        QTest::newRow("scan: idle without the report")
            << false << SignalLog::once("sections phase");
        QTest::newRow("clean: counts as done") << true << SignalLog::once("elapsed phase");
    }
    void stopEndsTheEngine() {
        QFETCH(bool, cleaning);
        QFETCH(SignalLog::Counts, emitted);
        TestEnvironment env;
        const QString pidFile = env.home() + u"/engine.pid"_qs;
        const QString stuck = ScriptedEngine::recordPid(pidFile) +
                              printText("➤ Caches\n→ A · 1 GB") + u"exec sleep 30\n"_qs;
        env.installEngineInResources(engine(stuck, stuck));
        CleanModel model;
        cleaning ? model.clean() : model.scan();
        QTRY_COMPARE(model.current(), u"Caches"_qs);
        const qint64 pid = ScriptedEngine::readPid(pidFile);

        SignalLog log(&model, {u"runningChanged"_qs});
        model.stop();
        QCOMPARE(log.take(), emitted);
        QCOMPARE(model.phase(), cleaning ? CleanModel::Phase::done : CleanModel::Phase::idle);
        QVERIFY(model.sections().isEmpty());
        QCOMPARE(model.elapsed() > 0, cleaning);
        QVERIFY(!model.isRunning());
        QTRY_VERIFY(ScriptedEngine::isGone(pid));
        model.stop();  // nothing left to stop
        QCOMPARE(log.take(), SignalLog::Counts());
    }

    void cleanLogsEveryLineButRulesAndFailuresKeepTheReport() {
        TestEnvironment env;
        CleanModel model;
        model.scan();  // no engine anywhere
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.phase(), notInstalled);
        QCOMPARE(model.elapsed(), 0.0);

        const QString path = env.installEngineInResources(
            engine(printText("➤ Caches\n→ Old · 4 GB\nPotential space: 4 GB Items: 1"),
                   printText("➤ Caches\n  → Removed old caches · 1 GB") + u"sleep 0.3\n"_qs +
                       printText("==========\nSpace freed: 1.5 GB\n  ====  \n= not a rule =\n"
                                 "➤ Finishing up")));
        model.scan();
        QVERIFY(waitForEnd(model));
        const QList<ReportSection> report = model.sections();
        const double scanElapsed = model.elapsed();

        QStringList currents;
        connect(&model, &CleanModel::currentChanged, [&] { currents.append(model.current()); });
        model.clean();
        QCOMPARE(model.phase(), CleanModel::Phase::cleaning);
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.phase(), CleanModel::Phase::done);
        QCOMPARE(currents, lines("Starting\nCaches\nFinishing up"));
        QCOMPARE(model.freed(), 1'500'000'000);
        QCOMPARE(model.sections(), report);
        QVERIFY(model.elapsed() != scanElapsed);

        const QList<CleanModel::LogLine> log = model.log();
        QStringList texts;
        for (int i = 0; i < log.size(); ++i) {
            QCOMPARE(log[i].id, i);
            texts.append(log[i].text);
        }
        QCOMPARE(texts, lines("➤ Caches\n  → Removed old caches · 1 GB\nSpace freed: 1.5 GB\n"
                              "= not a rule =\n➤ Finishing up"));
        // Times are seconds since the clean started; the engine paused 0.3 s.
        QVERIFY(log[0].time >= 0 && log[1].time >= log[0].time);
        QVERIFY(log[2].time >= 0.3 && log[2].time <= model.elapsed());

        // The next clean starts a fresh log and forgets what was freed.
        env.installEngineInResources(engine({}, printText("done, nothing reported")));
        QSignalSpy freed(&model, &CleanModel::freedChanged);
        model.clean();
        QCOMPARE(model.freed(), 0);
        QCOMPARE(freed.size(), 1);
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.log().size(), 1);
        QCOMPARE(model.log().first().id, 0);

        // A failing clean keeps the scan's report and the last duration.
        const double elapsed = model.elapsed();
        QVERIFY(QFile::remove(path));
        model.clean();
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.phase(), notInstalled);
        QCOMPARE(model.sections(), report);
        QCOMPARE(model.total(), 4 * GB);
        QCOMPARE(model.itemCount(), std::optional<qint64>(1));
        QCOMPARE(model.elapsed(), elapsed);
    }

    // An engine that refuses to work (exit 1 after its error report) has
    // failed: never "nothing to clean", never "cleaned".
    void aRefusalIsAFailure() {
        TestEnvironment env;
        const QString refusal = u"HOME is not set; refusing to delete anything"_qs;
        env.installRealEngine();
        const QByteArray home = qgetenv("HOME");
        qunsetenv("HOME");
        CleanModel model;
        model.scan();  // a dry run: the real engine, which deletes nothing here
        const bool ended = waitForEnd(model);
        qputenv("HOME", home);
        QVERIFY(ended);
        QCOMPARE(model.phase().message, refusal);
        QCOMPARE(model.phase(), CleanModel::Phase::failure(refusal));
        QVERIFY(model.sections().isEmpty());

        env.installEngineInResources(
            engine({}, u"echo 'mole clean: "_qs + refusal + u"' >&2; exit 1"_qs));
        model.clean();
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.phase(), CleanModel::Phase::failure(refusal));
        QCOMPARE(model.log().size(), 1);  // the report itself stays readable in the log
        QCOMPARE(model.log().first().text, u"mole clean: "_qs + refusal);
    }

    // The report's rows and the log's rows, as the Cleanup screen shows them,
    // stay a sound item model through streaming, opening sections, stopping,
    // rescanning and cleaning.
    void itemModelsStaySoundWhileTheEngineStreams() {
        TestEnvironment env;
        QString scan, clean;
        for (int s = 0; s < 12; ++s) {
            QStringList lines{u"➤ Section %1"_qs.arg(s)};
            for (int i = 0; i <= s * 3; ++i)
                lines << (i % 4 == 3 ? u"✓ Nothing to clean"_qs
                                     : u"→ Item %1 · %2 MB"_qs.arg(i).arg(i));
            scan += ScriptedEngine::printLines(lines) + u"sleep 0.02\n"_qs;
        }
        for (int i = 0; i < 2000; i += 100)
            clean += u"seq -f '  → Removed %g' "_qs + QString::number(i) + u' ' +
                     QString::number(i + 99) + u"\nsleep 0.01\n"_qs;
        env.installEngineInResources(engine(scan, clean + u"echo 'Space freed: 1 GB'\n"_qs));
        CleanModel model;
        CleanView view(&model);
        ReportRows *rows = view.report()->rows();
        QAbstractItemModelTester reportTester(
            rows, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester logTester(view.log()->lines(),
                                           QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int round = 0; round < 2; ++round) {
            model.scan();
            QTRY_VERIFY(model.sections().size() >= 3);
            if (round == 0) {
                model.stop();  // the report goes mid-stream
                continue;
            }
            // Sections opened and closed while more arrive.
            for (int row = 0; row < rows->rowCount(); ++row)
                if (rows->row(row).item < 0)
                    rows->toggle(row);
            QVERIFY(waitForEnd(model));
            QCoreApplication::processEvents();
            for (int row = rows->rowCount() - 1; row >= 0; --row)
                if (rows->row(row).item < 0 && row % 3 == 0)
                    rows->toggle(row);
        }
        QCOMPARE(model.phase(), CleanModel::Phase::ready);
        model.clean();
        QVERIFY(waitForEnd(model));
        QTRY_COMPARE(view.log()->lines()->rowCount(), 2001);
        model.scan();  // the report is replaced, the log stays
        QVERIFY(waitForEnd(model));
        QCoreApplication::processEvents();
    }

    // The report table's rows own a copy of the report and follow it through
    // every change a scan makes: a section arriving only inserts, so the rows
    // before it stay in place; trimmed and replaced reports leave no stale row.
    void reportRowsFollowTheReport() {
        const auto section = [](const QString &title, int items) {
            ReportSection s{QUuid::createUuid(), title, {}};
            for (int i = 0; i < items; ++i)
                s.items.append({QUuid::createUuid(),
                                ReportItem::Kind::action,
                                title + QString::number(i),
                                {},
                                qint64(i + 1)});
            return s;
        };
        ReportRows rows;
        QAbstractItemModelTester tester(&rows,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const auto texts = [&] {
            QStringList out;
            for (int i = 0; i < rows.rowCount(); ++i) out << rows.index(i).data().toString();
            return out.join(u' ');
        };
        QList<ReportSection> report{section(u"A"_qs, 2), section(u"B"_qs, 1)};
        rows.setSections(report);
        rows.toggle(0);
        QCOMPARE(texts(), u"A A0 A1 B"_qs);
        report[0].items.append(section(u"A"_qs, 3).items.last());
        rows.setSections(report);
        QCOMPARE(texts(), u"A A0 A1 A2 B"_qs);
        QCOMPARE(rows.largest(), 6);

        QSignalSpy removed(&rows, &QAbstractItemModel::rowsRemoved);
        report.append(section(u"C"_qs, 1));
        rows.setSections(report);
        QCOMPARE(texts(), u"A A0 A1 A2 B C"_qs);
        QCOMPARE(removed.size(), 0);
        report.removeFirst();
        rows.setSections(report);
        QCOMPARE(texts(), u"B C"_qs);
        QCOMPARE(rows.largest(), 1);
        rows.setSections({});
        QCOMPARE(rows.rowCount(), 0);
    }
};

QTEST_MAIN(CleanModelTest)
#include "tst_clean_model.moc"
