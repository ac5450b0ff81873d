#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include "Journey.h"
#include "WholeApp.h"
#include "app/App.h"
#include "panes/Pane.h"
#include "app/SettingsView.h"
#include "app/TabButton.h"
#include "app/TopBar.h"
#include "cleanup/CleanModel.h"
#include "cleanup/CleanView.h"
#include "maintenance/OptimizeModel.h"
#include "maintenance/OptimizeView.h"
#include "overview/OverviewView.h"
#include "permissions/AccessView.h"
#include "spacelens/SpaceModel.h"
#include "spacelens/SpaceRows.h"
#include "spacelens/SpaceView.h"
#include "support/TrashCheck.h"
#include "support/ViewProbe.h"
#include "theme/controls/ConfirmButton.h"
#include "uninstaller/AppDetail.h"
#include "uninstaller/AppRows.h"
#include "uninstaller/UninstallView.h"

Q_DECLARE_METATYPE(Pane)

namespace {

// Keys as a person types them, into the window that has them: the open
// menu, else a dialog, else the active window (`main` when none is).
struct Keys {
    QWidget *main;

    QWindow *window() const {
        if (QWidget *popup = QApplication::activePopupWidget())
            return popup->windowHandle();
        if (QWidget *modal = QApplication::activeModalWidget())
            return modal->windowHandle();
        QWidget *active = QApplication::activeWindow();
        return (active ? active : main)->windowHandle();
    }
    // The offscreen platform drops the activation when the focused widget
    // is deleted; a desktop keeps it. Give it back as the desktop would.
    void keepActive() const {
        QTest::qWait(10);
        if (!QApplication::activeWindow()) {
            main->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(main));
        }
    }
    void operator()(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const {
        keepActive();
        QTest::keyClick(window(), key, modifiers);
        QCoreApplication::processEvents();
    }
    // Tabs until `wanted` has focus, checking every stop on the way; false
    // after a lap without it or at a stop a user could not see or hear.
    bool tabTo(const QWidget *wanted, QStringList *seen = nullptr, int most = 40) const {
        for (int i = 0; i < most; ++i) {
            QWidget *focus = QApplication::focusWidget();
            // Where the keys start need not be drawn yet: nothing was typed.
            const QString problem = focus && i > 0 ? problemAt(focus) : QString();
            if (!problem.isEmpty())
                return qWarning("%s", qPrintable(problem)), false;
            if (focus && seen)
                seen->append(nameOf(focus));
            if (focus == wanted)
                return true;
            (*this)(Qt::Key_Tab);
        }
        return false;
    }
    static QString nameOf(QWidget *widget) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
        return iface ? iface->text(QAccessible::Name) : QString();
    }
    // A focus stop must be shown, named, and drawn as focused.
    static QString problemAt(QWidget *focus) {
        const QString what = QString::fromLatin1(focus->metaObject()->className()) + u" \""_qs +
                             nameOf(focus) + u'"';
        if (!focus->isVisible() || focus->visibleRegion().isEmpty())
            return u"focus on a hidden "_qs + what;
        if (nameOf(focus).trimmed().isEmpty())
            return u"focus on an unnamed "_qs + what;
        if (auto *pressable = qobject_cast<Pressable *>(focus);
            pressable && !pressable->showsFocus())
            return u"no focus ring on "_qs + what;
        return {};
    }
    // The keys are still somewhere a user can see.
    static bool focusShown(QWidget *within) {
        QWidget *focus = QApplication::focusWidget();
        return focus && within->isAncestorOf(focus) && problemAt(focus).isEmpty();
    }
};

}  // namespace

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
        // Above the rows, in the order drawn: the way up, then Back.
        shell.key(Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), view->backButton());
        shell.key(Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), view->crumbs().first());
        QVERIFY(ScreenShots::shoot(&*shell.root, u"keyboard-crumb"_qs));
        shell.key(Qt::Key_Tab);
        shell.key(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), view->list());

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

        // The row's "…" is the next Tab stop, named for the row, and opens
        // the same menu.
        shell.key(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), view->rowActions());
        QCOMPARE(Keys::problemAt(view->rowActions()), QString());
        QCOMPARE(Keys::nameOf(view->rowActions()), u"Actions for big.iso"_qs);
        QVERIFY(ScreenShots::shoot(&*shell.root, u"keyboard-row-actions"_qs));
        shell.key(Qt::Key_Return);
        menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu->accessibleName(), u"Actions for big.iso"_qs);
        shell.key(Qt::Key_Escape);
        QVERIFY(WholeApp::until([] { return !QApplication::activePopupWidget(); }));
        QCOMPARE(QApplication::focusWidget(), view->rowActions());
        shell.key(Qt::Key_Tab, Qt::ShiftModifier);
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
        // The keys are back on the rows, and the "…" follows the row left.
        shell.keepActive();
        QCOMPARE(QApplication::focusWidget(), view->list());
        QVERIFY(WholeApp::until(
            [&] { return Keys::nameOf(view->rowActions()) == u"Actions for small"; }));
    }

    // The first screen: Tab reaches Continue, Return presses it, and the
    // keys land in the panes that replace the screen.
    void firstRunContinue() {
        Journey j(false);
        QVERIFY(j.shown());
        const Keys keys{&*j.window};
        auto *access = j.view<AccessView>();
        QVERIFY(access);
        QVERIFY(keys.tabTo(access->continueButton()));
        keys(Qt::Key_Return);
        QCOMPARE(j.root()->content(), RootView::Content::panes);
        QVERIFY(UserDefaults::flag(UserDefaults::setupDone));
        keys.keepActive();
        QCOMPARE(QApplication::focusWidget(), j.root()->topBar()->tabs().first());
        QVERIFY(Keys::focusShown(&*j.window));
        // Switching panes from inside one leaves the keys on the new pane's tab.
        auto *overview = j.view<OverviewView>();
        for (int i = 0; i < 10 && !overview->isAncestorOf(QApplication::focusWidget()); ++i)
            keys(Qt::Key_Tab);
        QVERIFY(overview->isAncestorOf(QApplication::focusWidget()));
        keys(digit(Pane::optimize), Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), j.root()->topBar()->tabs().last());
    }

    // Scan, arm the clean, change one's mind with Escape, arm it again and
    // confirm: every press from the keyboard, the keys kept on the buttons
    // that come with each phase.
    void cleanupScanClean() {
        Journey j(true);
        QVERIFY(j.shown());
        const Keys keys{&*j.window};
        keys(digit(Pane::clean), Qt::ControlModifier);
        CleanView *view = nullptr;
        QVERIFY(WholeApp::until([&] { return (view = j.view<CleanView>()); }));
        CleanModel *model = j.root()->clean();
        QVERIFY(keys.tabTo(ViewProbe::visibleButton(*view, u"Scan"_qs)));
        keys(Qt::Key_Space);
        QVERIFY(WholeApp::until([&] { return model->phase().kind == CleanModel::Phase::ready; }));
        QCOMPARE(QApplication::focusWidget(), ViewProbe::visibleButton(*view, u"Rescan"_qs));
        QVERIFY(Keys::focusShown(view));
        QVERIFY(ScreenShots::shoot(&*j.window, u"keyboard-cleanup"_qs));

        ConfirmButton *clean = view->cleanButton();
        QVERIFY(keys.tabTo(clean));
        QCOMPARE(clean->title(), u"Clean 1.52 GB"_qs);
        keys(Qt::Key_Return);
        QCOMPARE(clean->title(), u"Confirm: Empty Trash & Clean"_qs);
        keys(Qt::Key_Escape);
        QCOMPARE(clean->title(), u"Clean 1.52 GB"_qs);
        QCOMPARE(model->phase().kind, CleanModel::Phase::ready);
        keys(Qt::Key_Return);
        keys(Qt::Key_Return);
        QVERIFY(WholeApp::until([&] { return model->phase().kind == CleanModel::Phase::done; }));
        QVERIFY(ViewProbe::strip(*view).contains(u"Status: Cleaned"_qs));
        QCOMPARE(QApplication::focusWidget(), ViewProbe::visibleButton(*view, u"Scan Again"_qs));
        QVERIFY(Keys::focusShown(view));
    }

    // Run the check, go on to Apply Fixes, apply them.
    void maintenanceCheckApply() {
        Journey j(true);
        QVERIFY(j.shown());
        const Keys keys{&*j.window};
        keys(digit(Pane::optimize), Qt::ControlModifier);
        OptimizeView *view = nullptr;
        QVERIFY(WholeApp::until([&] { return (view = j.view<OptimizeView>()); }));
        OptimizeModel *model = j.root()->optimize();
        QVERIFY(keys.tabTo(ViewProbe::visibleButton(*view, u"Run Check"_qs)));
        keys(Qt::Key_Return);
        QVERIFY(WholeApp::until([&] { return model->phase() == OptimizeModel::Phase::ready; }));
        QVERIFY(ViewProbe::strip(*view).contains(u"Status: Needs Attention"_qs));
        QCOMPARE(QApplication::focusWidget(), ViewProbe::visibleButton(*view, u"Recheck"_qs));
        keys(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), ViewProbe::visibleButton(*view, u"Apply Fixes"_qs));
        keys(Qt::Key_Space);
        QVERIFY(WholeApp::until([&] { return model->phase() == OptimizeModel::Phase::done; }));
        QVERIFY(ViewProbe::strip(*view).contains(u"Status: Complete"_qs));
        QCOMPARE(QApplication::focusWidget(), ViewProbe::visibleButton(*view, u"Check Again"_qs));
        QVERIFY(Keys::focusShown(view));
    }

    // Settings opens with Ctrl+comma; Tab walks its controls in the order
    // they are drawn; Release lets a kept path go and the keys stay in the
    // card; Run Again brings the first screen back; Escape closes Settings.
    void settings() {
        AppFixture fixture;
        fixture.env().installRealEngine();
        QVERIFY(TestEnvironment::writeFile(fixture.env().resources() + u"/engine/LICENSE"_qs));
        const QString config = fixture.env().home() + u"/.config"_qs;
        QVERIFY(TestEnvironment::writeFile(config + u"/mole/keep"_qs,
                                           "~/.cache/first\n~/.cache/second\n"));
        // A GNOME desktop whose settings app only notes the page asked for.
        QTemporaryDir bin;
        const QString opened = bin.filePath(u"opened"_qs);
        fixture.env().writeScript(bin.filePath(u"gnome-control-center"_qs),
                                  u"echo \"$@\" > '"_qs + opened + u"'\n"_qs);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        const auto restore = qScopeGuard([&] {
            qputenv("PATH", path);
            qunsetenv("XDG_CURRENT_DESKTOP");
        });
        UserDefaults::setFlag(UserDefaults::setupDone, true);
        App app;
        MainWindow *main = app.mainWindow();
        main->show();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        const Keys keys{main};
        keys(Qt::Key_Comma, Qt::ControlModifier);
        QPointer<QWidget> window = app.settingsWindow();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        auto *view = window->findChild<SettingsView *>();
        QList<GButton *> releases;
        QVERIFY(WholeApp::until([&] {
            releases.clear();
            for (GButton *b : view->findChildren<GButton *>())
                if (b->title() == u"Release" && b->isVisible())
                    releases.append(b);
            return releases.size() == 2;
        }));

        // The first stop opens the desktop's page for file access.
        QWidget *open = QApplication::focusWidget();
        QCOMPARE(Keys::nameOf(open), u"Open"_qs);
        QCOMPARE(open->accessibleDescription(), u"Full Disk Access"_qs);
        keys(Qt::Key_Space);
        QTRY_COMPARE(TestEnvironment::readFile(opened), QByteArray("applications\n"));
        window->activateWindow();  // the settings app would have taken it
        QVERIFY(QTest::qWaitForWindowActive(window));

        // Automation has no page on Linux: its Open is no stop.
        QStringList stops;
        QVERIFY(keys.tabTo(releases[0], &stops));
        QCOMPARE(stops, (QStringList{u"Open"_qs, u"Open"_qs, u"Run Again"_qs,
                                     u"Release ~/.cache/first"_qs}));
        keys(Qt::Key_Space);
        QVERIFY(WholeApp::until([&] {
            return !TestEnvironment::readFile(config + u"/mole/keep"_qs).contains("first");
        }));
        QVERIFY(WholeApp::until([&] {
            return Keys::nameOf(QApplication::focusWidget()) == u"Release ~/.cache/second";
        }));
        QVERIFY(Keys::focusShown(view));
        QVERIFY(ScreenShots::shoot(window, u"keyboard-settings"_qs));
        keys(Qt::Key_Tab);
        QCOMPARE(Keys::nameOf(QApplication::focusWidget()), u"License"_qs);

        QVERIFY(keys.tabTo(view->runAgainButton()));
        keys(Qt::Key_Return);
        QVERIFY(!UserDefaults::flag(UserDefaults::setupDone, true));
        QCOMPARE(main->root()->content(), RootView::Content::setup);

        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        keys(Qt::Key_Escape);
        QVERIFY(WholeApp::until([&] { return !window; }));
    }

    // A whole lap of Tab on each pane: every stop is shown, named and drawn
    // focused, and the lap comes back to where it started (the menu, the
    // tabs, then the pane, as drawn).
    void everyStop_data() {
        QTest::addColumn<Pane>("pane");
        for (Pane p : Panes::all()) QTest::newRow(Panes::title(p).toUtf8()) << p;
    }
    void everyStop() {
        QFETCH(Pane, pane);
        Journey j(true);
        j.answer(u"/"_qs, {{u"Docs"_qs, j.app.env().home() + u"/Docs"_qs, 9000, true, {}, {}, {}}});
        QVERIFY(j.shown());
        const Keys keys{&*j.window};
        keys(digit(pane), Qt::ControlModifier);
        QTest::qWait(200);  // listings and reports arrive
        keys(Qt::Key_Tab);
        QWidget *first = QApplication::focusWidget();
        QVERIFY(first);
        QStringList stops;
        for (int i = 0; i < 60; ++i) {
            QWidget *focus = QApplication::focusWidget();
            QVERIFY(focus);
            QVERIFY2(Keys::problemAt(focus).isEmpty(), qPrintable(Keys::problemAt(focus)));
            stops.append(Keys::nameOf(focus));
            keys(Qt::Key_Tab);
            if (QApplication::focusWidget() == first)
                break;
        }
        QVERIFY2(QApplication::focusWidget() == first, qPrintable(stops.join(u" | ")));
    }
};

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
