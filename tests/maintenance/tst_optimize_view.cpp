#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTest>

#include "app/MainWindow.h"
#include "app/RootView.h"
#include "engine/Engine.h"
#include "platform/UserDefaults.h"
#include "support/AppFixture.h"
#include "support/RealEngine.h"
#include "maintenance/CheckReport.h"
#include "maintenance/OptimizeModel.h"
#include "maintenance/OptimizeView.h"
#include "support/ScreenShots.h"
#include "support/ScriptedEngine.h"
#include "support/TestEnvironment.h"
#include "theme/controls/Empty.h"
#include "theme/controls/PhaseActions.h"
#include "theme/controls/RollingText.h"
#include "theme/controls/SummaryStrip.h"

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

QString prints(const char *text) {
    return ScriptedEngine::printLines(QString::fromUtf8(text).split(u'\n'));
}

QString gate(const QString &name) {
    return u"while [ ! -e \"$HOME/"_qs + name + u"\" ]; do sleep 0.02; done\n"_qs;
}

QString engine(const QString &check, const QString &apply) {
    return u"case \"$*\" in\n'optimize --dry-run') "_qs + check + u" ;;\noptimize) "_qs + apply +
           u" ;;\nesac\n"_qs;
}

QStringList shownActions(const OptimizeView &view) {
    QStringList out;
    for (const GButton *b : view.actions()->findChildren<GButton *>())
        if (!b->isHidden())
            out.append(b->title());
    return out;
}

GButton *visibleButton(const OptimizeView &view, const QString &title) {
    for (GButton *b : view.actions()->findChildren<GButton *>())
        if (!b->isHidden() && b->title() == title)
            return b;
    return nullptr;
}

QStringList strip(const OptimizeView &view) {
    QStringList out;
    for (int i = 0; i < view.strip()->count(); ++i) {
        const StripCell *cell = view.strip()->cell(i);
        out.append(cell->caption() + u": "_qs + cell->value()->accessibleName());
    }
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

struct Scene {
    TestEnvironment env;
    OptimizeModel model;
    OptimizeView view{&model};

    explicit Scene(const QString &script = {}) {
        if (!script.isEmpty())
            env.installEngineInResources(script);
        ScreenShots::present(&view);
        QApplication::setActiveWindow(&view);
    }
    void open(const QString &name) const {
        QFile f(env.home() + u'/' + name);
        f.open(QIODevice::WriteOnly);
    }
    bool reach(Phase phase) {
        if (!QTest::qWaitFor([&] { return model.phase() == phase; }, 10000))
            return false;
        QCoreApplication::processEvents();
        return true;
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
        QTest::newRow("idle") << Phase::idle << QStringList{u"Run Check"_qs}
                              << QStringList{u"Status: Not Checked"_qs, u"Checks: 0"_qs,
                                             u"Attention: 0"_qs, u"Result: \u2014"_qs}
                              << u"Run a Health Check"_qs;
        QTest::newRow("checking") << Phase::checking << QStringList{u"Checking…"_qs}
                                  << QStringList{u"Status: Checking"_qs, u"Checks: 0"_qs,
                                                 u"Attention: 0"_qs, u"Result: \u2014"_qs}
                                  << QString();
        QTest::newRow("ready")
            << Phase::ready << QStringList{u"Recheck"_qs, u"Apply Fixes"_qs}
            << QStringList{u"Status: Needs Attention"_qs, u"Checks: 4"_qs, u"Attention: 2"_qs,
                           u"Result: Checked 2 areas, 2 need attention"_qs}
            << u"report"_qs;
        QTest::newRow("running") << Phase::running << QStringList{u"Applying…"_qs}
                                 << QStringList{u"Status: Applying"_qs, u"Checks: 0"_qs,
                                                u"Attention: 0"_qs, u"Result: \u2014"_qs}
                                 << QString();
        QTest::newRow("done") << Phase::done << QStringList{u"Check Again"_qs}
                              << QStringList{u"Status: Complete"_qs, u"Checks: 1"_qs,
                                             u"Attention: 0"_qs, u"Result: Applied 2 fixes"_qs}
                              << u"report"_qs;
    }
    void phasesShowTheirActionsStripAndContent() {
        QFETCH(Phase, phase);
        QFETCH(QStringList, actions);
        QFETCH(QStringList, strip);
        QFETCH(QString, content);
        const bool holdCheck = phase == Phase::checking, holdApply = phase == Phase::running;
        Scene s(engine((holdCheck ? gate(u"go"_qs) : QString()) + prints(kCheck),
                       (holdApply ? gate(u"go"_qs) : QString()) + prints(kApply)));
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
        QVERIFY(ScreenShots::shoot(&s.view, u"optimize-"_qs + QString::fromLatin1(QTest::currentDataTag())));
        s.open(u"go"_qs);
        QVERIFY(QTest::qWaitFor([&] { return s.model.phase() != Phase::checking &&
                                             s.model.phase() != Phase::running; }, 10000));
    }

    void sectionsWithNotesWarn() {
        Scene s(engine(prints(kCheck), prints(kApply)));
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
        QCOMPARE(items, (QStringList{u"Font cache · fresh"_qs, u"Icon cache · stale (amber)"_qs,
                                     u"Desktop database (amber)"_qs,
                                     u"User services · all running"_qs}));
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

    void commandRChecksOnlyWhenIdleOrDone_data() {
        QTest::addColumn<Phase>("phase");
        QTest::addColumn<bool>("checks");
        QTest::newRow("idle") << Phase::idle << true;
        QTest::newRow("checking") << Phase::checking << false;
        QTest::newRow("ready") << Phase::ready << false;
        QTest::newRow("running") << Phase::running << false;
        QTest::newRow("done") << Phase::done << true;
    }
    void commandRChecksOnlyWhenIdleOrDone() {
        QFETCH(Phase, phase);
        QFETCH(bool, checks);
        // Every run is counted; held runs wait for "go".
        const QString count = u"echo x >> \"$HOME/runs\"\n"_qs;
        Scene s(engine(count + (phase == Phase::checking ? gate(u"go"_qs) : QString()) + prints(kCheck),
                       count + (phase == Phase::running ? gate(u"go"_qs) : QString()) + prints(kApply)));
        if (phase != Phase::idle) {
            s.model.run(true);
            QVERIFY(s.reach(phase == Phase::checking ? phase : Phase::ready));
        }
        if (phase == Phase::running || phase == Phase::done) {
            s.model.run(false);
            QVERIFY(s.reach(phase));
        }
        const auto runs = [&] {
            QFile f(s.env.home() + u"/runs"_qs);
            return f.open(QIODevice::ReadOnly) ? f.readAll().count('\n') : 0;
        };
        QTRY_COMPARE(runs(), int(phase == Phase::idle ? 0 : phase <= Phase::ready ? 1 : 2));
        const int before = runs();
        QVERIFY(QTest::qWaitForWindowActive(&s.view));
        QTest::keyClick(&s.view, Qt::Key_R, Qt::ControlModifier);
        if (checks) {
            QTRY_COMPARE(runs(), before + 1);
            QVERIFY(s.reach(Phase::ready));
        } else {
            QTest::qWait(100);
            QCOMPARE(s.model.phase(), phase);
        }
        s.open(u"go"_qs);
    }

    void itemLinesLeaveOutEmptyParts_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("text");
        QTest::newRow("both") << u"Icon cache"_qs << u"stale"_qs << u"Icon cache · stale"_qs;
        QTest::newRow("no detail") << u"Icon cache"_qs << QString() << u"Icon cache"_qs;
        QTest::newRow("no label") << QString() << u"stale"_qs << u"stale"_qs;
    }
    void itemLinesLeaveOutEmptyParts() {
        QFETCH(QString, label);
        QFETCH(QString, detail);
        QFETCH(QString, text);
        ReportItem item;
        item.label = label;
        item.detail = detail;
        QCOMPARE(CheckReport::itemText(item), text);
    }

    // The whole window over the real engine in a temporary home: a broken
    // launcher and a dangling link are found by the check and fixed by the
    // apply run, by clicks; a good link stays.
    void checkAndApplyWithTheRealEngine() {
        AppFixture app;
        app.env().installRealEngine();
        if (!RealEngine::offers(u"optimize"_qs))
            QSKIP("the bundled engine has no optimize command yet");
        const QString home = app.env().home();
        const QString launcher = home + u"/.local/share/applications/gone.desktop"_qs;
        QDir().mkpath(QFileInfo(launcher).path());
        QFile entry(launcher);
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Gone App\nExec=/nonexistent/gone %U\n");
        entry.close();
        QDir().mkpath(home + u"/.local/bin"_qs);
        QVERIFY(QFile::link(u"/nonexistent/tool"_qs, home + u"/.local/bin/dangling"_qs));
        QVERIFY(QFile::link(u"/bin/sh"_qs, home + u"/.local/bin/fine"_qs));

        UserDefaults::setFlag(UserDefaults::setupDone, true);
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.root()->setPane(Pane::optimize);
        auto *view = qobject_cast<OptimizeView *>(window.root()->contentWidget());
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
