#include <QFile>
#include <QTest>

#include "engine/Engine.h"
#include "maintenance/OptimizeModel.h"
#include "support/ScriptedEngine.h"
#include "support/SignalLog.h"
#include "support/TestEnvironment.h"

namespace {

bool waitForPhase(OptimizeModel &model, OptimizeModel::Phase phase, int timeout = 10000) {
    return QTest::qWaitFor([&] { return model.phase() == phase; }, timeout);
}

// Every item as "section/label".
QStringList itemLabels(const QList<ReportSection> &sections) {
    QStringList out;
    for (const ReportSection &s : sections)
        for (const ReportItem &i : s.items) out.append(s.title + u"/"_qs + i.label);
    return out;
}

// Lines written one per row of the text.
QStringList lines(const char *text) {
    return QString::fromUtf8(text).split(u'\n');
}

}  // namespace

class OptimizeModelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void summaryBlocks_data() {
        QTest::addColumn<QStringList>("output");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("summary");
        QTest::newRow("closed block")
            << lines(
                   "➤ Caches\n→ Font cache · rebuilt\n=====\n  All checks passed  \n"
                   "\t2 fixes available\n=====\n→ After the block")
            << QStringList{u"Caches/Font cache"_qs, u"Caches/After the block"_qs}
            << QStringList{u"All checks passed"_qs, u"2 fixes available"_qs};
        QTest::newRow("unclosed block takes every later line")
            << lines("➤ Caches\n==========\nSummary\n→ Not an item\n➤ Not a section")
            << QStringList() << lines("Summary\n→ Not an item\n➤ Not a section");
        QTest::newRow("indented rules are no rules")
            << lines("➤ Links\n  =====\n⚠ Broken link, 1 KB\n =====")
            << QStringList{u"Links/Broken link"_qs} << QStringList();
        QTest::newRow("two blocks append to one summary")
            << lines("=====\nfirst\n=====\n➤ Fonts\n✓ Nothing to clean\n=====  \nsecond\n=====")
            << QStringList{u"Fonts/Nothing to clean"_qs} << QStringList{u"first"_qs, u"second"_qs};
        QTest::newRow("four equals signs are text")
            << lines("➤ A\n====\n→ x") << QStringList{u"A/x"_qs} << QStringList();
    }
    void summaryBlocks() {
        QFETCH(QStringList, output);
        QFETCH(QStringList, items);
        QFETCH(QStringList, summary);
        TestEnvironment env;
        env.installEngineInResources(ScriptedEngine::printLines(output));
        OptimizeModel model;
        model.run(true);
        QVERIFY(waitForPhase(model, OptimizeModel::Phase::ready));
        QCOMPARE(itemLabels(model.sections()), items);
        QCOMPARE(model.summary(), summary);
    }

    void runEndsWithItsReportOrItsFailure_data() {
        QTest::addColumn<bool>("dryRun");
        QTest::addColumn<QString>("ending");  // "missing" removes the engine
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("summary");
        QTest::addColumn<QString>("failed");
        const QString missing = QString::fromUtf8(EngineError::notInstalled);
        const QString crash = u"The cleaning engine stopped unexpectedly (Segmentation fault)."_qs;
        QTest::newRow("check") << true << QString() << QStringList{u"Args/optimize --dry-run"_qs}
                               << QStringList{u"ran optimize --dry-run"_qs} << QString();
        QTest::newRow("apply") << false << QString() << QStringList{u"Args/optimize"_qs}
                               << QStringList{u"ran optimize"_qs} << QString();
        QTest::newRow("check, engine missing")
            << true << u"missing"_qs << QStringList() << QStringList{missing} << missing;
        QTest::newRow("apply, engine missing")
            << false << u"missing"_qs << QStringList() << QStringList{missing} << missing;
        QTest::newRow("check, engine crashed")
            << true << u"kill -SEGV $$"_qs << QStringList{u"Args/optimize --dry-run"_qs}
            << QStringList{crash} << crash;
        const QString refusal = u"HOME is not set; refusing to delete anything"_qs;
        QTest::newRow("apply, engine refused")
            << false << u"echo 'mole optimize: "_qs + refusal + u"' >&2; exit 1"_qs
            << QStringList{u"Args/optimize"_qs} << QStringList{refusal} << refusal;
    }
    void runEndsWithItsReportOrItsFailure() {
        QFETCH(bool, dryRun);
        QFETCH(QString, ending);
        QFETCH(QStringList, items);
        QFETCH(QStringList, summary);
        QFETCH(QString, failed);
        TestEnvironment env;
        OptimizeModel model;
        // A failed run first, whose failure the next run must clear.
        model.run(true);
        QVERIFY(waitForPhase(model, OptimizeModel::Phase::ready));
        QVERIFY(!model.failed().isEmpty());

        if (ending != u"missing"_qs)
            env.installEngineInResources(
                u"ulimit -c 0; echo '➤ Args'; echo \"→ $*\"; echo =====; echo \"ran $*\"; "
                u"echo =====; "_qs +
                ending + u"\n"_qs);
        SignalLog log(&model);
        model.run(dryRun);
        QCOMPARE(model.phase(),
                 dryRun ? OptimizeModel::Phase::checking : OptimizeModel::Phase::running);
        QVERIFY(model.summary().isEmpty() && model.failed().isEmpty());
        QCOMPARE(log.take(), SignalLog::once("summary failed phase"));
        QVERIFY(
            waitForPhase(model, dryRun ? OptimizeModel::Phase::ready : OptimizeModel::Phase::done));
        QCOMPARE(itemLabels(model.sections()), items);
        QCOMPARE(model.summary(), summary);
        QCOMPARE(model.failed(), failed);
        QCOMPARE(log.take().value(u"failedChanged"_qs), failed.isEmpty() ? 0 : 1);
    }

    void newRunStopsTheOneStreaming() {
        TestEnvironment env;
        const QString pidFile = env.home() + u"/first.pid"_qs;
        env.installEngineInResources(
            u"if [ ! -e '"_qs + pidFile + u"' ]; then\n"_qs + ScriptedEngine::recordPid(pidFile) +
            u"echo '➤ First'; echo =====; echo partial; exec sleep 30; fi\n"_qs +
            ScriptedEngine::printLines({u"➤ Second"_qs, u"→ fixed"_qs}));
        OptimizeModel model;
        model.run(true);
        QTRY_COMPARE(model.summary(), QStringList{u"partial"_qs});
        model.run(false);
        QVERIFY(waitForPhase(model, OptimizeModel::Phase::done));
        QCOMPARE(itemLabels(model.sections()), QStringList{u"Second/fixed"_qs});
        QVERIFY(model.summary().isEmpty());  // the summary flag starts closed again
        QTRY_VERIFY(ScriptedEngine::isGone(ScriptedEngine::readPid(pidFile)));
    }
};

QTEST_GUILESS_MAIN(OptimizeModelTest)
#include "tst_optimize_model.moc"
