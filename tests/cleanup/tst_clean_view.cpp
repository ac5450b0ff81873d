#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include "cleanup/BuildLog.h"
#include "cleanup/CleanModel.h"
#include "cleanup/CleanView.h"
#include "cleanup/LogLines.h"
#include "cleanup/ReportRows.h"
#include "cleanup/ReportTable.h"
#include "engine/Engine.h"
#include "engine/Size.h"
#include "platform/Wording.h"
#include "support/AppFixture.h"
#include "support/PaneScene.h"
#include "support/ScreenShots.h"
#include "support/ScriptedEngine.h"
#include "support/TestEnvironment.h"
#include "support/ViewProbe.h"
#include "theme/controls/ConfirmButton.h"
#include "theme/controls/Empty.h"

namespace {

using Phase = CleanModel::Phase;

// The report in two parts, so a scan can be held between them.
const char *const kHead =
    "➤ User caches\n"
    "  → Browser cache · 1.2 GB\n"
    "  → Thumbnails · 300 MB";
const char *const kTail =
    "➤ Leftovers\n"
    "  → Old logs · 20 MB\n"
    "  ⊙ Removed app · ~/.config/oldapp, 50 MB\n"
    "➤ Trash\n"
    "  ✓ Nothing to clean";

const char *const kCleanLog =
    "➤ User caches\n"
    "  ✓ Browser cache · 1.2 GB\n"
    "  ⚠ Skipped a locked file\n"
    "  Permission ERROR on one folder\n"
    "====================\n"
    "Space freed: 1.52 GB";

using ScriptedEngine::gate;
using ScriptedEngine::printText;
using namespace ViewProbe;

QString report() {
    return printText(kHead) + printText(kTail);
}

QString engine(const QString &dryRun, const QString &clean = {}) {
    return ScriptedEngine::dryRunOrRun(u"clean"_qs, dryRun, clean);
}

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

struct Scene : PaneScene<CleanModel, CleanView> {
    using PaneScene::PaneScene;
    bool reach(Phase::Kind phase) {
        return until([&] { return model.phase().kind == phase; });
    }
    bool settle() {
        return QTest::qWaitFor([&] { return !model.isRunning(); }, 10000);
    }
    QWidget *emptyBlock(const QString &title) const {
        for (Empty *e : view.findChildren<Empty *>())
            if (!e->isHidden() && !e->findChildren<QLabel *>().isEmpty() &&
                e->findChildren<QLabel *>().first()->text() == title)
                return e;
        return nullptr;
    }
};

constexpr int kIdle = -1, kReady = 0, kScanning = 1, kCleaning = 2, kDone = 3;

}  // namespace

class CleanViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        ScreenShots::loadLook();
        Wording::install(QCoreApplication::instance(), QStringLiteral(BUILT_RESOURCES));
    }

    // A report of any length ends at the window's bottom edge and scrolls
    // inside; the page itself does not grow with it.
    void longReportScrollsItself() {
        QStringList lines;
        for (int i = 0; i < 400; ++i)
            lines << u"➤ Section "_qs + QString::number(i) << u"  → Item · 1 MB"_qs;
        Scene s(engine(ScriptedEngine::printLines(lines)));
        s.model.scan();
        QVERIFY(s.settle());
        QVERIFY(s.reach(Phase::ready));
        QListView *list = s.view.report()->list();
        QCOMPARE(s.view.verticalScrollBar()->maximum(), 0);
        QVERIFY(list->verticalScrollBar()->maximum() > 0);
        const QModelIndex last = list->model()->index(list->model()->rowCount() - 1, 0);
        list->scrollTo(last);
        QVERIFY(list->viewport()->rect().contains(list->visualRect(last)));
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
            QTRY_COMPARE(s.view.report()->rows()->rowCount(), 1);
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
            s.view.report()->rows()->toggle(1);  // the picture shows an open section
        QVERIFY(ScreenShots::shoot(&s.view,
                                   u"clean-"_qs + QString::fromLatin1(QTest::currentDataTag())));
        s.open(u"go"_qs);
        QVERIFY(s.settle());
    }

    void keysStartAndStopScans_data() {
        QTest::addColumn<QString>("from");
        QTest::newRow("idle") << u"idle"_qs;
        QTest::newRow("failed") << u"failed"_qs;
        QTest::newRow("ready") << u"ready"_qs;
        QTest::newRow("done") << u"done"_qs;
    }
    void keysStartAndStopScans() {
        QFETCH(QString, from);
        // The scan the key starts is held until stopped; the ones before it end.
        const int held = from == u"idle"_qs ? 1 : 2;
        Scene s(
            from == u"failed"_qs
                ? QString()
                : engine(
                      u"echo x >> \"$HOME/runs\"; [ $(wc -l < \"$HOME/runs\") -ge %1 ] && "_qs.arg(
                          held) +
                          gate(u"go"_qs) + report(),
                      printText(kCleanLog)));
        if (from != u"idle"_qs) {
            s.model.scan();
            QVERIFY(s.settle());
            if (from == u"done"_qs) {
                s.model.clean();
                QVERIFY(s.settle());
            }
        }
        if (from == u"failed"_qs) {
            QCOMPARE(s.model.phase().kind, Phase::failed);
            s.env.installEngineInResources(engine(gate(u"go"_qs)));
        }
        QVERIFY(s.reach(s.model.phase().kind));
        QVERIFY(QTest::qWaitForWindowActive(&s.view));
        QTest::keyClick(&s.view, Qt::Key_R, Qt::ControlModifier);
        QTRY_COMPARE(s.model.phase().kind, Phase::scanning);
        QVERIFY(s.model.isRunning());
        QTRY_COMPARE(shownActions(s.view), QStringList{u"Stop"_qs});
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
        const QString html = label->text();
        QTextDocument shown;
        shown.setDefaultFont(label->font());
        shown.setHtml(html);
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
        QVERIFY(!html.contains(u'`'));
        QCOMPARE(shownActions(s.view), QStringList{u"Scan"_qs});
        QCOMPARE(::strip(s.view).first(), u"Status: Error"_qs);
        QVERIFY(ScreenShots::shoot(&s.view, u"clean-failed"_qs));
    }

    void aFinishedEmptyScanSaysSo() {
        Scene s(engine(printText("➤ Trash\n  ✓ Nothing to clean")));
        ReportTable *table = s.view.report();
        s.model.scan();
        QVERIFY(s.reach(Phase::ready));
        QTRY_VERIFY(!table->findChildren<QLabel *>().isEmpty());
        QStringList shown;
        for (const QLabel *l : table->findChildren<QLabel *>())
            if (l->isVisibleTo(table))
                shown.append(l->text());
        QCOMPARE(shown, QStringList{u"Nothing to clean. No junk was found."_qs});
        QCOMPARE(shownActions(s.view), (QStringList{u"Rescan"_qs, u"Clean 0 bytes"_qs}));
    }

    void sectionsOpenAndCloseAndStartClosedAfterARescan() {
        Scene s(engine(report()));
        s.model.scan();
        QVERIFY(s.reach(Phase::ready));
        ReportRows *rows = s.view.report()->rows();
        QCOMPARE(rows->rowCount(), 2);  // Trash had nothing to do
        QListView *list = s.view.report()->list();
        const int closedHeight = list->height();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(rows->index(1)).center());
        QCOMPARE(rows->rowCount(), 4);
        QCOMPARE(rows->index(1).data(Qt::AccessibleDescriptionRole).toString(), u"Collapse"_qs);
        QCOMPARE(rows->item(3)->kind, ReportItem::Kind::review);
        QTRY_COMPARE(list->height(),
                     closedHeight + 2 * ReportRows::itemHeight + 2 * ReportRows::blockPadding);
        s.model.scan();
        QVERIFY(s.reach(Phase::ready));
        QCOMPARE(rows->rowCount(), 2);
        QCOMPARE(rows->index(1).data(Qt::AccessibleDescriptionRole).toString(), u"Expand"_qs);
    }

    void logLinesAreTimedAndColoured_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Color>("color");
        QTest::newRow("cross") << u"  ✗ Failed to remove"_qs << Color::red;
        QTest::newRow("error first, any case") << u"ErRoR: disk full"_qs << Color::red;
        QTest::newRow("a warning about an error") << u"⚠ error"_qs << Color::amber;
        QTest::newRow("a file named error")
            << u"  ✓ ~/.cache/app/error.log · 2 MB"_qs << Color::gray1000;
        QTest::newRow("a symbol inside a name") << u"  Removing ✗-marks.txt"_qs << Color::gray900;
        QTest::newRow("warning") << u"  ⚠ Skipped"_qs << Color::amber;
        QTest::newRow("review") << u"  ◎ Kept"_qs << Color::amber;
        QTest::newRow("done") << u"  ✓ Removed"_qs << Color::gray1000;
        QTest::newRow("step") << u"➤ Caches"_qs << Color::gray1000;
        QTest::newRow("plain") << u"Working"_qs << Color::gray900;
    }
    void logLinesAreTimedAndColoured() {
        QFETCH(QString, text);
        QFETCH(Color, color);
        QCOMPARE(LogLines::color(text), color);
    }

    void durationsRead_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("duration");
        QTest::newRow("zero") << 0.0 << u"\u2014"_qs;
        QTest::newRow("3.4 s") << 3.4 << u"3s"_qs;
        QTest::newRow("65.7 s") << 65.7 << u"1m 5s"_qs;
        QTest::newRow("two minutes") << 120.0 << u"2m"_qs;
        QTest::newRow("not a number") << qQNaN() << u"\u2014"_qs;
    }
    void durationsRead() {
        QFETCH(double, seconds);
        QFETCH(QString, duration);
        QCOMPARE(CleanView::duration(seconds), duration);
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
        QListView *list = s.view.log()->list();
        QScrollBar *bar = list->verticalScrollBar();
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
        QCoreApplication::processEvents();
        for (const QString &path : junk) QVERIFY2(!QFile::exists(home + path), qPrintable(path));
        for (const QString &path : kept)
            QVERIFY2(TestEnvironment::readFile(home + path) == QByteArray(40000, 'x'),
                     qPrintable(path));
        QVERIFY(model->freed() > 0);
        QCOMPARE(
            ::strip(*view).mid(0, 2),
            (QStringList{u"Status: Cleaned"_qs, u"Freed: "_qs + Size::format(model->freed())}));
    }
};

QTEST_MAIN(CleanViewTest)
#include "tst_clean_view.moc"
