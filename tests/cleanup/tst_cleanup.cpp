#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include "cleanup/CleanModel.h"
#include "cleanup/ReportRows.h"
#include "cleanup/ui/BuildLog.h"
#include "cleanup/ui/CleanView.h"
#include "cleanup/ui/ItemRow.h"
#include "cleanup/ui/LogLines.h"
#include "cleanup/ui/ReportTable.h"
#include "engine/Engine.h"
#include "engine/Size.h"
#include "platform/Wording.h"
#include "support/PaneScene.h"
#include "support/RealInput.h"
#include "support/ScreenShots.h"
#include "support/ScriptedEngine.h"
#include "support/SignalLog.h"
#include "support/TestEnvironment.h"
#include "support/TestPaths.h"
#include "support/ViewProbe.h"
#include "theme/controls/ConfirmButton.h"
#include "theme/controls/Empty.h"

namespace {

using Phase = CleanModel::Phase;
using ScriptedEngine::gate;
using ScriptedEngine::printText;
using namespace ViewProbe;

// The report in two parts, so a scan can be held between them.
const char *const kHead = "➤ User caches\n  → Browser cache · 1.2 GB\n  → Thumbnails · 300 MB";
const char *const kTail =
    "➤ Leftovers\n  → Old logs · 20 MB\n  ⊙ Removed app · ~/.config/oldapp, 50 MB\n"
    "➤ Trash\n  ✓ Nothing to clean";
const char *const kCleanLog =
    "➤ User caches\n  ✓ Browser cache · 1.2 GB\n  ⚠ Skipped a locked file\n"
    "  Permission ERROR on one folder\n====================\nSpace freed: 1.52 GB";
const Phase notInstalled = Phase::failure(QString::fromUtf8(EngineError::notInstalled));
constexpr qint64 GB = 1'000'000'000;
enum Hold { kIdle, kFailed, kScanning, kReady, kCleaning, kDone };

QString engine(const QString &dryRun, const QString &clean = {}) {
    return ScriptedEngine::dryRunOrRun(u"clean"_qs, dryRun, clean);
}
bool waitForEnd(CleanModel &model, int timeout = 10000) {
    return QTest::qWaitFor([&] { return !model.isRunning(); }, timeout);
}
QStringList itemsOf(const CleanModel &model, const QString &section) {
    QStringList out;
    for (const ReportSection &s : model.sections())
        if (s.title == section)
            for (const ReportItem &item : s.items)
                out.append(QString(item.label).remove(QChar(0x2060)));
    return out;
}
QMenu *openMenu() {
    QMenu *menu = nullptr;
    const auto shown = [&] { return (menu = qobject_cast<QMenu *>(qApp->activePopupWidget())); };
    return QTest::qWaitFor(shown, 5000) ? menu : nullptr;
}

// The Cleanup pane over a scripted engine (or the real one) in a temporary
// home. The report's rows and the log's rows are checked item models
// throughout; settle() also finds a view that keeps its own rows seeing
// every report row announced.
struct Scene : PaneScene<CleanModel, CleanView> {
    static constexpr auto kQtTest = QAbstractItemModelTester::FailureReportingMode::QtTest;
    QAbstractItemModelTester reportTester{view.report()->rows(), kQtTest};
    QAbstractItemModelTester logTester{view.log()->lines(), kQtTest};
    QSortFilterProxyModel seen;

    explicit Scene(const QString &script = {}) : PaneScene(script) { seen.setSourceModel(rows()); }
    bool reach(Phase::Kind phase) {
        return until([&] { return model.phase().kind == phase; });
    }
    bool settle() {
        const bool ended = waitForEnd(model);
        QCoreApplication::processEvents();
        return ended && seen.rowCount() == rows()->rowCount();
    }
    // The placeholder shown, when it is the one with this title.
    Empty *shows(const QString &title) const {
        auto *block = qobject_cast<Empty *>(view.content());
        return block && visibleTexts(block).contains(title) ? block : nullptr;
    }
    QListView *list() const { return view.report()->list(); }
    ReportRows *rows() const { return view.report()->rows(); }
    int rowOf(const QString &text) const {
        for (int i = 0; i < rows()->rowCount(); ++i)
            if (rows()->index(i).data().toString().remove(QChar(0x2060)) == text)
                return i;
        return -1;
    }
    // A point of the row in the list's viewport, `x` from its left.
    QPoint at(int row, int x) const {
        const QRect rect = list()->visualRect(rows()->index(row));
        return {rect.left() + x, rect.center().y()};
    }
    void openSection(const QString &section) {
        QTRY_VERIFY(rowOf(section) >= 0);  // the table takes the report once per batch
        QVERIFY(RealInput::click(list()->viewport(), at(rowOf(section), 40)));
        QVERIFY(rowOf(section) + 1 < rows()->rowCount());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);  // the list grows
    }
    // A right-click: the press and release through the window, then the
    // context-menu request the window system sends after them.
    void rightClick(int row) {
        list()->scrollTo(rows()->index(row));
        QWidget *viewport = list()->viewport();
        const QPoint local = at(row, 60), inWindow = viewport->mapTo(viewport->window(), local);
        QTRY_COMPARE(viewport->window()->childAt(inWindow), viewport);
        QTest::mouseClick(viewport->window()->windowHandle(), Qt::RightButton, {}, inWindow);
        if (QApplication::activePopupWidget())
            return;
        QContextMenuEvent request(QContextMenuEvent::Mouse, local, viewport->mapToGlobal(local));
        QApplication::sendEvent(viewport, &request);
    }
};

// The failure's text as laid out in its label: the engine's words, then the
// advice on a line of its own, its command set as code, never broken inside.
void checkAdvice(const QLabel *label) {
    QTextDocument shown;
    shown.setDefaultFont(label->font());
    shown.setHtml(label->text());
    shown.setTextWidth(label->contentsRect().width());
    QString plain = shown.toPlainText();
    plain.remove(QChar(0x2060)).replace(QChar::Nbsp, u' ').replace(QChar::LineSeparator, u'\n');
    QCOMPARE(plain, QString::fromUtf8(EngineError::notInstalled) +
                        u"\nTry scanning again; if it keeps failing, run mo clean --dry-run in a "
                        "terminal to see details."_qs);
    QVERIFY(!label->text().contains(u'`'));
    const QTextCursor from = shown.find(u"mo"_qs), to = shown.find(u"run"_qs, from);
    QVERIFY(!from.isNull() && !to.isNull() && from.block() == to.block());
    QVERIFY(shown.size().height() > 0);  // laid out now
    QTextLayout *layout = from.block().layout();
    const QTextLine first = layout->lineForTextPosition(from.positionInBlock());
    QVERIFY(first.isValid() && layout->lineCount() > 1);
    QCOMPARE(layout->lineForTextPosition(to.positionInBlock()).lineNumber(), first.lineNumber());
}

}  // namespace

class CleanupTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        ScreenShots::loadLook();
        Wording::install(QCoreApplication::instance(), TestPaths::builtResources());
    }

    // Stopping a clean ends its engine and counts as done; the report of a
    // stopped scan goes (the Escape key case below).
    void stopEndsTheClean() {
        TestEnvironment env;
        const QString pidFile = env.home() + u"/engine.pid"_qs;
        env.installEngineInResources(engine({}, ScriptedEngine::recordPid(pidFile) +
                                                    printText("➤ Caches\n→ A · 1 GB") +
                                                    u"exec sleep 30\n"_qs));
        CleanModel model;
        model.clean();
        QTRY_COMPARE(model.current(), u"Caches"_qs);
        const qint64 pid = ScriptedEngine::readPid(pidFile);
        SignalLog log(&model, {u"runningChanged"_qs});
        model.stop();
        QCOMPARE(log.take(), SignalLog::once("elapsed phase"));
        QVERIFY(model.phase() == Phase::done && model.elapsed() > 0 && !model.isRunning());
        QTRY_VERIFY(ScriptedEngine::isGone(pid));
        model.stop();  // nothing left to stop
        QCOMPARE(log.take(), SignalLog::Counts());
    }

    // A scan without an engine, or with one that refuses to work (exit 1
    // after its error report), has failed: never "nothing to clean". The
    // model reads a report through the engine's readers: sections without
    // work are left out, notes never count, the marker's item count shows,
    // and a later item brings the running sum back. A clean logs every line
    // but the rule, timed from its start, and keeps the report; the next one
    // starts a fresh log. A refused clean keeps the report, its refusal
    // readable in the log; one that cannot start keeps the last duration.
    void cleanLogsEveryLineButRulesAndFailuresKeepTheReport() {
        TestEnvironment env;
        const QString refusal = u"HOME is not set; refusing to delete anything"_qs;
        CleanModel model;
        const auto ends = [&](void (CleanModel::*start)(), const Phase &phase) {
            (model.*start)();
            QVERIFY(waitForEnd(model));
            QCOMPARE(model.phase(), phase);
        };
        ends(&CleanModel::scan, notInstalled);  // no engine anywhere
        QCOMPARE(model.elapsed(), 0.0);
        env.installRealEngine();
        const QByteArray home = qgetenv("HOME");
        qunsetenv("HOME");
        model.scan();  // a dry run: the real engine, which deletes nothing here
        const bool ended = waitForEnd(model);
        qputenv("HOME", home);
        QVERIFY(ended);
        QCOMPARE(model.phase(), Phase::failure(refusal));
        QVERIFY(model.sections().isEmpty());

        const QString path = env.installEngineInResources(engine(
            printText("Potential space: 5 GB | Items: 42\n➤ Caches\n→ A · 1 GB\n⚠ Big log, 9 GB\n"
                      "→ Tracked cleanup: pending\n➤ Fine\n✓ Nothing to clean\n➤ Trash\n"
                      "→ Trash · 2 GB"),
            printText("➤ Caches\n  → Removed old caches · 1 GB") + u"sleep 0.3\n"_qs +
                printText("==========\nSpace freed: 1.5 GB\n➤ Finishing up")));
        // Sections, items under Caches, the total and the item count.
        const auto reportKept = [&] {
            QCOMPARE(u"%1 %2 %3 %4"_qs.arg(model.sections().size())
                         .arg(itemsOf(model, u"Caches"_qs).size())
                         .arg(model.total())
                         .arg(model.itemCount().value_or(-1)),
                     u"2 3 3000000000 42"_qs);
        };
        ends(&CleanModel::scan, Phase::ready);
        reportKept();
        QCOMPARE(model.current(), u"Trash"_qs);
        ends(&CleanModel::clean, Phase::done);
        QCOMPARE(model.current(), u"Finishing up"_qs);
        QCOMPARE(model.freed(), 1'500'000'000);
        reportKept();
        const QList<CleanModel::LogLine> log = model.log();
        QCOMPARE(log.size(), 4);  // every line but the rule
        for (int i = 0; i < log.size(); ++i) QCOMPARE(log[i].id, i);
        // Times are seconds since the clean started; the engine paused 0.3 s.
        QVERIFY(log[0].time >= 0 && log[1].time >= log[0].time);
        QVERIFY(log[2].time >= 0.3 && log[2].time <= model.elapsed());

        env.installEngineInResources(
            engine({}, u"echo 'mole clean: "_qs + refusal + u"' >&2; exit 1"_qs));
        ends(&CleanModel::clean, Phase::failure(refusal));
        QCOMPARE(model.freed(), 0);
        QCOMPARE(model.log().size(), 1);
        QCOMPARE(model.log().first().text + QString::number(model.log().first().id),
                 u"mole clean: "_qs + refusal + u'0');
        reportKept();

        const double elapsed = model.elapsed();
        QVERIFY(QFile::remove(path));
        ends(&CleanModel::clean, notInstalled);
        reportKept();
        QCOMPARE(model.elapsed(), elapsed);
    }

    // Each phase's actions, strip (its leading cells) and content. A failed
    // scan says why, with advice.
    void phasesShowTheirActionsStripAndContent_data() {
        QTest::addColumn<int>("hold");        // where the scan or the clean is held, or ends
        QTest::addColumn<QString>("screen");  // the actions || the strip's leading cells
        QTest::newRow("idle") << int(kIdle)
                              << u"Scan || Status: Not Scanned, Reclaimable: 0 bytes, "
                                 "Items: \u2014, Duration: \u2014"_qs;
        QTest::newRow("failed") << int(kFailed) << u"Scan || Status: Error, "_qs;
        QTest::newRow("scanning") << int(kScanning)
                                  << u"Stop || Status: Scanning, Reclaimable: 1.5 GB, Items: 2, "
                                     "Current: User caches"_qs;
        QTest::newRow("ready") << int(kReady)
                               << u"Rescan, Clean 1.52 GB || Status: Ready, "
                                  "Reclaimable: 1.52 GB, Items: 4"_qs;
        QTest::newRow("cleaning") << int(kCleaning)
                                  << u"Cleaning… || Status: Cleaning, Freed: 0 bytes, Items: 4, "
                                     "Current: User caches"_qs;
        QTest::newRow("done") << int(kDone) << u"Scan Again || Status: Cleaned, Freed: 1.52 GB"_qs;
    }
    void phasesShowTheirActionsStripAndContent() {
        QFETCH(int, hold);
        QFETCH(QString, screen);
        Scene s(hold == kFailed
                    ? QString()
                    : engine(printText(kHead) + (hold == kScanning ? gate(u"go"_qs) : QString()) +
                                 printText(kTail),
                             printText("➤ User caches\n  ✓ Browser cache · 1.2 GB") +
                                 (hold == kCleaning ? gate(u"go"_qs) : QString()) +
                                 printText(kCleanLog)));
        if (hold != kIdle)
            s.model.scan();
        if (hold == kIdle) {
            QVERIFY(s.shows(u"Scan to See What's Safe to Remove"_qs));
        } else if (hold == kFailed) {
            QVERIFY(s.reach(Phase::failed));
            QVERIFY(s.shows(u"The Scan Didn't Finish"_qs));
            checkAdvice(s.shows(u"The Scan Didn't Finish"_qs)->findChildren<QLabel *>().last());
        } else if (hold == kScanning) {
            QVERIFY(QTest::qWaitFor([&] { return s.model.sections().size() == 1; }, 10000));
            QVERIFY(s.reach(Phase::scanning));
            QVERIFY(s.view.content() == s.view.report());
            // The table shows the section that has arrived, not the placeholder.
            QTRY_COMPARE(s.rows()->rowCount(), 1);
        } else {
            QVERIFY(s.reach(Phase::ready));
        }
        if (hold >= kCleaning) {
            s.model.clean();
            QVERIFY(QTest::qWaitFor([&] { return s.model.log().size() >= 2; }, 10000));
            QVERIFY(s.reach(hold == kDone ? Phase::done : Phase::cleaning));
            QVERIFY(s.view.content() == s.view.log());
            // The rule of "=" is not in the log.
            QTRY_COMPARE(s.view.log()->lines()->rowCount(), hold == kDone ? 7 : 2);
        }
        const auto shown = [&] {
            return shownActions(s.view).join(u", "_qs) + u" || "_qs +
                   ::strip(s.view).join(u", "_qs);
        };
        QTRY_VERIFY2(shown().startsWith(screen), qPrintable(shown()));
        if (hold == kScanning)
            s.rows()->toggle(0);  // open while the rest of the report arrives
        s.open(u"go"_qs);
        QVERIFY(s.settle());
    }

    // The clean's log follows its newest line until the reader scrolls up.
    // After the clean, Ctrl+R scans again from an empty report; Escape stops
    // the scan and the pane is back where it started.
    void theLogAndKeysAfterAClean() {
        QStringList lines;
        for (int i = 0; i < 100; ++i) lines.append(u"  ✓ line %1"_qs.arg(i));
        const QString hundred = ScriptedEngine::printLines(lines);
        Scene s(engine(u"echo x >> \"$HOME/runs\"; [ $(wc -l < \"$HOME/runs\") -ge 2 ] && "_qs +
                           gate(u"go"_qs) + printText(kHead) + printText(kTail),
                       hundred + gate(u"more"_qs) + hundred + printText(kCleanLog)));
        s.model.scan();
        QVERIFY(s.settle());
        s.model.clean();
        QScrollBar *bar = s.view.log()->list()->verticalScrollBar();
        QTRY_COMPARE(s.view.log()->lines()->rowCount(), 100);
        QTRY_VERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());
        bar->setValue(bar->maximum() / 2);
        const int reading = bar->value();
        s.open(u"more"_qs);
        QVERIFY(s.settle() && s.reach(Phase::done));
        QVERIFY(bar->value() == reading && bar->maximum() > reading);

        QVERIFY(QTest::qWaitForWindowActive(&s.view));
        QVERIFY(RealInput::key(&s.view, Qt::Key_R, Qt::ControlModifier));
        QTRY_COMPARE(s.model.phase().kind, Phase::scanning);
        QTRY_COMPARE(shownActions(s.view), QStringList{u"Stop"_qs});
        QTRY_COMPARE(::strip(s.view).mid(0, 2),
                     (QStringList{u"Status: Scanning"_qs, u"Reclaimable: 0 bytes"_qs}));
        QVERIFY(s.model.sections().isEmpty());
        QVERIFY(RealInput::key(&s.view, Qt::Key_Escape));
        QVERIFY(s.reach(Phase::idle));
        QVERIFY(s.shows(u"Scan to See What's Safe to Remove"_qs));
        QTRY_COMPARE(::strip(s.view).first(), u"Status: Not Scanned"_qs);
    }

    // Over the real engine in a temporary home full of junk, all by clicks.
    // A row gives its reason on hover; its ellipsis and a right-click open
    // its menu, whose Always Keep scans again with the item under "Kept" at
    // the end and the total less its size. Clean asks first (the first press
    // only arms), then removes the junk but never the kept item or the
    // user's files.
    void keepThenCleanWithTheRealEngine() {
        Scene s;
        s.env.installRealEngine();
        const QString home = s.env.home();
        const QStringList junk{u"/.cache/appB/blob.bin"_qs};
        const QStringList kept{u"/.cache/appA/blob.bin"_qs, u"/Documents/report.txt"_qs,
                               u"/.config/app/settings.ini"_qs};
        for (const QString &path : junk + kept)
            QVERIFY(TestEnvironment::writeFile(home + path, QByteArray(400'000, 'x')));
        const auto there = [&](const QStringList &paths, bool present) {
            for (const QString &path : paths)  // whole, or gone
                QVERIFY2(TestEnvironment::readFile(home + path).size() == (present ? 400'000 : 0),
                         qPrintable(path));
        };
        QVERIFY(RealInput::click(visibleButton(s.view, u"Scan"_qs)));
        QVERIFY(QTest::qWaitFor([&] { return s.model.phase().kind == Phase::ready; }, 60000));
        QCoreApplication::processEvents();
        const qint64 before = s.model.total();
        s.openSection(u"User caches"_qs);
        const int appA = s.rowOf(u"appA"_qs);
        QVERIFY(appA >= 0);
        QCOMPARE(s.rows()->index(appA).data(Qt::ToolTipRole).toString(),
                 u"Cache; the app makes it again when needed"_qs);

        const QRect rect = s.list()->visualRect(s.rows()->index(s.rowOf(u"appB"_qs)));
        const QPoint dots =
            ItemRow::menuButton(rect, ReportColumns::in(rect).size).center().toPoint();
        QVERIFY(RealInput::click(s.list()->viewport(), dots));
        QMenu *menu = openMenu();
        QVERIFY(menu && menu->actions().first()->text() == u"Always Keep"_qs &&
                RealInput::key(menu, Qt::Key_Escape));
        QTRY_VERIFY(!QApplication::activePopupWidget());

        s.rightClick(appA);
        QVERIFY((menu = openMenu()) && menu->actions().first()->text() == u"Always Keep"_qs);
        QVERIFY(RealInput::choose(menu, menu->actions().first()));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return s.model.phase().kind == Phase::ready &&
                       itemsOf(s.model, u"Kept"_qs).contains(u"~/.cache/appA"_qs);
            },
            60000));
        QCOMPARE(s.model.sections().last().title, u"Kept"_qs);
        QTRY_COMPARE(s.rows()->rowCount(), s.model.sections().size());  // closed after the rescan
        QVERIFY(!itemsOf(s.model, u"User caches"_qs).contains(u"appA"_qs));
        QVERIFY2(s.model.total() <= before - 400'000, qPrintable(QString::number(before)));
        QVERIFY(QFile::exists(home + u"/.config/mole/keep"_qs));
        s.openSection(u"Kept"_qs);

        QVERIFY(RealInput::click(s.view.cleanButton()));
        QCOMPARE(s.view.cleanButton()->title(), u"Confirm: Empty Trash & Clean"_qs);
        QCOMPARE(s.model.phase(), Phase::ready);  // armed, nothing run
        there(junk, true);
        QVERIFY(RealInput::click(s.view.cleanButton()) && waitForEnd(s.model, 60000));
        QCOMPARE(s.model.phase(), Phase::done);
        there(junk, false);
        there(kept, true);
        QVERIFY(s.model.freed() > 0);
    }
};

QTEST_MAIN(CleanupTest)
#include "tst_cleanup.moc"
