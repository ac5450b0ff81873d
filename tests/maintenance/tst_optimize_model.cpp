#include <QSignalSpy>
#include <QTest>

#include "support/RealEngine.h"
#include "support/ScriptedEngine.h"
#include "support/SignalLog.h"
#include "engine/Engine.h"
#include "maintenance/OptimizeModel.h"
#include "support/TestEnvironment.h"

namespace {

bool waitForPhase(OptimizeModel &model, OptimizeModel::Phase phase) {
    return QTest::qWaitFor([&] { return model.phase() == phase; }, 10000);
}

QStringList itemLabels(const QList<ReportSection> &sections) {
    QStringList out;
    for (const ReportSection &s : sections)
        for (const ReportItem &i : s.items) out.append(s.title + u"/"_qs + i.label);
    return out;
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
            << QStringList{u"➤ Caches"_qs,
                           u"→ Font cache · rebuilt"_qs,
                           u"====="_qs,
                           u"  All checks passed  "_qs,
                           u"\t2 fixes available"_qs,
                           u"====="_qs,
                           u"→ After the block"_qs}
            << QStringList{u"Caches/Font cache"_qs, u"Caches/After the block"_qs}
            << QStringList{u"All checks passed"_qs, u"2 fixes available"_qs};
        QTest::newRow("unclosed block takes every later line")
            << QStringList{u"➤ Caches"_qs, u"=========="_qs, u"Summary"_qs, u"→ Not an item"_qs,
                           u"➤ Not a section"_qs}
            << QStringList()
            << QStringList{u"Summary"_qs, u"→ Not an item"_qs, u"➤ Not a section"_qs};
        QTest::newRow("indented rules are no rules")
            << QStringList{u"➤ Links"_qs, u"  ====="_qs, u"⚠ Broken link, 1 KB"_qs, u" ====="_qs}
            << QStringList{u"Links/Broken link"_qs} << QStringList();
        QTest::newRow("two blocks append to one summary")
            << QStringList{u"====="_qs,
                           u"first"_qs,
                           u"====="_qs,
                           u"➤ Fonts"_qs,
                           u"✓ Nothing to clean"_qs,
                           u"=====  "_qs,
                           u"second"_qs,
                           u"====="_qs}
            << QStringList{u"Fonts/Nothing to clean"_qs} << QStringList{u"first"_qs, u"second"_qs};
        QTest::newRow("four equals signs are text") << QStringList{u"➤ A"_qs, u"===="_qs, u"→ x"_qs}
                                                    << QStringList{u"A/x"_qs} << QStringList();
    }
    void summaryBlocks() {
        QFETCH(QStringList, output);
        QFETCH(QStringList, items);
        QFETCH(QStringList, summary);
        TestEnvironment env;
        env.installEngineInResources(ScriptedEngine::printLines(output));
        OptimizeModel model;
        model.run(true);
        QCOMPARE(model.phase(), OptimizeModel::Phase::checking);
        QVERIFY(waitForPhase(model, OptimizeModel::Phase::ready));
        QCOMPARE(itemLabels(model.sections()), items);
        QCOMPARE(model.summary(), summary);
    }

    void checkThenApplyRunTheRightCommands() {
        TestEnvironment env;
        env.installEngineInResources(
            u"echo '➤ Args'; echo \"→ $*\"; echo =====; echo \"ran $*\"; echo =====\n"_qs);
        OptimizeModel model;
        SignalLog log(&model);
        model.run(true);
        QVERIFY(waitForPhase(model, OptimizeModel::Phase::ready));
        QCOMPARE(itemLabels(model.sections()), QStringList{u"Args/optimize --dry-run"_qs});
        QCOMPARE(log.take(),
                 (QStringList{u"phaseChanged"_qs, u"sectionsChanged"_qs, u"sectionsChanged"_qs,
                              u"summaryChanged"_qs, u"phaseChanged"_qs}));

        // The apply run clears the check's report before its own arrives.
        model.run(false);
        QCOMPARE(log.take(),
                 (QStringList{u"sectionsChanged"_qs, u"summaryChanged"_qs, u"phaseChanged"_qs}));
        QCOMPARE(model.phase(), OptimizeModel::Phase::running);
        QVERIFY(model.sections().isEmpty());
        QVERIFY(model.summary().isEmpty());
        QVERIFY(waitForPhase(model, OptimizeModel::Phase::done));
        QCOMPARE(itemLabels(model.sections()), QStringList{u"Args/optimize"_qs});
        QCOMPARE(model.summary(), QStringList{u"ran optimize"_qs});
    }

    void failureBecomesTheOnlySummaryLine_data() {
        QTest::addColumn<bool>("dryRun");
        QTest::addColumn<OptimizeModel::Phase>("after");
        QTest::newRow("check") << true << OptimizeModel::Phase::ready;
        QTest::newRow("apply") << false << OptimizeModel::Phase::done;
    }
    void failureBecomesTheOnlySummaryLine() {
        QFETCH(bool, dryRun);
        QFETCH(OptimizeModel::Phase, after);
        TestEnvironment env;
        OptimizeModel model;
        model.run(dryRun);
        QVERIFY(waitForPhase(model, after));
        QCOMPARE(model.summary(), QStringList{QString::fromUtf8(EngineError::notInstalled)});
        QVERIFY(model.sections().isEmpty());
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

    void checkWithTheRealEngine() {
        TestEnvironment env;
        env.installRealEngine();
        if (!RealEngine::offers(u"optimize"_qs))
            QSKIP("the bundled engine has no optimize command yet");
        OptimizeModel model;
        model.run(true);  // the check only, in the temporary home
        QVERIFY(
            QTest::qWaitFor([&] { return model.phase() == OptimizeModel::Phase::ready; }, 60000));
        QVERIFY(!model.sections().isEmpty());
        QVERIFY(!model.summary().contains(QString::fromUtf8(EngineError::notInstalled)));
    }
};

QTEST_GUILESS_MAIN(OptimizeModelTest)
#include "tst_optimize_model.moc"
