#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "WholeApp.h"
#include "app/TabButton.h"
#include "app/TopBar.h"
#include "panes/Pane.h"
#include "spacelens/SpaceModel.h"
#include "spacelens/SpaceRows.h"
#include "spacelens/SpaceView.h"
#include "support/TrashCheck.h"
#include "theme/controls/ConfirmButton.h"
#include "uninstaller/AppDetail.h"
#include "uninstaller/AppRows.h"
#include "uninstaller/UninstallView.h"

Q_DECLARE_METATYPE(Pane)

// Whole journeys with the keyboard alone: every key goes where a user's key
// would go (the focused widget or the open menu), nothing is clicked.
class KeyboardTest : public QObject {
    Q_OBJECT

    static Qt::Key digit(Pane pane) { return Qt::Key(Qt::Key_1 + Panes::all().indexOf(pane)); }

private Q_SLOTS:
    void initTestCase() { ScreenShots::loadLook(); }

    // From any pane, Ctrl+<number> then Ctrl+F lands in the Uninstaller's
    // search field, before anything in the pane ever had focus.
    void findRightAfterSwitching_data() {
        QTest::addColumn<Pane>("from");
        for (Pane p : {Pane::overview, Pane::clean, Pane::space, Pane::optimize})
            QTest::newRow(Panes::title(p).toUtf8()) << p;
    }
    void findRightAfterSwitching() {
        QFETCH(Pane, from);
        WholeApp shell;
        shell.start();
        shell.root->setPane(from);
        QCoreApplication::processEvents();
        shell.key(digit(Pane::uninstall), Qt::ControlModifier);
        auto *view = shell.paneView<UninstallView>();
        QVERIFY(view);
        QVERIFY(!view->isAncestorOf(QApplication::focusWidget()));
        shell.key(Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), view->search());
    }

    // Arrows select where they land; Return and Space select the current row.
    void selectingFromTheList_data() {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QString>("selected");
        QTest::newRow("down") << QList<int>{Qt::Key_Down} << u"Beta"_qs;
        QTest::newRow("down, up") << QList<int>{Qt::Key_Down, Qt::Key_Up} << u"Alpha"_qs;
        QTest::newRow("return") << QList<int>{Qt::Key_Return} << u"Alpha"_qs;
        QTest::newRow("space") << QList<int>{Qt::Key_Space} << u"Alpha"_qs;
        QTest::newRow("end, space") << QList<int>{Qt::Key_End, Qt::Key_Space} << u"Gamma"_qs;
    }
    void selectingFromTheList() {
        QFETCH(QList<int>, keys);
        QFETCH(QString, selected);
        WholeApp shell;
        shell.apps.list = listJson({app(u"Alpha"_qs), app(u"Beta"_qs), app(u"Gamma"_qs)});
        shell.start();
        shell.key(digit(Pane::uninstall), Qt::ControlModifier);
        auto *view = shell.paneView<UninstallView>();
        QVERIFY(view);
        QVERIFY(WholeApp::until([&] { return view->list()->isVisible(); }));
        QVERIFY(shell.tabTo([&](QWidget *w) { return w == view->list(); }));
        QVERIFY(!shell.root->apps()->selection());  // taking focus selects nothing
        for (int k : keys) shell.key(Qt::Key(k));
        QCOMPARE(shell.root->apps()->selection(), std::optional(u"/opt/"_qs + selected));
    }

    // Search, pick the app, reach Uninstall and confirm it, all with keys; the
    // app goes to the Trash and the keyboard stays in the pane.
    void uninstallJourney() {
        WholeApp shell;
        const QString tool = shell.home() + u"/Applications/Tool.AppImage"_qs;
        QVERIFY(TestEnvironment::writeFile(tool));
        shell.apps.list = listJson({app(u"Other"_qs), app(u"Tool"_qs, u"AppImage"_qs, tool)});
        shell.apps.dryRuns.insert(u"tool"_qs, dryRun({tool, u"~/.config/tool"_qs}));
        shell.start();

        shell.key(digit(Pane::uninstall), Qt::ControlModifier);
        auto *view = shell.paneView<UninstallView>();
        QVERIFY(view);
        QVERIFY(WholeApp::until([&] { return !shell.root->apps()->apps().isEmpty(); }));
        shell.key(Qt::Key_F, Qt::ControlModifier);
        shell.type(u"too"_qs);
        QCOMPARE(view->rows()->rowCount(), 1);
        shell.key(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), view->list());
        shell.key(Qt::Key_Return);
        QCOMPARE(shell.root->apps()->selection(), std::optional(tool));

        AppDetail *detail = nullptr;
        QVERIFY(WholeApp::until([&] {
            detail = qobject_cast<AppDetail *>(view->detail());
            return detail && detail->uninstallButton()->isEnabled();
        }));
        QVERIFY(shell.tabTo([&](QWidget *w) { return w == detail->uninstallButton(); }));
        shell.key(Qt::Key_Space);
        QVERIFY(detail->uninstallButton()->isArmed());
        shell.key(Qt::Key_Space);
        QVERIFY(WholeApp::until(
            [&] { return shell.root->apps()->preview().kind == AppsModel::Preview::removed; }));
        QCOMPARE(TrashCheck::problemWith(tool), QString());
        // The button and the only row went with the app; the keys stay in the pane.
        shell.keepActive();
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus && focus->isVisible() && view->isAncestorOf(focus));
        QCOMPARE(focus, view->search());
    }

    // Open a folder with Return, come back with Backspace, open the row's
    // menu with the menu key, close it with Escape, open it with Shift+F10,
    // choose Move to Trash and confirm: the file is in the Trash.
    void spaceLensJourney() {
        WholeApp shell;
        const QString media = shell.home() + u"/Media"_qs;
        const QString iso = media + u"/big.iso"_qs;
        QVERIFY(TestEnvironment::writeFile(iso, QByteArray(4000, 'x')));
        shell.answer(u"/"_qs,
                     reportJson(u"/"_qs, {{u"Media"_qs, media, 5000, true},
                                          {u"notes.txt"_qs, u"/data/notes.txt"_qs, 10, false}}));
        shell.answer(media, reportJson(media, {{u"big.iso"_qs, iso, 4000, false},
                                               {u"small"_qs, media + u"/small"_qs, 1000, false}}));
        shell.start();
        shell.key(digit(Pane::space), Qt::ControlModifier);
        auto *view = shell.paneView<SpaceView>();
        QVERIFY(view);
        QVERIFY(WholeApp::until([&] { return view->list()->isVisible(); }));
        QVERIFY(shell.tabTo([&](QWidget *w) { return w == view->list(); }));
        QCOMPARE(view->list()->currentIndex().row(), 0);

        shell.key(Qt::Key_Return);  // Media
        QVERIFY(WholeApp::until(
            [&] { return shell.root->space()->trail().size() == 2 && view->list()->isVisible(); }));
        QCOMPARE(QApplication::focusWidget(), view->list());
        QCOMPARE(view->rows()->row(0).item.name, u"big.iso"_qs);

        shell.key(Qt::Key_Backspace);
        QVERIFY(WholeApp::until([&] { return shell.root->space()->trail().size() == 1; }));
        QCOMPARE(QApplication::focusWidget(), view->list());
        shell.key(Qt::Key_Left, Qt::AltModifier);  // at the top: nothing to go back to
        QCOMPARE(shell.root->space()->trail().size(), 1);
        shell.key(Qt::Key_Space);  // Media again, measured already
        QVERIFY(WholeApp::until(
            [&] { return shell.root->space()->trail().size() == 2 && view->list()->hasFocus(); }));

        shell.key(Qt::Key_Menu);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu->accessibleName(), u"Actions for big.iso"_qs);
        shell.key(Qt::Key_Escape);
        QVERIFY(WholeApp::until([] { return !QApplication::activePopupWidget(); }));
        QCOMPARE(QApplication::focusWidget(), view->list());

        shell.key(Qt::Key_F10, Qt::ShiftModifier);
        menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        // Show in Finder, Move to Trash… (a file has no Open).
        shell.key(Qt::Key_Up);
        QCOMPARE(menu->activeAction()->text(), u"Move to Trash…"_qs);
        shell.key(Qt::Key_Return);
        QVERIFY(WholeApp::until([&] { return view->trashDialog() != nullptr; }));
        QMessageBox *dialog = view->trashDialog();
        QVERIFY(WholeApp::until([&] { return dialog->isAncestorOf(QApplication::focusWidget()); }));
        QCOMPARE(dialog->buttonRole(qobject_cast<QAbstractButton *>(QApplication::focusWidget())),
                 QMessageBox::RejectRole);  // Cancel is the default
        QVERIFY(shell.tabTo([&](QWidget *w) {
            auto *b = qobject_cast<QAbstractButton *>(w);
            return b && dialog->buttonRole(b) == QMessageBox::DestructiveRole;
        }));
        shell.key(Qt::Key_Space);
        QVERIFY(WholeApp::until([&] { return view->rows()->rowCount() == 1; }));
        QCOMPARE(TrashCheck::problemWith(iso), QString());
    }
};

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
