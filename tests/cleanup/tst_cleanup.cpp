#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QWindow>

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
#include "support/AppFixture.h"
#include "support/PaneScene.h"
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
constexpr int kIdle = -1, kReady = 0, kScanning = 1, kCleaning = 2, kDone = 3;

QStringList lines(const char *text) {
    return QString::fromUtf8(text).split(u'\n');
}
QString report() {
    return printText(kHead) + printText(kTail);
}
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
// Equal, where an expected text ending in "*" matches any rest.
bool matches(const QStringList &actual, const QStringList &expected) {
    if (actual.size() != expected.size())
        return false;
    for (qsizetype i = 0; i < actual.size(); ++i) {
        const QString &e = expected[i];
        if (e.endsWith(u'*') ? !actual[i].startsWith(e.chopped(1)) : actual[i] != e)
            return false;
    }
    return true;
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

// The Cleanup pane over a scripted engine (or the real one) in a temporary home.
struct Scene : PaneScene<CleanModel, CleanView> {
    using PaneScene::PaneScene;
    bool reach(Phase::Kind phase) {
        return until([&] { return model.phase().kind == phase; });
    }
    bool settle() { return waitForEnd(model); }
    QWidget *emptyBlock(const QString &title) const {
        for (Empty *e : view.findChildren<Empty *>())
            if (!e->isHidden() && !e->findChildren<QLabel *>().isEmpty() &&
                e->findChildren<QLabel *>().first()->text() == title)
                return e;
        return nullptr;
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
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at(rowOf(section), 40));
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

}  // namespace

class CleanupTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        ScreenShots::loadLook();
        Wording::install(QCoreApplication::instance(), TestPaths::builtResources());
    }

    // The model reads the report through the engine's readers: sections
    // without work are left out, notes never count, the marker's item count
    // shows, and a later item brings the running sum back.
    void finishedScan() {
        TestEnvironment env;
        env.installEngineInResources(engine(printText(
            "Potential space: 5 GB | Items: 42\n➤ Caches\n→ A · 1 GB\n⚠ Big log, 9 GB\n"
            "→ Tracked cleanup: pending\n➤ Fine\n✓ Nothing to clean\n➤ Trash\n→ Trash · 2 GB")));
        CleanModel model;
        model.scan();
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.phase(), Phase::ready);
        QCOMPARE(shape(model.sections()), lines("Caches:3\nTrash:1"));
        QCOMPARE(model.total(), 3 * GB);
        QCOMPARE(model.itemCount(), std::optional<qint64>(42));
        QCOMPARE(model.current(), u"Trash"_qs);
        QVERIFY(model.elapsed() > 0);
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
        QCOMPARE(model.phase(), Phase::done);
        QVERIFY(model.elapsed() > 0 && !model.isRunning());
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
                       printText("==========\nSpace freed: 1.5 GB\n➤ Finishing up")));
        model.scan();
        QVERIFY(waitForEnd(model));
        const QList<ReportSection> report = model.sections();
        const double scanElapsed = model.elapsed();
        model.clean();
        QCOMPARE(model.phase(), Phase::cleaning);
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.phase(), Phase::done);
        QCOMPARE(model.current(), u"Finishing up"_qs);
        QCOMPARE(model.freed(), 1'500'000'000);
        QCOMPARE(model.sections(), report);
        QVERIFY(model.elapsed() != scanElapsed);
        const QList<CleanModel::LogLine> log = model.log();
        QCOMPARE(log.size(), 4);  // every line but the rule
        for (int i = 0; i < log.size(); ++i) QCOMPARE(log[i].id, i);
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
        QCOMPARE(model.phase(), Phase::failure(refusal));
        QVERIFY(model.sections().isEmpty());

        env.installEngineInResources(
            engine({}, u"echo 'mole clean: "_qs + refusal + u"' >&2; exit 1"_qs));
        model.clean();
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.phase(), Phase::failure(refusal));
        QCOMPARE(model.log().size(), 1);  // the report itself stays readable in the log
        QCOMPARE(model.log().first().text, u"mole clean: "_qs + refusal);
    }

    // The report's rows and the log's rows stay sound item models through
    // streaming, opening sections, stopping, rescanning and cleaning.
    void itemModelsStaySoundWhileTheEngineStreams() {
        QString scan, clean;
        for (int s = 0; s < 12; ++s) {
            QStringList lines{u"➤ Section %1"_qs.arg(s)};
            for (int i = 0; i <= s * 3; ++i)
                lines << (i % 4 == 3 ? u"✓ Nothing to clean"_qs
                                     : u"→ Item %1 · %2 MB"_qs.arg(i).arg(i));
            scan += ScriptedEngine::printLines(lines) + u"sleep 0.02\n"_qs;
        }
        for (int i = 0; i < 2000; i += 100)
            clean += u"seq -f '  → Removed %g' %1 %2\nsleep 0.01\n"_qs.arg(i).arg(i + 99);
        Scene s(engine(scan, clean + u"echo 'Space freed: 1 GB'\n"_qs));
        ReportRows *rows = s.rows();
        QAbstractItemModelTester reportTester(
            rows, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester logTester(s.view.log()->lines(),
                                           QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSortFilterProxyModel seen;  // keeps its own rows: misses what goes unannounced
        seen.setSourceModel(rows);
        for (int round = 0; round < 2; ++round) {
            s.model.scan();
            QTRY_VERIFY(s.model.sections().size() >= 3);
            if (round == 0) {
                s.model.stop();  // the report goes mid-stream
                continue;
            }
            // Sections opened and closed while more arrive.
            for (int row = 0; row < rows->rowCount(); ++row)
                if (rows->row(row).item < 0)
                    rows->toggle(row);
            QVERIFY(s.settle());
            QCoreApplication::processEvents();
            for (int row = rows->rowCount() - 1; row >= 0; --row)
                if (rows->row(row).item < 0 && row % 3 == 0)
                    rows->toggle(row);
        }
        QCOMPARE(s.model.phase(), Phase::ready);
        s.model.clean();
        QVERIFY(s.settle());
        QTRY_COMPARE(s.view.log()->lines()->rowCount(), 2001);
        s.model.scan();  // the report is replaced, the log stays
        QVERIFY(s.settle());
        QCoreApplication::processEvents();
        QCOMPARE(seen.rowCount(), rows->rowCount());
    }

    void phasesShowTheirActionsStripAndContent_data() {
        QTest::addColumn<int>("hold");  // where the scan or the clean is held, or ends
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QStringList>("strip");  // a trailing "*" matches any rest
        QTest::newRow("idle") << kIdle << QStringList{u"Scan"_qs}
                              << QStringList{u"Status: Not Scanned"_qs, u"Reclaimable: 0 bytes"_qs,
                                             u"Items: \u2014"_qs, u"Duration: \u2014"_qs};
        QTest::newRow("scanning") << kScanning << QStringList{u"Stop"_qs}
                                  << QStringList{u"Status: Scanning"_qs, u"Reclaimable: 1.5 GB"_qs,
                                                 u"Items: 2"_qs, u"Current: User caches"_qs};
        QTest::newRow("ready") << kReady << QStringList{u"Rescan"_qs, u"Clean 1.52 GB"_qs}
                               << QStringList{u"Status: Ready"_qs, u"Reclaimable: 1.52 GB"_qs,
                                              u"Items: 4"_qs, u"Duration: *"_qs};
        QTest::newRow("cleaning") << kCleaning << QStringList{u"Cleaning…"_qs}
                                  << QStringList{u"Status: Cleaning"_qs, u"Freed: 0 bytes"_qs,
                                                 u"Items: 4"_qs, u"Current: User caches"_qs};
        QTest::newRow("done") << kDone << QStringList{u"Scan Again"_qs}
                              << QStringList{u"Status: Cleaned"_qs, u"Freed: 1.52 GB"_qs, u"*"_qs,
                                             u"*"_qs};
    }
    void phasesShowTheirActionsStripAndContent() {
        QFETCH(int, hold);
        QFETCH(QStringList, actions);
        QFETCH(QStringList, strip);
        Scene s(engine(
            printText(kHead) + (hold == kScanning ? gate(u"go"_qs) : QString()) + printText(kTail),
            printText("➤ User caches\n  ✓ Browser cache · 1.2 GB") +
                (hold == kCleaning ? gate(u"go"_qs) : QString()) + printText(kCleanLog)));
        if (hold != kIdle)
            s.model.scan();
        if (hold == kIdle) {
            QVERIFY(s.emptyBlock(u"Scan to See What's Safe to Remove"_qs));
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
        QTRY_COMPARE(shownActions(s.view), actions);
        QTRY_VERIFY2(matches(::strip(s.view), strip), qPrintable(::strip(s.view).join(u" | ")));
        if (hold == kReady)
            s.rows()->toggle(1);  // the picture shows an open section
        QVERIFY(ScreenShots::shoot(&s.view,
                                   u"clean-"_qs + QString::fromLatin1(QTest::currentDataTag())));
        s.open(u"go"_qs);
        QVERIFY(s.settle());
    }

    // After a clean, Ctrl+R scans again from an empty report; Escape stops
    // the scan and the pane is back where it started.
    void keysStartAndStopScans() {
        Scene s(engine(u"echo x >> \"$HOME/runs\"; [ $(wc -l < \"$HOME/runs\") -ge 2 ] && "_qs +
                           gate(u"go"_qs) + report(),
                       printText(kCleanLog)));
        s.model.scan();
        QVERIFY(s.settle());
        s.model.clean();
        QVERIFY(s.settle() && s.reach(Phase::done));
        QVERIFY(QTest::qWaitForWindowActive(&s.view));
        QTest::keyClick(&s.view, Qt::Key_R, Qt::ControlModifier);
        QTRY_COMPARE(s.model.phase().kind, Phase::scanning);
        QTRY_COMPARE(shownActions(s.view), QStringList{u"Stop"_qs});
        QTRY_COMPARE(::strip(s.view).mid(0, 2),
                     (QStringList{u"Status: Scanning"_qs, u"Reclaimable: 0 bytes"_qs}));
        QVERIFY(s.model.sections().isEmpty());
        QTest::keyClick(&s.view, Qt::Key_Escape);
        QTRY_COMPARE(s.model.phase().kind, Phase::idle);
        QVERIFY(s.reach(Phase::idle));
        QVERIFY(s.emptyBlock(u"Scan to See What's Safe to Remove"_qs));
        QTRY_COMPARE(::strip(s.view).first(), u"Status: Not Scanned"_qs);
    }

    void missingEngineShowsTheFailureWithAdvice() {
        Scene s;  // no engine anywhere
        s.model.scan();
        QVERIFY(s.reach(Phase::failed));
        QWidget *block = s.emptyBlock(u"The Scan Didn't Finish"_qs);
        QVERIFY(block);
        // The engine's words, then the advice on a line of its own, its
        // command set as code: no backticks, never broken inside.
        const QString expected =
            QString::fromUtf8(EngineError::notInstalled) +
            u"\nTry scanning again; if it keeps failing, run mo clean --dry-run in a terminal to "
            "see details."_qs;
        QLabel *label = block->findChildren<QLabel *>().last();
        QTextDocument shown;
        shown.setDefaultFont(label->font());
        shown.setHtml(label->text());
        shown.setTextWidth(label->contentsRect().width());
        QString plain = shown.toPlainText();
        plain.remove(QChar(0x2060)).replace(QChar::Nbsp, u' ');
        QCOMPARE(plain.replace(QChar::LineSeparator, u'\n'), expected);
        // Laid out at the label's width, the command starts and ends on one line.
        const QTextCursor from = shown.find(u"mo"_qs);
        const QTextCursor to = shown.find(u"run"_qs, from);
        QVERIFY(!from.isNull() && !to.isNull() && from.block() == to.block());
        QVERIFY(shown.size().height() > 0);  // laid out now
        QTextLayout *layout = from.block().layout();
        const QTextLine first = layout->lineForTextPosition(from.positionInBlock());
        QVERIFY(first.isValid() && layout->lineCount() > 1);
        QCOMPARE(layout->lineForTextPosition(to.positionInBlock()).lineNumber(),
                 first.lineNumber());
        QVERIFY(!label->text().contains(u'`'));
        QCOMPARE(shownActions(s.view), QStringList{u"Scan"_qs});
        QCOMPARE(::strip(s.view).first(), u"Status: Error"_qs);
        QVERIFY(ScreenShots::shoot(&s.view, u"clean-failed"_qs));
    }

    // One line per colour: the kinds come from the engine's line reader.
    void logLineColours_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Color>("color");
        QTest::newRow("failure") << u"  ✗ Failed to remove"_qs << Color::red;
        QTest::newRow("warning") << u"  ⚠ Skipped"_qs << Color::amber;
    }
    void logLineColours() {
        QFETCH(QString, text);
        QFETCH(Color, color);
        QCOMPARE(LogLines::color(text), color);
    }

    void logFollowsTheNewestLineUnlessScrolledUp() {
        QStringList first, second;
        for (int i = 0; i < 100; ++i) first.append(u"  ✓ first %1"_qs.arg(i));
        for (int i = 0; i < 100; ++i) second.append(u"  ✓ second %1"_qs.arg(i));
        Scene s(engine(printText("➤ A\n  → a · 1 MB"),
                       ScriptedEngine::printLines(first) + gate(u"more"_qs) +
                           ScriptedEngine::printLines(second) + gate(u"end"_qs) +
                           ScriptedEngine::printLines(second)));
        s.model.scan();
        QVERIFY(s.reach(Phase::ready));
        s.model.clean();
        QScrollBar *bar = s.view.log()->list()->verticalScrollBar();
        QTRY_COMPARE(s.view.log()->lines()->rowCount(), 100);
        QTRY_VERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());
        s.open(u"more"_qs);
        QTRY_COMPARE(s.view.log()->lines()->rowCount(), 200);
        QTRY_VERIFY(bar->value() == bar->maximum());
        // The reader scrolls up: new lines no longer move the list.
        bar->setValue(bar->maximum() / 2);
        const int reading = bar->value();
        s.open(u"end"_qs);
        QTRY_COMPARE(s.view.log()->lines()->rowCount(), 300);
        QVERIFY(s.settle());
        QCOMPARE(bar->value(), reading);
        QVERIFY(bar->maximum() > reading);
    }

    // The whole window over the real engine in a temporary home full of junk:
    // scan, confirm, clean, all by clicks.
    void scanConfirmCleanWithTheRealEngine() {
        AppFixture app;
        app.env().installRealEngine();
        const QString home = app.env().home();
        const QStringList junk = {u"/.cache/appA/blob.bin"_qs, u"/.cache/appB/data/index"_qs,
                                  u"/.cache/thumbnails/large/a.png"_qs};
        const QStringList kept = {u"/Documents/report.txt"_qs, u"/.config/app/settings.ini"_qs};
        for (const QString &path : junk + kept)
            QVERIFY(TestEnvironment::writeFile(home + path, QByteArray(40000, 'x')));
        MainWindow window;
        auto *view = openPane<CleanView>(window, Pane::clean);
        QVERIFY(view);
        CleanModel *model = window.root()->clean();

        QTest::mouseClick(visibleButton(*view, u"Scan"_qs), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return model->phase().kind == Phase::ready; }, 60000));
        QCoreApplication::processEvents();
        QVERIFY2(model->total() >= 120000, qPrintable(Size::format(model->total())));
        for (const QString &path : junk) QVERIFY2(QFile::exists(home + path), qPrintable(path));

        QTest::mouseClick(view->cleanButton(), Qt::LeftButton);
        QCOMPARE(view->cleanButton()->title(), u"Confirm: Empty Trash & Clean"_qs);
        QCOMPARE(model->phase(), Phase::ready);  // armed, nothing run
        QTest::mouseClick(view->cleanButton(), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return model->phase().kind == Phase::done; }, 60000));
        for (const QString &path : junk) QVERIFY2(!QFile::exists(home + path), qPrintable(path));
        for (const QString &path : kept)
            QVERIFY2(TestEnvironment::readFile(home + path) == QByteArray(40000, 'x'),
                     qPrintable(path));
        QVERIFY(model->freed() > 0);
    }

    // Over the real engine: right-click → Always Keep runs the scan again,
    // the item is listed under "Kept" at the end, and the total drops by its
    // size. The row's ellipsis opens the same menu; its reason shows on hover.
    void alwaysKeepFromTheReport() {
        Scene s;
        s.env.installRealEngine();
        for (const char *cache : {"/.cache/appA/blob.bin", "/.cache/appB/blob.bin"})
            TestEnvironment::writeFile(s.env.home() + QString::fromLatin1(cache),
                                       QByteArray(400'000, 'x'));
        s.model.scan();
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
        QTest::mouseClick(s.list()->viewport(), Qt::LeftButton, {}, dots);
        QMenu *menu = openMenu();
        QVERIFY(menu);
        QCOMPARE(menu->actions().first()->text(), u"Always Keep"_qs);
        QTest::keyClick(menu, Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());

        s.rightClick(appA);
        QVERIFY((menu = openMenu()));
        QAction *keep = menu->actions().first();
        QCOMPARE(keep->text(), u"Always Keep"_qs);
        QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {},
                          menu->actionGeometry(keep).center());
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
        QVERIFY(QFile::exists(s.env.home() + u"/.config/mole/keep"_qs));
        s.openSection(u"Kept"_qs);
        QVERIFY(ScreenShots::shoot(&s.view, u"kept"_qs));
    }
};

QTEST_MAIN(CleanupTest)
#include "tst_cleanup.moc"
