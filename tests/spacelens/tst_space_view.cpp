#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QSortFilterProxyModel>
#include <QTest>

#include <limits>

#include "spacelens/SpaceDelegate.h"
#include "spacelens/SpaceScene.h"
#include "support/RealInput.h"
#include "support/TrashCheck.h"
#include "support/ViewProbe.h"
#include "theme/controls/Empty.h"
#include "theme/controls/GButton.h"

namespace {

QList<DiskEntry> sized(const QList<qint64> &sizes) {
    QList<DiskEntry> out;
    for (qint64 s : sizes) out.append(entry(u"/data/e"_qs + QString::number(out.size()), s));
    return out;
}

// The rows of `report`, from a checked item model, as many as a view that
// keeps its own rows sees after the model announced the change.
QList<SpaceRows::Row> rowsOf(const DiskReport &report, bool topLevel) {
    SpaceRows rows;
    QAbstractItemModelTester tester(&rows, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSortFilterProxyModel seen;
    seen.setSourceModel(&rows);
    rows.setReport({u"/"_qs, sized({1}), {}, {}}, false);
    [&] { QCOMPARE(seen.rowCount(), 1); }();
    rows.setReport(report, topLevel);
    QList<SpaceRows::Row> out;
    for (int i = 0; i < seen.rowCount(); ++i) out.append(rows.row(i));
    [&] { QCOMPARE(seen.rowCount(), rows.rowCount()); }();
    return out;
}

QStringList menuItems(QMenu *menu) {
    QStringList out;
    for (QAction *a : menu->actions()) out.append(a->isSeparator() ? u"-"_qs : a->text());
    delete menu;
    return out;
}

QAbstractButton *buttonOf(QMessageBox *dialog, QMessageBox::ButtonRole role) {
    for (QAbstractButton *b : dialog->buttons())
        if (dialog->buttonRole(b) == role)
            return b;
    return nullptr;
}

}  // namespace

class SpaceViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        ScreenShots::loadLook();
        QLocale::setDefault(QLocale(QLocale::English));
    }

    // Empty entries are left out; bars measure against the largest sibling,
    // shares against the folder, never past the whole.
    void rows_data() {
        QTest::addColumn<QList<qint64>>("sizes");
        QTest::addColumn<QList<qint64>>("shown");
        QTest::addColumn<QList<double>>("bars");
        QTest::newRow("empty and unmeasured")
            << QList<qint64>{0, 10, -1} << QList<qint64>{10, -1} << QList<double>{1.0, -0.1};
        QTest::newRow("all ones fill every bar")
            << QList<qint64>{1, 1, 1} << QList<qint64>{1, 1, 1} << QList<double>{1.0, 1.0, 1.0};
        QTest::newRow("zeros only") << QList<qint64>{0, 0} << QList<qint64>{} << QList<double>{};
        QTest::newRow("by the largest")
            << QList<qint64>{50, 200, 100} << QList<qint64>{50, 200, 100}
            << QList<double>{0.25, 1.0, 0.5};
        const qint64 huge = std::numeric_limits<qint64>::max();
        QTest::newRow("totals beyond the size range")
            << QList<qint64>{huge, huge} << QList<qint64>{huge, huge} << QList<double>{1.0, 1.0};
    }
    void rows() {
        QFETCH(QList<qint64>, sizes);
        QFETCH(QList<qint64>, shown);
        QFETCH(QList<double>, bars);
        const QList<SpaceRows::Row> rows = rowsOf({u"/data"_qs, sized(sizes), {}, {}}, true);
        QCOMPARE(rows.size(), shown.size());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i].item.size, shown[i]);
            QCOMPARE(rows[i].bar, bars[i]);
            QVERIFY(rows[i].share <= 1 && (rows[i].share > 0 || rows[i].item.size <= 0));
        }
    }

    // At the top level only: a caption, then the first fifteen large files.
    void largeFiles_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("topLevel");
        QTest::addColumn<int>("listed");
        QTest::newRow("twenty at the top") << 20 << true << 15;
        QTest::newRow("three at the top") << 3 << true << 3;
        QTest::newRow("one level down") << 20 << false << 0;
        QTest::newRow("none") << 0 << true << 0;
    }
    void largeFiles() {
        QFETCH(int, count);
        QFETCH(bool, topLevel);
        QFETCH(int, listed);
        QList<DiskEntry> files;
        for (int i = 0; i < count; ++i)
            files.append(entry(u"/f"_qs + QString::number(i), 1000 - i));
        const QList<SpaceRows::Row> rows =
            rowsOf({u"/"_qs, sized({4000}), files, qint64(8000)}, topLevel);
        QCOMPARE(rows.size(), 1 + (listed ? listed + 1 : 0));
        if (listed) {
            QCOMPARE(rows[1].kind, SpaceRows::Row::largeCaption);
            QCOMPARE(rows.last().item.name, u"f"_qs + QString::number(listed - 1));
            QCOMPARE(rows[2].bar, 1.0);              // against the first large file
            QCOMPARE(rows[2].share, 1000.0 / 8000);  // against the folder
        }
    }

    void shareText_data() {
        QTest::addColumn<double>("share");
        QTest::addColumn<QString>("text");
        QTest::newRow("below a per mille") << 0.0009 << u"<0.1%"_qs;
        QTest::newRow("a per mille") << 0.001 << u"0.1%"_qs;
        QTest::newRow("all") << 1.0 << u"100.0%"_qs;
    }
    void shareText() {
        QFETCH(double, share);
        QFETCH(QString, text);
        QCOMPARE(SpaceRows::shareText(share), text);
    }

    void breadcrumbsAndBackStartNoRun() {
        SpaceScene s;
        const QString docs = s.folder(u"Docs"_qs), deep = s.folder(u"Docs/Deep"_qs);
        s.answer(u"/"_qs, {entry(docs, 300, true), entry(u"/data/a.bin"_qs, 100)});
        s.answer(docs, {entry(deep, 200, true)});
        s.answer(deep, {entry(deep + u"/x"_qs, 5)});
        s.show();
        QVERIFY(s.settle());
        QVERIFY(s.view->backButton()->isHidden());
        QCOMPARE(s.view->crumbs().size(), 1);
        QCOMPARE(s.view->crumbs()[0]->text(), u"This Mac"_qs);
        QCOMPARE(s.rowNames(), (QStringList{u"Docs"_qs, u"a.bin"_qs}));

        // At the top, Ctrl+[ has nothing to climb.
        QVERIFY(RealInput::key(&*s.view, Qt::Key_BracketLeft, Qt::ControlModifier));
        QTest::qWait(150);  // a shortcut clicks its button after a short flash
        QCOMPARE(s.model.trail().size(), 1);

        // Into a folder by clicking its row; then one further by the model.
        QListView *list = s.view->list();
        QVERIFY(RealInput::click(list->viewport(),
                                 list->visualRect(s.view->rows()->index(0)).center()));
        QVERIFY(QTest::qWaitFor([&] { return s.model.trail().size() == 2; }));
        QVERIFY(s.settle());
        s.model.open(s.model.report()->entries.first());
        QVERIFY(s.settle());
        QCOMPARE(s.view->crumbs().size(), 3);
        QVERIFY(!s.view->backButton()->isHidden());
        const qsizetype runs = s.runs().size();

        QVERIFY(RealInput::key(&*s.view, Qt::Key_BracketLeft, Qt::ControlModifier));
        QTRY_COMPARE(s.model.trail().size(), 2);
        QCoreApplication::processEvents();
        QCOMPARE(s.rowNames(), QStringList{u"Deep"_qs});
        QVERIFY(RealInput::click(s.view->crumbs()[0]));
        QCoreApplication::processEvents();
        QCOMPARE(s.model.trail().size(), 1);
        QVERIFY(s.view->backButton()->isHidden());
        QCOMPARE(s.runs().size(), runs);
    }

    void menusOfFilesAndFolders() {
        SpaceScene s;
        s.show();
        QCOMPARE(menuItems(s.view->actionsMenu(entry(u"/f"_qs, 1), &*s.view)),
                 (QStringList{u"Show in Finder"_qs, u"-"_qs, u"Move to Trash…"_qs}));
        QCOMPARE(menuItems(s.view->actionsMenu(entry(u"/d"_qs, 1, true), &*s.view)),
                 (QStringList{u"Show in Finder"_qs, u"Open"_qs, u"-"_qs, u"Move to Trash…"_qs}));
    }

    void bodies_data() {
        QTest::addColumn<double>("delay");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QString>("shown");
        QTest::newRow("measuring the whole computer") << 1.0 << false << u"measuring"_qs;
        QTest::newRow("failed") << 0.0 << false << u"error"_qs;
        QTest::newRow("measured") << 0.0 << true << u"table"_qs;
    }
    void bodies() {
        QFETCH(double, delay);
        QFETCH(bool, answered);
        QFETCH(QString, shown);
        SpaceScene s(delay);
        if (answered)
            s.answer(u"/"_qs, sized({5, 0}));
        s.show();
        if (!delay)
            QVERIFY(s.settle());
        QCoreApplication::processEvents();
        QWidget *body = s.view->body();
        QVERIFY(body);
        if (shown == u"measuring") {
            QCOMPARE(body, s.view->measuringBlock());
            QVERIFY(s.view->rescanButton()->isLoading());
            QVERIFY(s.view->measuringIndicator()->isHidden());  // no report to measure beside
            QVERIFY(ViewProbe::visibleTexts(body).contains(
                u"Measuring your whole Mac. This takes about 30 seconds…"_qs));
            QVERIFY(s.settle());
        } else if (shown == u"error") {
            QCOMPARE(body, s.view->errorBlock());
            QVERIFY(!s.view->rescanButton()->isLoading());
            QVERIFY(!ViewProbe::visibleTexts(body)
                         .filter(u"<br>Check that Brightloft has Full Disk Access, then rescan."_qs)
                         .isEmpty());
        } else {
            QCOMPARE(body, s.view->table());
            QCOMPARE(s.view->rows()->rowCount(), 1);
            QCOMPARE(s.view->list()->height(), SpaceDelegate::rowHeight);
        }
    }

    // The bundled engine measures a folder of the temporary home. Moving a
    // file asks first; Cancel keeps it, and once confirmed it is gone from
    // the rows and sits in the Trash.
    void trashAsksFirstWithTheRealEngine() {
        SpaceScene s;
        s.env.installRealEngine();
        const QString dir = s.env.home() + u"/Downloads"_qs, big = dir + u"/big.iso"_qs;
        QVERIFY(TestEnvironment::writeFile(big, QByteArray(200'000, 'x')));
        QVERIFY(TestEnvironment::writeFile(dir + u"/small.txt"_qs, QByteArray(5'000, 'x')));
        s.model.open(entry(dir, 0, true));
        QVERIFY(s.settle());
        s.show();
        QVERIFY(s.settle());
        QCOMPARE(s.rowNames(), (QStringList{u"big.iso"_qs, u"small.txt"_qs}));

        for (const auto role : {QMessageBox::RejectRole, QMessageBox::DestructiveRole}) {
            s.view->requestTrash(s.view->rows()->row(0).item);
            QMessageBox *dialog = s.view->trashDialog();
            QVERIFY(dialog && s.view->pendingTrash());
            QCOMPARE(dialog->text(), u"Move “big.iso” to the Trash?"_qs);
            QCOMPARE(dialog->informativeText(),
                     u"You can restore it from the Trash until you empty it."_qs);
            // Drawn as the destructive action, in the app's own look.
            auto *move = qobject_cast<GButton *>(buttonOf(dialog, QMessageBox::DestructiveRole));
            QVERIFY(move && move->kind() == GButton::Kind::error);
            QCOMPARE(move->text(), u"Move to Trash"_qs);
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            QVERIFY(ScreenShots::shoot(dialog, u"space-trash-dialog"_qs));
            QVERIFY(RealInput::click(buttonOf(dialog, role)));
            QVERIFY(!s.view->pendingTrash());
        }
        QVERIFY(QTest::qWaitFor([&] { return s.view->rows()->rowCount() == 1; }, 10000));
        QCOMPARE(s.rowNames(), QStringList{u"small.txt"_qs});
        QCOMPARE(TrashCheck::problemWith(big), QString());
    }
};

QTEST_MAIN(SpaceViewTest)
#include "tst_space_view.moc"
