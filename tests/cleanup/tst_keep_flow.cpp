#include <QApplication>
#include <QListView>
#include <QMenu>
#include <QTest>
#include <QWindow>

#include "cleanup/CleanModel.h"
#include "cleanup/CleanView.h"
#include "cleanup/ItemRow.h"
#include "cleanup/KeptItems.h"
#include "cleanup/KeptItemsView.h"
#include "cleanup/ReportRows.h"
#include "cleanup/ReportTable.h"
#include "support/PaneScene.h"
#include "support/ScreenShots.h"
#include "support/TestEnvironment.h"
#include "theme/controls/GButton.h"

namespace {

using Phase = CleanModel::Phase;

// The Cleanup pane over the real engine in a temporary home with two caches.
struct Scene : PaneScene<CleanModel, CleanView> {
    Scene() {
        env.installRealEngine();
        for (const char *cache : {"/.cache/appA/blob.bin", "/.cache/appB/blob.bin"})
            TestEnvironment::writeFile(env.home() + QString::fromLatin1(cache),
                                       QByteArray(400'000, 'x'));
    }
    bool scanned() {
        return QTest::qWaitFor([&] { return model.phase().kind == Phase::ready; }, 60000);
    }
    QListView *list() const { return view.report()->list(); }
    ReportRows *rows() const { return view.report()->rows(); }
    int rowOf(const QString &text) const {
        for (int i = 0; i < rows()->rowCount(); ++i)
            if (rows()->data(rows()->index(i), Qt::DisplayRole).toString().remove(QChar(0x2060)) ==
                text)
                return i;
        return -1;
    }
    // A point of the row in the list's viewport, `x` from its left (negative: from its right).
    QPoint at(int row, int x) const {
        const QRect rect = list()->visualRect(rows()->index(row));
        return {x >= 0 ? rect.left() + x : rect.right() + x, rect.center().y()};
    }
    void open(const QString &section) {
        QTRY_VERIFY(rowOf(section) >= 0);  // the table takes the report once per batch
        const int row = rowOf(section);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at(row, 40));
        QVERIFY(rowOf(section) + 1 < rows()->rowCount());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);  // the list grows
    }
    // A right-click: the press and release through the window, then the
    // context-menu request the window system sends after them.
    void rightClick(int row) {
        list()->scrollTo(rows()->index(row));
        QWidget *viewport = list()->viewport();
        QWindow *window = viewport->window()->windowHandle();
        const QPoint local = at(row, 60);
        QTRY_COMPARE(viewport->window()->childAt(viewport->mapTo(viewport->window(), local)),
                     viewport);
        QTest::mouseClick(window, Qt::RightButton, {}, viewport->mapTo(viewport->window(), local));
        if (QApplication::activePopupWidget())
            return;
        QContextMenuEvent request(QContextMenuEvent::Mouse, local, viewport->mapToGlobal(local));
        QApplication::sendEvent(viewport, &request);
    }
};

QMenu *openMenu() {
    QMenu *menu = nullptr;
    return QTest::qWaitFor(
               [&] { return (menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())); },
               5000)
               ? menu
               : nullptr;
}

void choose(QMenu *menu, const QString &text) {
    for (QAction *action : menu->actions())
        if (action->text() == text) {
            const QPoint point = menu->actionGeometry(action).center();
            QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {}, point);
            return;
        }
    QFAIL(qPrintable(u"no menu item "_qs + text));
}

QStringList itemsOf(const CleanModel &model, const QString &section) {
    QStringList out;
    for (const ReportSection &s : model.sections())
        if (s.title == section)
            for (const ReportItem &item : s.items)
                out.append(QString(item.label).remove(QChar(0x2060)));
    return out;
}

}  // namespace

class KeepFlowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { ScreenShots::loadLook(); }

    // Right-click → Always Keep: the scan runs again, the item is listed
    // under "Kept" at the end, and the total drops by its size. Its
    // ellipsis opens the same menu; its reason shows on hover.
    void alwaysKeepFromTheReport() {
        Scene scene;
        scene.model.scan();
        QVERIFY(scene.scanned());
        QCoreApplication::processEvents();
        const qint64 before = scene.model.total();
        scene.open(u"User caches"_qs);
        const int appA = scene.rowOf(u"appA"_qs);
        QVERIFY(appA >= 0);
        QCOMPARE(scene.rows()->data(scene.rows()->index(appA), Qt::ToolTipRole).toString(),
                 u"Cache; the app makes it again when needed"_qs);

        const int appB = scene.rowOf(u"appB"_qs);
        const QRect rect = scene.list()->visualRect(scene.rows()->index(appB));
        const QPoint dots =
            ItemRow::menuButton(rect, ReportColumns::in(rect).size).center().toPoint();
        QTest::mouseClick(scene.list()->viewport(), Qt::LeftButton, {}, dots);
        QMenu *fromEllipsis = openMenu();
        QVERIFY(fromEllipsis);
        QCOMPARE(fromEllipsis->actions().first()->text(), u"Always Keep"_qs);
        QTest::keyClick(fromEllipsis, Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());

        scene.rightClick(appA);
        QMenu *menu = openMenu();
        QVERIFY(menu);
        choose(menu, u"Always Keep"_qs);
        QVERIFY(QTest::qWaitFor(
            [&] {
                return scene.model.phase().kind == Phase::ready &&
                       itemsOf(scene.model, u"Kept"_qs).contains(u"~/.cache/appA"_qs);
            },
            60000));
        QCOMPARE(scene.model.sections().last().title, u"Kept"_qs);
        QVERIFY(!itemsOf(scene.model, u"User caches"_qs).contains(u"appA"_qs));
        QVERIFY2(scene.model.total() <= before - 400'000,
                 qPrintable(QString::number(scene.model.total()) + u" of "_qs +
                            QString::number(before)));
        QVERIFY(QFile::exists(scene.env.home() + u"/.config/mole/keep"_qs));
        scene.open(u"Kept"_qs);
        QVERIFY(ScreenShots::shoot(&scene.view, u"kept"_qs));
    }

    // Settings lists what is kept; Release takes it off the list.
    void settingsReleasesAKeptItem() {
        TestEnvironment env;
        env.installRealEngine();
        TestEnvironment::writeFile(env.home() + u"/.config/mole/keep"_qs,
                                   "# mine\n~/.cache/appA\n~/Documents\n");
        KeptItemsView view;
        ScreenShots::present(&view);
        QVERIFY(QTest::qWaitFor([&] { return view.items()->paths().size() == 2; }, 30000));
        QCOMPARE(view.items()->paths(), (QStringList{u"~/.cache/appA"_qs, u"~/Documents"_qs}));
        GButton *release = nullptr;
        QTRY_VERIFY((release = [&]() -> GButton * {
            for (GButton *b : view.findChildren<GButton *>())
                if (b->accessibleName() == u"Release ~/.cache/appA"_qs && b->isVisible())
                    return b;
            return nullptr;
        }()));
        QTest::mouseClick(release, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return view.items()->paths().size() == 1; }, 30000));
        QCOMPARE(view.items()->paths(), QStringList{u"~/Documents"_qs});
        QCOMPARE(TestEnvironment::readFile(env.home() + u"/.config/mole/keep"_qs),
                 QByteArray("# mine\n~/Documents\n"));
        QVERIFY(ScreenShots::shoot(&view, u"settings-kept"_qs));
    }

    void parsesTheKeptList() {
        QCOMPARE(KeptItems::parse(u"\u27a4 Kept\n\u25ce ~/.cache/a \u00b7 kept\n"
                                  u"\u26a0 Keep list \u00b7 could not be read\n"
                                  u"\u25ce ~/x \u00b7 y \u00b7 kept\n"_qs),
                 (QStringList{u"~/.cache/a"_qs, u"~/x"_qs}));
    }
};

QTEST_MAIN(KeepFlowTest)
#include "tst_keep_flow.moc"
