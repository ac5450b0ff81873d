#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include "Journey.h"
#include "app/SaveNotice.h"
#include "app/SettingsView.h"
#include "cleanup/CleanModel.h"
#include "cleanup/ui/BuildLog.h"
#include "cleanup/ui/CleanView.h"
#include "maintenance/OptimizeModel.h"
#include "maintenance/ui/OptimizeView.h"
#include "overview/ui/OverviewView.h"
#include "permissions/ui/AccessView.h"
#include "spacelens/SpaceModel.h"
#include "spacelens/SpaceRows.h"
#include "spacelens/ui/SpaceDelegate.h"
#include "spacelens/ui/SpaceView.h"
#include "support/ScreenShots.h"
#include "support/TrashCheck.h"
#include "support/ViewProbe.h"
#include "theme/controls/ConfirmButton.h"
#include "uninstaller/AppRows.h"
#include "uninstaller/AppsModel.h"
#include "uninstaller/ui/AppDetail.h"
#include "uninstaller/ui/UninstallView.h"

namespace {

enum class Path { firstRun, cleanup, uninstaller, spaceLens, maintenance, settings };

// The row of `list` showing `name`, or an invalid index.
QModelIndex rowNamed(QListView *list, const QString &name) {
    QAbstractItemModel *model = list->model();
    for (int i = 0; i < model->rowCount(); ++i)
        if (model->index(i, 0).data().toString() == name)
            return model->index(i, 0);
    return {};
}

// Clicks a row of `list` at `x` from its left (its centre when negative).
bool clickRow(QListView *list, const QModelIndex &index, int x = -1) {
    RealInput::settle();
    if (!index.isValid())
        return false;
    list->scrollTo(index);
    const QRect rect = list->visualRect(index);
    return RealInput::click(list->viewport(),
                            {x < 0 ? rect.center().x() : rect.left() + x, rect.center().y()});
}

QWidget *focus() {
    return QApplication::focusWidget();
}

}  // namespace

Q_DECLARE_METATYPE(Path)

// The journeys a user takes through the real window, each once with the
// pointer (a press and release where the control is drawn) and once with the
// keyboard alone (every key to where a user's key would go).
class JourneysTest : public QObject {
    Q_OBJECT

    // Opens `pane` by its tab, or by Ctrl+<number>.
    static bool toPane(Journey &j, Pane pane, bool keys) {
        if (!keys)
            return j.openPane(pane);
        j.key(Journey::digit(pane), Qt::ControlModifier);
        return Journey::until([&] { return j.root()->pane() == pane; });
    }

    // Continue on the first run; the keys land in the panes that replace it.
    void firstRun(bool keys) {
        Journey j(false);
        QVERIFY(j.shown());
        QVERIFY(!j.root()->topBar()->showsTabs());
        QPointer<AccessView> access = j.view<AccessView>();
        QVERIFY(access);
        QVERIFY(j.press(access->continueButton(), keys));
        QCOMPARE(j.root()->content(), RootView::Content::panes);
        QVERIFY(UserDefaults::flag(UserDefaults::setupDone));
        QVERIFY(j.root()->topBar()->showsTabs());
        QVERIFY(j.root()->saveNotice()->isHidden());
        // The screen that held the button goes once its press is over.
        QTRY_VERIFY(!access);
        if (!keys)
            return;
        j.keepActive();
        QCOMPARE(focus(), j.root()->topBar()->tabs().first());
        QVERIFY(Journey::focusShown(j.window));
    }

    // Scan, arm the clean (by keys: change one's mind with Escape and arm it
    // again), confirm; the keys stay on the buttons each phase brings.
    void cleanup(bool keys) {
        Journey j(true);
        QVERIFY(j.shown());
        QVERIFY(toPane(j, Pane::clean, keys));
        auto *view = j.view<CleanView>();
        QVERIFY(view);
        CleanModel *model = j.root()->clean();
        QVERIFY(j.press(ViewProbe::visibleButton(*view, u"Scan"_qs), keys));
        QVERIFY(Journey::until([&] { return model->phase().kind == CleanModel::Phase::ready; }));
        if (keys) {
            QCOMPARE(focus(), ViewProbe::visibleButton(*view, u"Rescan"_qs));
            QVERIFY(Journey::focusShown(view));
        }
        // Away and back: the report waits where it was.
        QVERIFY(toPane(j, Pane::overview, keys) && toPane(j, Pane::clean, keys));
        QVERIFY((view = j.view<CleanView>()));
        ConfirmButton *clean = view->cleanButton();
        QCOMPARE(clean->title(), u"Clean 1.52 GB"_qs);
        QVERIFY(j.press(clean, keys));
        QCOMPARE(clean->title(), u"Confirm: Empty Trash & Clean"_qs);
        QCOMPARE(model->phase().kind, CleanModel::Phase::ready);
        if (keys) {
            j.key(Qt::Key_Escape);
            QCOMPARE(clean->title(), u"Clean 1.52 GB"_qs);
            j.key(Qt::Key_Return);
        }
        QVERIFY(j.press(clean, keys));
        QVERIFY(Journey::until([&] { return model->phase().kind == CleanModel::Phase::done; }));
        QVERIFY(ViewProbe::strip(*view).contains(u"Status: Cleaned"_qs));
        QCOMPARE(view->content(), static_cast<QWidget *>(view->log()));
        if (keys) {
            QCOMPARE(focus(), ViewProbe::visibleButton(*view, u"Scan Again"_qs));
            QVERIFY(Journey::focusShown(view));
        }
    }

    // Search, pick the app, Uninstall and confirm: it and its leftovers are
    // in the Trash, and the keys stay in the pane.
    void uninstaller(bool keys) {
        Journey j(true);
        QVERIFY(j.shown());
        QVERIFY(toPane(j, Pane::uninstall, keys));
        auto *view = j.view<UninstallView>();
        QVERIFY(view);
        AppsModel *model = j.root()->apps();
        QVERIFY(Journey::until([&] { return view->rows()->rowCount() == 1; }));
        if (keys) {
            QVERIFY(!view->isAncestorOf(focus()));  // Ctrl+F before the pane had focus
            j.key(Qt::Key_F, Qt::ControlModifier);
            QCOMPARE(focus(), view->search());
        } else {
            QVERIFY(j.press(view->search(), keys));
        }
        j.type(u"note"_qs);
        QCOMPARE(view->rows()->rowCount(), 1);
        if (keys) {
            j.key(Qt::Key_Tab);
            QCOMPARE(focus(), view->list());
            QVERIFY(!model->selection());  // taking focus selects nothing
            j.key(Qt::Key_Return);
        } else {
            QVERIFY(clickRow(view->list(), rowNamed(view->list(), u"Notely"_qs)));
        }
        QCOMPARE(model->selection(), std::optional(j.appImage));
        AppDetail *detail = nullptr;
        // The detail with the plan's files, not the one still finding them.
        QVERIFY(Journey::until([&] {
            return (detail = qobject_cast<AppDetail *>(view->detail())) && detail->files() &&
                   detail->isVisible() && detail->uninstallButton()->isEnabled();
        }));
        ConfirmButton *uninstall = detail->uninstallButton();
        QVERIFY(j.press(uninstall, keys));
        QCOMPARE(uninstall->title(), u"Confirm Uninstall"_qs);
        QVERIFY(j.press(uninstall, keys));
        QVERIFY(
            Journey::until([&] { return model->preview().kind == AppsModel::Preview::removed; }));
        QVERIFY(!QFileInfo::exists(j.appImage));
        QCOMPARE(TrashCheck::problemWith(j.appImage), QString());
        QCOMPARE(TrashCheck::problemWith(j.app.env().home() + u"/.config/notely"_qs), QString());
        if (keys) {  // the button and the only row went with the app
            j.keepActive();
            QCOMPARE(focus(), view->search());
        }
    }

    // Open a folder, come back, open a file's menu, Move to Trash, confirm.
    void spaceLens(bool keys) {
        Journey j(true);
        const QString home = j.app.env().home();
        const QString docs = home + u"/Docs"_qs;
        const QString big = home + u"/big.iso"_qs;
        QVERIFY(TestEnvironment::writeFile(docs + u"/note.txt"_qs, "note"));
        QVERIFY(TestEnvironment::writeFile(big, QByteArray(4096, 'x')));
        j.answer(u"/"_qs, {{u"Docs"_qs, docs, 9000, true, {}, {}, {}},
                           {u"big.iso"_qs, big, 4096, false, {}, {}, {}}});
        j.answer(docs, {{u"note.txt"_qs, docs + u"/note.txt"_qs, 4, false, {}, {}, {}}});
        QVERIFY(j.shown());
        QVERIFY(toPane(j, Pane::space, keys));
        auto *view = j.view<SpaceView>();
        QVERIFY(view);
        SpaceModel *model = j.root()->space();
        QListView *list = view->list();
        QVERIFY(Journey::until([&] { return rowNamed(list, u"Docs"_qs).isValid(); }));

        if (keys) {
            QVERIFY(j.tabTo(list));
            QCOMPARE(list->currentIndex(), rowNamed(list, u"Docs"_qs));
            j.key(Qt::Key_Return);
        } else {
            QVERIFY(clickRow(list, rowNamed(list, u"Docs"_qs)));
        }
        QVERIFY(Journey::until([&] { return rowNamed(list, u"note.txt"_qs).isValid(); }));
        QCOMPARE(model->trail().size(), 2);
        if (keys) {
            QCOMPARE(focus(), list);
            j.key(Qt::Key_Backspace);
        } else {
            QVERIFY(j.press(view->backButton(), keys));
        }
        QVERIFY(Journey::until([&] { return rowNamed(list, u"big.iso"_qs).isValid(); }));
        QCOMPARE(model->trail().size(), 1);

        QMenu *menu = nullptr;
        const auto menuOpen = [&] {
            return (menu = qobject_cast<QMenu *>(QApplication::activePopupWidget()));
        };
        if (keys) {
            QCOMPARE(focus(), list);
            j.key(Qt::Key_Down);
            QCOMPARE(list->currentIndex(), rowNamed(list, u"big.iso"_qs));
            // The row's "…" is the next stop, named for the row.
            j.key(Qt::Key_Tab);
            QCOMPARE(focus(), view->rowActions());
            QCOMPARE(Journey::nameOf(view->rowActions()), u"Actions for big.iso"_qs);
            j.key(Qt::Key_Return);  // opens the row's menu, and Escape comes back to it
            QVERIFY(menuOpen());
            QCOMPARE(menu->accessibleName(), u"Actions for big.iso"_qs);
            j.key(Qt::Key_Escape);
            QVERIFY(Journey::until([] { return !QApplication::activePopupWidget(); }));
            QCOMPARE(focus(), view->rowActions());
            j.key(Qt::Key_Tab, Qt::ShiftModifier);
            j.key(Qt::Key_F10, Qt::ShiftModifier);
            QVERIFY(menuOpen());
            j.key(Qt::Key_Up);  // Show in Folder, Move to Trash… (a file has no Open)
            QCOMPARE(menu->activeAction()->text(), u"Move to Trash…"_qs);
            j.key(Qt::Key_Return);
        } else {
            // The row's actions glyph opens its menu.
            RealInput::settle();
            const QModelIndex row = rowNamed(list, u"big.iso"_qs);
            const QRect rect = list->visualRect(row);
            const int x = int(SpaceColumns::in(rect).actions_.center().x()) - rect.left();
            QVERIFY(clickRow(list, row, x));
            QVERIFY(Journey::until(menuOpen));
            QAction *trash = nullptr;
            for (QAction *action : menu->actions())
                if (action->text() == u"Move to Trash…"_qs)
                    trash = action;
            QVERIFY(RealInput::choose(menu, trash));
        }
        QVERIFY(Journey::until(
            [&] { return view->trashDialog() && view->trashDialog()->isVisible(); }));
        QMessageBox *dialog = view->trashDialog();
        QAbstractButton *move = nullptr;
        for (QAbstractButton *b : dialog->buttons())
            if (dialog->buttonRole(b) == QMessageBox::DestructiveRole)
                move = b;
        if (keys) {  // Cancel is the default
            QVERIFY(Journey::until([&] { return dialog->isAncestorOf(focus()); }));
            QCOMPARE(dialog->buttonRole(qobject_cast<QAbstractButton *>(focus())),
                     QMessageBox::RejectRole);
        }
        QVERIFY(j.press(move, keys));
        QVERIFY(Journey::until([&] { return !rowNamed(list, u"big.iso"_qs).isValid(); }));
        QVERIFY(!QFileInfo::exists(big));
        QCOMPARE(TrashCheck::problemWith(big), QString());
        if (keys) {
            j.keepActive();
            QCOMPARE(focus(), list);
        }
    }

    void maintenance(bool keys) {
        Journey j(true);
        QVERIFY(j.shown());
        QVERIFY(toPane(j, Pane::optimize, keys));
        auto *view = j.view<OptimizeView>();
        QVERIFY(view);
        OptimizeModel *model = j.root()->optimize();
        QVERIFY(j.press(ViewProbe::visibleButton(*view, u"Run Check"_qs), keys));
        QVERIFY(Journey::until([&] { return model->phase() == OptimizeModel::Phase::ready; }));
        QVERIFY(ViewProbe::strip(*view).contains(u"Status: Needs Attention"_qs));
        if (keys)
            QCOMPARE(focus(), ViewProbe::visibleButton(*view, u"Recheck"_qs));
        QVERIFY(j.press(ViewProbe::visibleButton(*view, u"Apply Fixes"_qs), keys));
        QVERIFY(Journey::until([&] { return model->phase() == OptimizeModel::Phase::done; }));
        QVERIFY(ViewProbe::strip(*view).contains(u"Status: Complete"_qs));
        if (keys) {
            QCOMPARE(focus(), ViewProbe::visibleButton(*view, u"Check Again"_qs));
            QVERIFY(Journey::focusShown(view));
        }
    }

    // Settings from the menu (or Ctrl+comma): open the desktop's file access
    // page, release a kept path, Run Again brings the first screen back.
    void settings(bool keys) {
        // A GNOME desktop whose settings app only notes the page asked for.
        QTemporaryDir bin;
        const QString opened = bin.filePath(u"opened"_qs);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        const auto restore = qScopeGuard([&] { qputenv("PATH", path); });
        Journey j(true);
        j.app.env().writeScript(bin.filePath(u"gnome-control-center"_qs),
                                u"echo \"$@\" > '"_qs + opened + u"'\n"_qs);
        j.app.env().installRealEngine();  // releasing a kept path is the engine's work
        QVERIFY(TestEnvironment::writeFile(j.app.env().resources() + u"/engine/LICENSE"_qs));
        const QString keep = j.app.env().home() + u"/.config/mole/keep"_qs;
        QVERIFY(TestEnvironment::writeFile(keep, "~/.cache/first\n~/.cache/second\n"));
        QVERIFY(j.shown());
        if (keys) {
            j.key(Qt::Key_Comma, Qt::ControlModifier);
        } else {
            QVERIFY(j.press(j.root()->topBar()->menuButton(), keys));
            QMenu *menu = j.shell->menu();
            QVERIFY(Journey::until([&] { return menu->isVisible(); }));
            QVERIFY(RealInput::choose(menu, j.shell->settingsAction()));
        }
        QPointer<QWidget> window = j.shell->settingsWindow();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        auto *view = window->findChild<SettingsView *>();
        QList<GButton *> releases;
        QWidget *open = nullptr;
        QVERIFY(Journey::until([&] {
            releases.clear();
            for (GButton *b : view->findChildren<GButton *>()) {
                if (b->title() == u"Release" && b->isVisible())
                    releases.append(b);
                if (b->accessibleDescription() == u"Full Disk Access")
                    open = b;
            }
            return releases.size() == 2;
        }));
        if (keys)  // the first stop
            QCOMPARE(focus(), open);
        QVERIFY(j.press(open, keys));
        QTRY_COMPARE(TestEnvironment::readFile(opened), QByteArray("applications\n"));
        window->activateWindow();  // the settings app would have taken it
        QVERIFY(QTest::qWaitForWindowActive(window));

        // Automation has no page on Linux: its Open is no stop.
        QStringList stops;
        if (keys) {
            QVERIFY(j.tabTo(releases[0], &stops));
            QCOMPARE(stops, (QStringList{u"Open"_qs, u"Open"_qs, u"Run Again"_qs,
                                         u"Release ~/.cache/first"_qs}));
        }
        QVERIFY(j.press(releases[0], keys));
        QVERIFY(Journey::until([&] { return !TestEnvironment::readFile(keep).contains("first"); }));
        if (keys) {  // the keys stay in the card
            QVERIFY(Journey::until(
                [&] { return Journey::nameOf(focus()) == u"Release ~/.cache/second"; }));
            QVERIFY(Journey::focusShown(view));
        }
        QVERIFY(j.press(view->runAgainButton(), keys));
        QVERIFY(!UserDefaults::flag(UserDefaults::setupDone, true));
        QCOMPARE(j.root()->content(), RootView::Content::setup);
        if (keys) {
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
            j.key(Qt::Key_Escape);
            QVERIFY(Journey::until([&] { return !window; }));
        }
    }

private Q_SLOTS:
    void initTestCase() { ScreenShots::loadLook(); }
    void init() { qputenv("XDG_CURRENT_DESKTOP", ""); }  // no settings app is ever started

    void journey_data() {
        QTest::addColumn<Path>("path");
        QTest::addColumn<bool>("keys");
        const std::pair<const char *, Path> paths[] = {
            {"first run", Path::firstRun},      {"cleanup", Path::cleanup},
            {"uninstaller", Path::uninstaller}, {"space lens", Path::spaceLens},
            {"maintenance", Path::maintenance}, {"settings", Path::settings}};
        for (const auto &[name, path] : paths)
            for (bool keys : {false, true})
                QTest::addRow("%s, %s", name, keys ? "keys" : "pointer") << path << keys;
    }
    void journey() {
        QFETCH(Path, path);
        QFETCH(bool, keys);
        switch (path) {
            case Path::firstRun:
                return firstRun(keys);
            case Path::cleanup:
                return cleanup(keys);
            case Path::uninstaller:
                return uninstaller(keys);
            case Path::spaceLens:
                return spaceLens(keys);
            case Path::maintenance:
                return maintenance(keys);
            case Path::settings:
                return settings(keys);
        }
    }
};

QTEST_MAIN(JourneysTest)
#include "tst_journeys.moc"
