#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTest>

#include "engine/Engine.h"
#include "maintenance/CheckReport.h"
#include "maintenance/OptimizeModel.h"
#include "maintenance/OptimizeView.h"
#include "support/AppFixture.h"
#include "support/PaneScene.h"
#include "support/ScreenShots.h"
#include "support/ScriptedEngine.h"
#include "support/TestEnvironment.h"
#include "support/ViewProbe.h"
#include "theme/controls/Empty.h"
#include "theme/controls/RollingText.h"

namespace {

using Phase = OptimizeModel::Phase;

const char *const kCheck =
    "➤ Caches\n"
    "  ✓ Font cache · fresh\n"
    "  ⚠ Icon cache · stale\n"
    "  ⚠ Desktop database\n"
    "➤ Services\n"
    "  ✓ User services · all running\n"
    "=====\n"
    "  Checked 2 areas, 2 need attention\n"
    "=====";

const char *const kApply =
    "➤ Caches\n"
    "  ✓ Icon cache · rebuilt\n"
    "=====\n"
    "Applied 2 fixes\n"
    "=====";

using ScriptedEngine::gate;
using ScriptedEngine::printText;
using namespace ViewProbe;

QString engine(const QString &check, const QString &apply) {
    return ScriptedEngine::dryRunOrRun(u"optimize"_qs, check, apply);
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

class OptimizeViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ScreenShots::loadLook(); }

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

    void sectionsWithNotesWarn() {
        Scene s(engine(printText(kCheck), printText(kApply)));
        s.model.run(true);
        QVERIFY(s.reach(Phase::ready));
        QStringList headers, items;
        for (const CheckReport::Line &l : s.view.report()->lines()) {
            if (l.kind == CheckReport::Line::header)
                headers.append(l.icon + u' ' + l.text);
            else if (l.kind == CheckReport::Line::item)
                items.append(l.text + (l.color == Color::amber ? u" (amber)"_qs : QString()));
        }
        QCOMPARE(headers, (QStringList{u"warning Caches"_qs, u"check-circle Services"_qs}));
        QCOMPARE(items,
                 (QStringList{u"Font cache · fresh"_qs, u"Icon cache · stale (amber)"_qs,
                              u"Desktop database (amber)"_qs, u"User services · all running"_qs}));
        auto *attention = qobject_cast<RollingText *>(s.view.strip()->cell(2)->value());
        QVERIFY(attention);
        QCOMPARE(attention->color(), Color::amber);
        s.model.run(false);
        QVERIFY(s.reach(Phase::done));
        QCOMPARE(attention->color(), Color::gray1000);
    }

    // A run that failed is no health report: it reads as an error, never "Healthy".
    void aFailedRunIsShownAsAFailure_data() {
        QTest::addColumn<bool>("dryRun");
        QTest::addColumn<QString>("title");
        QTest::newRow("check") << true << u"The Check Didn't Finish"_qs;
        QTest::newRow("apply") << false << u"The Fixes Didn't Finish"_qs;
    }
    void aFailedRunIsShownAsAFailure() {
        QFETCH(bool, dryRun);
        QFETCH(QString, title);
        Scene s;  // no engine anywhere
        s.model.run(dryRun);
        QVERIFY(s.reach(dryRun ? Phase::ready : Phase::done));
        const QString missing = QString::fromUtf8(EngineError::notInstalled);
        QCOMPARE(::strip(s.view), (QStringList{u"Status: Error"_qs, u"Checks: 0"_qs,
                                               u"Attention: 0"_qs, u"Result: "_qs + missing}));
        QCOMPARE(::content(s.view), title);
        QCOMPARE(s.view.content()->findChildren<QLabel *>().last()->text(), missing);
        if (dryRun)
            QVERIFY(ScreenShots::shoot(&s.view, u"optimize-failed"_qs));
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
        QVERIFY(OptimizeView::attention(*model) >= 0);
        QVERIFY(model->failed().isEmpty());
        QStringList items;
        for (const CheckReport::Line &l : view->report()->lines()) items << l.text;
        QVERIFY2(!items.filter(u"Remove the launcher Gone App"_qs).isEmpty(),
                 qPrintable(items.join(u'\n')));
        QCOMPARE(::strip(*view).last(), u"Result: "_qs + model->summary().value(0));

        QTest::mouseClick(visibleButton(*view, u"Apply Fixes"_qs), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return model->phase() == Phase::done; }, 60000));
        QCoreApplication::processEvents();
        QVERIFY(!QFile::exists(launcher));
        QVERIFY(!QFileInfo(home + u"/.local/bin/dangling"_qs).isSymLink());
        QVERIFY(QFileInfo(home + u"/.local/bin/fine"_qs).isSymLink());
        QCOMPARE(::strip(*view).first(), u"Status: Complete"_qs);
        QCOMPARE(shownActions(*view), QStringList{u"Check Again"_qs});
    }
};

QTEST_MAIN(OptimizeViewTest)
#include "tst_optimize_view.moc"
