#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTest>

#include "engine/Engine.h"
#include "maintenance/OptimizeModel.h"
#include "maintenance/ui/CheckReport.h"
#include "maintenance/ui/OptimizeView.h"
#include "support/AppFixture.h"
#include "support/PaneScene.h"
#include "support/ScreenShots.h"
#include "support/ScriptedEngine.h"
#include "support/SignalLog.h"
#include "support/TestEnvironment.h"
#include "support/ViewProbe.h"
#include "theme/controls/Empty.h"
#include "theme/controls/RollingText.h"

namespace {

using Phase = OptimizeModel::Phase;
using ScriptedEngine::gate;
using ScriptedEngine::printText;
using namespace ViewProbe;

const char *const kCheck =
    "➤ Caches\n  ✓ Font cache · fresh\n  ⚠ Icon cache · stale\n  ⚠ Desktop database\n"
    "➤ Services\n  ✓ User services · all running\n"
    "=====\n  Checked 2 areas, 2 need attention\n=====";
const char *const kApply = "➤ Caches\n  ✓ Icon cache · rebuilt\n=====\nApplied 2 fixes\n=====";

QString engine(const QString &check, const QString &apply) {
    return ScriptedEngine::dryRunOrRun(u"optimize"_qs, check, apply);
}

// Every item as "section/label".
QStringList itemLabels(const QList<ReportSection> &sections) {
    QStringList out;
    for (const ReportSection &s : sections)
        for (const ReportItem &i : s.items) out.append(s.title + u"/"_qs + i.label);
    return out;
}

// The title of the block shown under the strip: the invitation, a failure,
// "report", or nothing.
QString content(const OptimizeView &view) {
    QWidget *shown = view.content();
    if (!shown)
        return {};
    if (shown == view.report())
        return u"report"_qs;
    return shown->findChildren<QLabel *>().first()->text();
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

    // A run ends with its report (its summary read through the engine's
    // reader) or its failure, which the next run clears; a failure reads as
    // an error, never "Healthy".
    void runEndsWithItsReportOrItsFailure_data() {
        QTest::addColumn<bool>("dryRun");
        QTest::addColumn<QString>("ending");  // "missing" removes the engine
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("failed");
        QTest::addColumn<QString>("block");  // under the strip: what was reported, or the failure
        const QString missing = QString::fromUtf8(EngineError::notInstalled);
        const QString crash = u"The cleaning engine stopped unexpectedly (Segmentation fault)."_qs;
        const QString refusal = u"HOME is not set; refusing to delete anything"_qs;
        QTest::newRow("check") << true << QString() << QStringList{u"Args/optimize --dry-run"_qs}
                               << QString() << u"report"_qs;
        QTest::newRow("apply") << false << QString() << QStringList{u"Args/optimize"_qs}
                               << QString() << u"report"_qs;
        QTest::newRow("check, engine missing")
            << true << u"missing"_qs << QStringList() << missing << u"The Check Didn't Finish"_qs;
        QTest::newRow("check, engine crashed")
            << true << u"kill -SEGV $$"_qs << QStringList{u"Args/optimize --dry-run"_qs} << crash
            << u"report"_qs;
        QTest::newRow("apply, engine refused")
            << false << u"echo 'mole optimize: "_qs + refusal + u"' >&2; exit 1"_qs
            << QStringList{u"Args/optimize"_qs} << refusal << u"report"_qs;
    }
    void runEndsWithItsReportOrItsFailure() {
        QFETCH(bool, dryRun);
        QFETCH(QString, ending);
        QFETCH(QStringList, items);
        QFETCH(QString, failed);
        QFETCH(QString, block);
        Scene s;
        s.model.run(true);  // a failed run first, whose failure the next run must clear
        QVERIFY(s.reach(Phase::ready));
        QVERIFY(!s.model.failed().isEmpty());

        if (ending != u"missing"_qs)
            s.env.installEngineInResources(
                u"ulimit -c 0; echo '➤ Args'; echo \"→ $*\"; echo =====; echo \"ran $*\"; "
                u"echo =====; "_qs +
                ending + u"\n"_qs);
        SignalLog log(&s.model);
        s.model.run(dryRun);
        QCOMPARE(s.model.phase(), dryRun ? Phase::checking : Phase::running);
        QVERIFY(s.model.summary().isEmpty() && s.model.failed().isEmpty());
        QCOMPARE(log.take(), SignalLog::once("summary failed phase"));
        QVERIFY(s.reach(dryRun ? Phase::ready : Phase::done));
        QCOMPARE(itemLabels(s.model.sections()), items);
        const QString summary = u"ran "_qs + (dryRun ? u"optimize --dry-run"_qs : u"optimize"_qs);
        QCOMPARE(s.model.summary(), QStringList{failed.isEmpty() ? summary : failed});
        QCOMPARE(s.model.failed(), failed);
        QCOMPARE(log.take().value(u"failedChanged"_qs), failed.isEmpty() ? 0 : 1);
        QCOMPARE(::content(s.view), block);
        if (!failed.isEmpty())
            QCOMPARE(::strip(s.view).first(), u"Status: Error"_qs);
        if (block != u"report"_qs)
            QCOMPARE(s.view.content()->findChildren<QLabel *>().last()->text(), failed);
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
        QVERIFY(QTest::qWaitFor([&] { return model.phase() == Phase::done; }, 10000));
        QCOMPARE(itemLabels(model.sections()), QStringList{u"Second/fixed"_qs});
        QVERIFY(model.summary().isEmpty());  // the summary flag starts closed again
        QTRY_VERIFY(ScriptedEngine::isGone(ScriptedEngine::readPid(pidFile)));
    }

    void phasesShowTheirActionsStripAndContent_data() {
        QTest::addColumn<Phase>("phase");
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QStringList>("strip");
        QTest::addColumn<QString>("content");
        QTest::addColumn<bool>("keyChecks");  // Ctrl+R starts a check
        QTest::newRow("idle") << Phase::idle << QStringList{u"Run Check"_qs}
                              << QStringList{u"Status: Not Checked"_qs, u"Checks: 0"_qs,
                                             u"Attention: 0"_qs, u"Result: \u2014"_qs}
                              << u"Run a Health Check"_qs << true;
        QTest::newRow("checking") << Phase::checking << QStringList{u"Checking…"_qs}
                                  << QStringList{u"Status: Checking"_qs, u"Checks: 0"_qs,
                                                 u"Attention: 0"_qs, u"Result: \u2014"_qs}
                                  << QString() << false;
        QTest::newRow("ready") << Phase::ready << QStringList{u"Recheck"_qs, u"Apply Fixes"_qs}
                               << QStringList{u"Status: Needs Attention"_qs, u"Checks: 4"_qs,
                                              u"Attention: 2"_qs,
                                              u"Result: Checked 2 areas, 2 need attention"_qs}
                               << u"report"_qs << false;
        QTest::newRow("running") << Phase::running << QStringList{u"Applying…"_qs}
                                 << QStringList{u"Status: Applying"_qs, u"Checks: 0"_qs,
                                                u"Attention: 0"_qs, u"Result: \u2014"_qs}
                                 << QString() << false;
        QTest::newRow("done") << Phase::done << QStringList{u"Check Again"_qs}
                              << QStringList{u"Status: Complete"_qs, u"Checks: 1"_qs,
                                             u"Attention: 0"_qs, u"Result: Applied 2 fixes"_qs}
                              << u"report"_qs << true;
    }
    void phasesShowTheirActionsStripAndContent() {
        QFETCH(Phase, phase);
        QFETCH(QStringList, actions);
        QFETCH(QStringList, strip);
        QFETCH(QString, content);
        QFETCH(bool, keyChecks);
        // Every run is counted; held runs wait for "go".
        const QString count = u"echo x >> \"$HOME/runs\"\n"_qs;
        const bool holdCheck = phase == Phase::checking, holdApply = phase == Phase::running;
        Scene s(engine(count + (holdCheck ? gate(u"go"_qs) : QString()) + printText(kCheck),
                       count + (holdApply ? gate(u"go"_qs) : QString()) + printText(kApply)));
        if (phase != Phase::idle) {
            s.model.run(true);
            QVERIFY(s.reach(holdCheck ? Phase::checking : Phase::ready));
        }
        if (phase == Phase::running || phase == Phase::done) {
            s.model.run(false);
            QVERIFY(s.reach(phase));
        }
        QCOMPARE(shownActions(s.view), actions);
        QCOMPARE(::strip(s.view), strip);
        QCOMPARE(::content(s.view), content);
        if (phase == Phase::ready) {  // a section with notes warns, in its header and lines
            QStringList lines;
            for (const CheckReport::Line &l : s.view.report()->lines())
                if (l.kind == CheckReport::Line::header || l.kind == CheckReport::Line::item)
                    lines.append((l.kind == CheckReport::Line::header ? l.icon + u' ' : QString()) +
                                 l.text + (l.color == Color::amber ? u" (amber)"_qs : QString()));
            QCOMPARE(lines,
                     (QStringList{u"warning Caches"_qs, u"Font cache · fresh"_qs,
                                  u"Icon cache · stale (amber)"_qs, u"Desktop database (amber)"_qs,
                                  u"check-circle Services"_qs, u"User services · all running"_qs}));
        }
        auto *attention = qobject_cast<RollingText *>(s.view.strip()->cell(2)->value());
        QCOMPARE(attention->color(), phase == Phase::ready ? Color::amber : Color::gray1000);
        QVERIFY(ScreenShots::shoot(&s.view,
                                   u"optimize-"_qs + QString::fromLatin1(QTest::currentDataTag())));

        const auto runs = [&] {
            return int(TestEnvironment::readFile(s.env.home() + u"/runs"_qs).count('\n'));
        };
        QTRY_COMPARE(runs(), phase == Phase::idle ? 0 : phase <= Phase::ready ? 1 : 2);
        const int before = runs();
        QVERIFY(QTest::qWaitForWindowActive(&s.view));
        QTest::keyClick(&s.view, Qt::Key_R, Qt::ControlModifier);
        if (keyChecks) {
            QTRY_COMPARE(runs(), before + 1);
            QVERIFY(s.reach(Phase::ready));
        } else {
            QTest::qWait(100);
            QCOMPARE(s.model.phase(), phase);
        }
        s.open(u"go"_qs);
        QVERIFY(QTest::qWaitFor(
            [&] { return s.model.phase() != Phase::checking && s.model.phase() != Phase::running; },
            10000));
    }

    // The whole window over the real engine in a temporary home: a broken
    // launcher and a dangling link are found by the check and fixed by the
    // apply run, by clicks; a good link stays.
    void checkAndApplyWithTheRealEngine() {
        AppFixture app;
        app.env().installRealEngine();
        const QString home = app.env().home();
        const QString launcher = home + u"/.local/share/applications/gone.desktop"_qs;
        QVERIFY(TestEnvironment::writeFile(
            launcher,
            "[Desktop Entry]\nType=Application\nName=Gone App\nExec=/nonexistent/gone %U\n"));
        QDir().mkpath(home + u"/.local/bin"_qs);
        QVERIFY(QFile::link(u"/nonexistent/tool"_qs, home + u"/.local/bin/dangling"_qs));
        QVERIFY(QFile::link(u"/bin/sh"_qs, home + u"/.local/bin/fine"_qs));
        MainWindow window;
        auto *view = openPane<OptimizeView>(window, Pane::optimize);
        QVERIFY(view);
        OptimizeModel *model = window.root()->optimize();

        QTest::mouseClick(visibleButton(*view, u"Run Check"_qs), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return model->phase() == Phase::ready; }, 60000));
        QCoreApplication::processEvents();
        QVERIFY(QFile::exists(launcher));
        QVERIFY(model->failed().isEmpty());
        QStringList items;
        for (const CheckReport::Line &l : view->report()->lines()) items << l.text;
        QVERIFY2(!items.filter(u"Remove the launcher Gone App"_qs).isEmpty(),
                 qPrintable(items.join(u'\n')));

        QTest::mouseClick(visibleButton(*view, u"Apply Fixes"_qs), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return model->phase() == Phase::done; }, 60000));
        QVERIFY(!QFile::exists(launcher));
        QVERIFY(!QFileInfo(home + u"/.local/bin/dangling"_qs).isSymLink());
        QVERIFY(QFileInfo(home + u"/.local/bin/fine"_qs).isSymLink());
        QVERIFY(model->failed().isEmpty());
    }
};

QTEST_MAIN(MaintenanceTest)
#include "tst_maintenance.moc"
