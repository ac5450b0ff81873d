#include <QLabel>
#include <QTest>

#include "engine/Engine.h"
#include "maintenance/OptimizeModel.h"
#include "maintenance/ui/CheckReport.h"
#include "maintenance/ui/OptimizeView.h"
#include "support/PaneScene.h"
#include "support/RealInput.h"
#include "support/SignalLog.h"
#include "support/ViewProbe.h"

namespace {

using Phase = OptimizeModel::Phase;
using namespace ViewProbe;

const char *const kCheck =
    "➤ Caches\n  ✓ Font cache · fresh\n  ⚠ Icon cache · stale\n  ⚠ Desktop database\n"
    "➤ Services\n  ✓ User services · all running\n"
    "=====\n  Checked 2 areas, 2 need attention\n=====";
const char *const kApply = "➤ Caches\n  ✓ Icon cache · rebuilt\n=====\nApplied 2 fixes\n=====";

// What the pane shows, read as "actions || strip || content". The content
// is the report line by line (a header with its icon, lines that need
// attention marked), the invitation's or a failure's title and message, or
// nothing.
QString shown(const OptimizeView &view) {
    QWidget *content = view.content();
    QStringList lines;
    if (content && content != view.report()) {
        const QList<QLabel *> labels = content->findChildren<QLabel *>();
        lines << labels.first()->text() << labels.last()->text();
    }
    for (const CheckReport::Line &l :
         content == view.report() ? view.report()->lines() : QList<CheckReport::Line>())
        lines.append((l.kind == CheckReport::Line::header ? l.icon + u' ' : QString()) + l.text +
                     (l.color == Color::amber ? u" (amber)"_qs : QString()));
    return shownActions(view).join(u", "_qs) + u" || "_qs + strip(view).join(u", "_qs) +
           u" || "_qs + lines.join(u" | "_qs);
}

struct Scene : PaneScene<OptimizeModel, OptimizeView> {
    using PaneScene::PaneScene;
    bool reach(Phase phase) {
        return until([&] { return model.phase() == phase; });
    }
};

}  // namespace

class MaintenanceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ScreenShots::loadLook(); }

    // What each phase shows (actions || strip || content), and whether
    // Ctrl+R starts a check. A run ends with its report or its failure, which
    // reads as an error, never "Healthy", and which the next run clears.
    void eachPhaseShowsItsScreen_data() {
        QTest::addColumn<int>("runs");        // a check, then the fixes
        QTest::addColumn<QString>("ending");  // of the last run; "missing": no engine
        QTest::addColumn<QString>("screen");
        // Set: the last run is held before its closing line, then replaced by
        // a new run (the other kind), which shows this.
        QTest::addColumn<QString>("then");
        QTest::addColumn<bool>("keyChecks");
        const QString checked =
            u"Checks: 4, Attention: 2, Result: %1 || warning Caches | "
            "Font cache · fresh | Icon cache · stale (amber) | "
            "Desktop database (amber) | check-circle Services | "
            "User services · all running | %1"_qs;
        const QString fixed =
            u"Checks: 1, Attention: 0, Result: %1 || check-circle Caches | "
            "Icon cache · rebuilt | %1"_qs;
        const QString summary = u"Checked 2 areas, 2 need attention"_qs;
        const QString applied = u"Applied 2 fixes"_qs;
        const QString missing = QString::fromUtf8(EngineError::notInstalled);
        const QString crash = u"The cleaning engine stopped unexpectedly (Segmentation fault)."_qs;
        const QString refusal = u"HOME is not set; refusing to delete anything"_qs;
        const QString ready =
            u"Recheck, Apply Fixes || Status: Needs Attention, "_qs + checked.arg(summary);
        const QString done = u"Check Again || Status: Complete, "_qs + fixed.arg(applied);
        QTest::newRow("idle")
            << 0 << QString()
            << u"Run Check || Status: Not Checked, Checks: 0, Attention: 0, Result: \u2014 || "
               "Run a Health Check | Checks first and changes nothing. "
               "You decide whether to apply the fixes."_qs
            << QString() << true;
        QTest::newRow("checking") << 1 << QString()
                                  << u"Checking… || Status: Checking, "_qs + checked.arg(summary)
                                  << done << false;
        QTest::newRow("ready") << 1 << QString() << ready << QString() << false;
        QTest::newRow("running") << 2 << QString()
                                 << u"Applying… || Status: Applying, "_qs + fixed.arg(applied)
                                 << ready << false;
        QTest::newRow("done") << 2 << QString() << done << QString() << true;
        QTest::newRow("check, engine missing")
            << 1 << u"missing"_qs
            << u"Recheck, Apply Fixes || Status: Error, Checks: 0, Attention: 0, Result: %1 || "
               "The Check Didn't Finish | %1"_qs.arg(missing)
            << QString() << false;
        QTest::newRow("check, engine crashed")
            << 1 << u"kill -SEGV $$"_qs
            << u"Recheck, Apply Fixes || Status: Error, "_qs + checked.arg(crash) << QString()
            << false;
        QTest::newRow("fixes refused")
            << 2 << u"echo 'mole optimize: "_qs + refusal + u"' >&2; exit 1"_qs
            << u"Check Again || Status: Error, "_qs + fixed.arg(refusal) << QString() << true;
    }
    void eachPhaseShowsItsScreen() {
        QFETCH(int, runs);
        QFETCH(QString, ending);
        QFETCH(QString, screen);
        QFETCH(QString, then);
        QFETCH(bool, keyChecks);
        const bool held = !then.isEmpty();
        Scene s;
        if (runs > 0) {  // a failed run first, whose failure the next run must clear
            s.model.run(true);
            QVERIFY(s.reach(Phase::ready) && !s.model.failed().isEmpty());
        }
        const QString pidFile = s.env.home() + u"/held.pid"_qs;
        const auto part = [&](int run, const char *text) {
            QStringList lines = QString::fromUtf8(text).split(u'\n');
            const QString last = lines.takeLast();
            const bool holds = held && run == runs;
            return (holds ? ScriptedEngine::recordPid(pidFile) : QString()) +
                   ScriptedEngine::printLines(lines) +
                   (holds ? ScriptedEngine::gate(u"go"_qs) : QString()) +
                   ScriptedEngine::printLines({last}) + (run == runs ? ending : QString()) +
                   u"\n"_qs;
        };
        if (ending != u"missing"_qs)
            s.env.installEngineInResources(
                u"ulimit -c 0\n"_qs +
                ScriptedEngine::dryRunOrRun(u"optimize"_qs, part(1, kCheck), part(2, kApply)));
        SignalLog log(&s.model);
        for (int run = 1; run <= runs; ++run) {
            s.model.run(run == 1);
            if (run == 1)
                QCOMPARE(log.take(), SignalLog::once("summary failed phase"));
            if (held && run == runs)  // held before its closing line, the summary open
                QVERIFY(s.until([&] { return !s.model.summary().isEmpty(); }));
            else
                QVERIFY(s.reach(run == 1 ? Phase::ready : Phase::done));
        }
        QCOMPARE(log.take().value(u"failedChanged"_qs), ending.isEmpty() ? 0 : 1);
        QCOMPARE(shown(s.view), screen);

        log.take();
        QVERIFY(RealInput::key(&s.view, Qt::Key_R, Qt::ControlModifier));
        if (keyChecks)
            QVERIFY(s.reach(Phase::ready));
        else
            QTest::qWait(100);
        QCOMPARE(log.take().contains(u"phaseChanged"_qs), keyChecks);
        if (held) {  // a new run stops the one streaming, and shows only its own report
            s.model.run(runs == 2);
            QVERIFY(s.reach(runs == 2 ? Phase::ready : Phase::done));
            QCOMPARE(shown(s.view), then);
            QTRY_VERIFY(ScriptedEngine::isGone(ScriptedEngine::readPid(pidFile)));
        }
    }
};

QTEST_MAIN(MaintenanceTest)
#include "tst_maintenance.moc"
