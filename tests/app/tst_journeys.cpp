#include <QAccessible>
#include <QLineEdit>
#include <QListView>
#include <QScopeGuard>

#include <functional>

#include "app/App.h"
#include "app/FreeSpacePill.h"
#include "app/RootView.h"
#include "app/SaveNotice.h"
#include "app/SettingsView.h"
#include "app/TabButton.h"
#include "app/TopBar.h"
#include "cleanup/CleanModel.h"
#include "cleanup/ui/BuildLog.h"
#include "cleanup/ui/CleanView.h"
#include "maintenance/OptimizeModel.h"
#include "maintenance/ui/OptimizeView.h"
#include "overview/StatusModel.h"
#include "permissions/ui/AccessView.h"
#include "platform/UserDefaults.h"
#include "platform/Wording.h"
#include "spacelens/ui/SpaceDelegate.h"
#include "spacelens/ui/SpaceView.h"
#include "support/AppFixture.h"
#include "support/RealInput.h"
#include "support/ScreenShots.h"
#include "support/TrashCheck.h"
#include "support/ViewProbe.h"
#include "theme/controls/ConfirmButton.h"
#include "theme/controls/Empty.h"
#include "uninstaller/AppRows.h"
#include "uninstaller/ui/AppDetail.h"
#include "uninstaller/ui/UninstallView.h"

namespace {

using A = QAccessible;

const auto focus = [] { return QApplication::focusWidget(); };

// True once `done` holds, with what it brought laid out and drawn.
bool until(const std::function<bool()> &done) {
    if (!QTest::qWaitFor(done, 20000))
        return false;
    RealInput::settle();
    return true;
}

bool activate(QWidget *window) {
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// The whole app (main window, menu, Settings) over journey-engine.sh in a
// temporary home, shown as a user first sees it: at its smallest to a user of
// the pointer, at the size it opens at to one of the keyboard. Input goes in
// as a person gives it: pointer presses and releases where a control is
// drawn, and keys into the window that has them.
struct Journey {
    AppFixture app;
    QString appImage = app.env().home() + u"/Apps/Notely.AppImage"_qs;
    const bool keys;  // the keyboard alone, or the pointer
    const QSize size = keys ? QSize(1100, 720) : MainWindow::minimumSize;
    std::optional<App> shell;
    MainWindow *window = nullptr;

    explicit Journey(bool setupDone, bool byKeys = true) : keys(byKeys) {
        TestEnvironment::writeFile(appImage, QByteArray(60'000, 'x'));
        TestEnvironment::writeFile(app.env().home() + u"/.config/notely/settings.ini"_qs, "[ui]\n");
        app.env().installEngineInResources(QString::fromUtf8(
            TestEnvironment::readFile(TestPaths::source(u"tests/app/journey-engine.sh"_qs))));
        if (setupDone)
            UserDefaults::setFlag(UserDefaults::setupDone, true);
        // The last test's window may still be on its way out, taking the
        // activation with it: let it go before this one is shown.
        QTest::qWait(20);
        shell.emplace();
        window = shell->mainWindow();
        window->resize(size);
        window->show();
        window->activateWindow();
    }
    bool shown() { return QTest::qWaitForWindowActive(window); }
    RootView *root() const { return window->root(); }
    template <class View>
    View *view() const {
        return qobject_cast<View *>(root()->contentWidget());
    }
    // Shows the window and opens `pane`; its view, or null unless a View.
    template <class View>
    View *open(Pane pane) {
        return shown() && openPane(pane) ? view<View>() : nullptr;
    }
    // Opens `pane` by its tab, or by Ctrl+<number>.
    bool openPane(Pane pane) {
        if (keys) {
            key(Qt::Key(Qt::Key_1 + Panes::all().indexOf(pane)), Qt::ControlModifier);
            return until([&] { return root()->pane() == pane; });
        }
        for (TabButton *tab : root()->topBar()->tabs())
            if (tab->pane() == pane && RealInput::click(tab))
                return root()->pane() == pane;
        return false;
    }
    // The offscreen platform drops the activation when the focused widget
    // is deleted; a desktop keeps it. Give it back as the desktop would.
    bool keepActive() {
        QTest::qWait(10);  // the platform's word on activation comes late
        return QApplication::activeWindow() || activate(window);
    }
    // Presses a key and lets it go in the window a key typed now goes to:
    // the open menu, else a dialog, else the active window. It hands the key
    // to its focused widget after the shortcuts had their say, as a real key
    // press does.
    bool key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        keepActive();
        QWidget *to = window;
        for (QWidget *w : {QApplication::activeWindow(), QApplication::activeModalWidget(),
                           QApplication::activePopupWidget()})
            to = w ? w : to;
        QTest::keyClick(to->windowHandle(), key, modifiers);
        QCoreApplication::processEvents();
        return true;
    }

    // Tabs until the focus is on `wanted` (again, for a `lap`), checking
    // every stop on the way; false after 60 stops without it or at a stop a
    // user could not see or hear. The stops' names go to `seen`.
    bool tabTo(const QWidget *wanted, QStringList *seen = nullptr, bool lap = false) {
        for (int i = 0; i < 60; ++i) {
            // Where the keys start need not be drawn yet, unless Tab took them there.
            const QString problem = focus() && (i > 0 || lap) ? problemAt(focus()) : QString();
            if (!problem.isEmpty())
                return qWarning("%s", qPrintable(problem)), false;
            if (focus() && seen)
                seen->append(nameOf(focus()));
            if (focus() && focus() == wanted && (i > 0 || !lap))
                return true;
            key(Qt::Key_Tab);
        }
        return false;
    }
    // Presses `target` with the pointer (which says why when it cannot), or
    // with the keys: Tab to it, then Space.
    bool press(QWidget *target) {
        return keys ? tabTo(target) && key(Qt::Key_Space) : RealInput::click(target);
    }

    static QString nameOf(QWidget *widget) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
        return iface ? iface->text(QAccessible::Name) : QString();
    }
    // A focus stop must be shown, named, and drawn as focused.
    static QString problemAt(QWidget *at) {
        const QString what =
            QString::fromLatin1(at->metaObject()->className()) + u" \""_qs + nameOf(at) + u'"';
        if (!at->isVisible() || at->visibleRegion().isEmpty())
            return u"focus on a hidden "_qs + what;
        if (nameOf(at).trimmed().isEmpty())
            return u"focus on an unnamed "_qs + what;
        if (auto *pressable = qobject_cast<Pressable *>(at); pressable && !pressable->showsFocus())
            return u"no focus ring on "_qs + what;
        return {};
    }
    // The keys are still somewhere a user can see, inside `within`.
    static bool focusShown(QWidget *within) {
        return focus() && within->isAncestorOf(focus()) && problemAt(focus()).isEmpty();
    }
    // By keys, the focus is on `target` (and shown, given `within`); by
    // pointer, there is nothing to check.
    bool keysOn(const QWidget *target, QWidget *within = nullptr) const {
        return !keys || (focus() == target && (!within || focusShown(within)));
    }
};

// What a screen reader must hear in a state: an element with this role and
// name, and this description when one is given.
struct Heard {
    QAccessible::Role role;
    QString name;
    QString description = {};
};

// What stands in a user's way in `window` (the main one when null) as it is
// now: a button not seen whole even after scrolling its page to it, a text
// naming a Mac-only thing (the application menu's included), what a screen
// reader would stumble over, anything of `heard` it cannot hear, and tabs
// that are not one per pane with only the shown one selected.
// True when there is none; otherwise says what it found.
bool inspect(Journey &j, const QList<Heard> &heard, QWidget *window = nullptr) {
    window = window ? window : j.window;
    RealInput::settle();
    QStringList out;
    if (window == j.window && window->size() != j.size)
        out << u"the window grew"_qs;
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (!button->isVisible())
            continue;
        for (QWidget *w = button->parentWidget(); w; w = w->parentWidget())
            if (auto *page = qobject_cast<QScrollArea *>(w))
                page->ensureWidgetVisible(button, 0, 0);
        QCoreApplication::processEvents();
        const QString name = button->text().isEmpty() ? button->accessibleName() : button->text();
        if (!window->rect().contains(QRect(button->mapTo(window, QPoint()), button->size())))
            out << name + u": outside the window"_qs;
        else if (button->visibleRegion() != QRegion(button->rect()))
            out << name + u": covered or clipped"_qs;
        else if (auto *g = qobject_cast<GButton *>(button); g && g->width() < g->sizeHint().width())
            out << name + u": narrower than its title"_qs;
    }
    static const QRegularExpression macWords(
        u"\\bMac\\b|macOS|Finder|⌘|System Settings|Spotlight|/Applications|App bundle|"
        "Homebrew cask|Full Disk Access|Privacy & Security"_qs);
    for (const QString &text :
         ViewProbe::visibleTexts(window) + ViewProbe::visibleTexts(j.shell->menu()))
        if (macWords.match(text).hasMatch())
            out << u"Mac wording: "_qs + text;

    static const QList<QAccessible::Role> controls = {
        A::Button,   A::CheckBox, A::RadioButton, A::PageTab,   A::EditableText, A::List,
        A::ListItem, A::ComboBox, A::Link,        A::Slider,    A::SpinBox,      A::MenuItem,
        A::Table,    A::Cell,     A::ButtonMenu,  A::StaticText};  // selectable text
    static const QStringList decoration = {u"Icon"_qs, u"Logo"_qs, u"StatusDot"_qs,
                                           u"Sparkline"_qs};
    QList<Heard> unheard = heard;
    QStringList selected;
    int tabs = 0;
    // Depth first, as AT-SPI hands the tree to a screen reader: what is not
    // shown is read but not entered.
    const std::function<void(QAccessibleInterface *, int)> read = [&](QAccessibleInterface *e,
                                                                      int depth) {
        if (!e || depth > 40)
            return;
        const QString type =
            e->object() ? QString::fromLatin1(e->object()->metaObject()->className()) : QString();
        const QString name = e->text(A::Name);
        const QAccessible::State state = e->state();
        const QString what = type + u" role "_qs + QString::number(e->role()) + u" \""_qs + name +
                             u"\" "_qs + e->text(A::Description);
        if (decoration.contains(type) && (!state.invisible || e->role() != A::NoRole))
            out << u"decoration exposed: "_qs + what;
        if (!state.invisible) {
            unheard.removeIf([&](const Heard &h) {
                return h.role == e->role() && h.name == name &&
                       (h.description.isEmpty() || h.description == e->text(A::Description));
            });
            // Nor is a picture shown by a plain label (the Uninstaller's app icon).
            if (type == u"QLabel" && name.isEmpty())
                out << u"unnamed picture: "_qs + what;
            if (type == u"TabButton" && (++tabs, state.selected))
                selected << name;
            if (type == u"TabButton" &&
                (e->role() != A::PageTab || state.selected != state.checked))
                out << u"tab not a page tab selected as checked: "_qs + what;
            if (state.focusable && name.trimmed().isEmpty())
                out << u"focusable without a name: "_qs + what;
            if (state.focusable && !controls.contains(e->role()))
                out << u"focusable with no control role: "_qs + what;
        }
        auto *widget = qobject_cast<QWidget *>(e->object());
        if (!state.invisible && (!widget || widget->isVisible()))
            for (int i = 0; i < e->childCount(); ++i) read(e->child(i), depth + 1);
    };
    read(QAccessible::queryAccessibleInterface(window), 0);
    for (const Heard &h : std::as_const(unheard)) out << u"not heard: "_qs + h.name;
    if (window == j.window && j.root()->content() == RootView::Content::panes &&
        (tabs != Panes::all().size() || selected != QStringList{Panes::title(j.root()->pane())}))
        out << u"tabs: %1, selected %2"_qs.arg(tabs).arg(selected.join(u", "_qs));
    for (const QString &problem : std::as_const(out)) qWarning("%s", qPrintable(problem));
    return out.isEmpty();
}

// The row of `list` showing `name`, or an invalid index.
QModelIndex rowNamed(QListView *list, const QString &name) {
    const QModelIndex first = list->model()->index(0, 0);
    return list->model()->match(first, Qt::DisplayRole, name, 1, Qt::MatchExactly).value(0);
}

// Clicks the row of `list` showing `name`, at the x that `at` picks in the
// row's rectangle (its centre by default).
bool clickRow(
    QListView *list, const QString &name,
    const std::function<int(QRect)> &at = [](QRect row) { return row.center().x(); }) {
    RealInput::settle();
    const QModelIndex index = rowNamed(list, name);
    if (!index.isValid())
        return false;
    list->scrollTo(index);
    const QRect rect = list->visualRect(index);
    return RealInput::click(list->viewport(), {at(rect), rect.center().y()});
}

const QString asks = u"Asks for confirmation"_qs;

// The journeys a user takes through the real window, each once with the
// pointer (a press and release where the control is drawn) and once with the
// keyboard alone (every key to where a user's key would go). Each stop on the
// way is also read as a whole: see inspect().

// Continue on the first run; the keys land in the panes that replace it.
// When the settings cannot be saved (a file stands where their folder should
// be, which even root cannot write through), Continue still works for this
// run and the window says once what was not saved where.
void firstRun(bool keys, bool unsavable) {
    Journey j(false, keys);
    const QString blocked = j.app.env().home() + u"/blocked"_qs;
    if (unsavable) {
        QVERIFY(TestEnvironment::writeFile(blocked));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, blocked);
    }
    QVERIFY(j.shown() && !j.root()->topBar()->showsTabs());
    QVERIFY(inspect(j, {{A::Button, u"Continue"_qs}, {A::StaticText, u"Access to Your Files"_qs}}));
    QPointer<AccessView> access = j.view<AccessView>();
    QVERIFY(access && j.press(access->continueButton()));
    QCOMPARE(j.root()->content(), RootView::Content::panes);
    QVERIFY(UserDefaults::flag(UserDefaults::setupDone) && j.root()->status()->isStreaming());
    SaveNotice *notice = j.root()->saveNotice();
    QCOMPARE(notice->isVisible(), unsavable);
    // The screen that held the button goes once its press is over.
    QTRY_VERIFY(!access);
    QVERIFY(inspect(j, {{A::PageTab, u"Overview"_qs}}));
    QVERIFY(j.keepActive() && j.keysOn(j.root()->topBar()->tabs().first(), j.window));
    if (!unsavable)
        return;
    QCOMPARE(notice->text(), SaveNotice::message(UserDefaults::location()));
    QVERIFY(notice->text().contains(blocked));
    QVERIFY(j.press(notice->dismissButton()) && notice->isHidden());
    QVERIFY(!UserDefaults::setFlag(UserDefaults::automationAsked, true));
    QVERIFY(UserDefaults::flag(UserDefaults::automationAsked) && notice->isHidden());
}

// Scan, arm the clean (by keys: change one's mind with Escape and arm it
// again), confirm; the keys stay on the buttons each phase brings.
void cleanup(bool keys) {
    Journey j(true, keys);
    auto *view = j.open<CleanView>(Pane::clean);
    QVERIFY(view);
    QVERIFY(inspect(j, {{A::Button, u"Scan"_qs}, {A::StaticText, u"Not Scanned"_qs}}));
    CleanModel *model = j.root()->clean();
    QVERIFY(j.press(ViewProbe::visibleButton(*view, u"Scan"_qs)));
    QVERIFY(until([&] { return model->phase().kind == CleanModel::Phase::ready; }));
    QVERIFY(j.keysOn(ViewProbe::visibleButton(*view, u"Rescan"_qs), view));
    // Away and back: the report waits where it was.
    QVERIFY(j.openPane(Pane::overview) && j.openPane(Pane::clean));
    QVERIFY((view = j.view<CleanView>()));
    QVERIFY(inspect(j, {{A::Button, u"Clean 1.52 GB"_qs, asks},
                        {A::Button, u"Rescan"_qs},
                        {A::ListItem, u"User caches"_qs, u"Expand"_qs}}));
    ConfirmButton *clean = view->cleanButton();
    QCOMPARE(clean->title(), u"Clean 1.52 GB"_qs);
    QVERIFY(j.press(clean));
    QCOMPARE(clean->title(), u"Confirm: Empty Trash & Clean"_qs);
    QCOMPARE(model->phase().kind, CleanModel::Phase::ready);
    if (keys) {
        QVERIFY(j.key(Qt::Key_Escape) && clean->title() == u"Clean 1.52 GB");
        j.key(Qt::Key_Return);
    }
    QVERIFY(j.press(clean));
    QVERIFY(until([&] { return model->phase().kind == CleanModel::Phase::done; }) &&
            ViewProbe::strip(*view).contains(u"Status: Cleaned"_qs));
    QCOMPARE(view->content(), static_cast<QWidget *>(view->log()));
    QVERIFY(j.keysOn(ViewProbe::visibleButton(*view, u"Scan Again"_qs), view));
    QVERIFY(inspect(j, {{A::Button, u"Scan Again"_qs}, {A::StaticText, u"Cleaned"_qs}}));
}

// Search, pick the app, Uninstall and confirm: it and its leftovers are in
// the Trash, and the keys stay in the pane.
void uninstaller(bool keys) {
    Journey j(true, keys);
    auto *view = j.open<UninstallView>(Pane::uninstall);
    QVERIFY(view);
    AppsModel *model = j.root()->apps();
    QVERIFY(until([&] { return view->rows()->rowCount() == 1; }));
    QVERIFY(inspect(j, {{A::EditableText, u"Search Apps"_qs}, {A::List, u"Apps"_qs}}));
    // By keys, Ctrl+F before the pane had focus.
    QVERIFY(keys ? !view->isAncestorOf(focus()) && j.key(Qt::Key_F, Qt::ControlModifier)
                 : j.press(view->search()));
    QVERIFY(j.keysOn(view->search()));
    for (Qt::Key letter : {Qt::Key_N, Qt::Key_O, Qt::Key_T, Qt::Key_E}) j.key(letter);
    QVERIFY(view->search()->text() == u"note" && view->rows()->rowCount() == 1);
    if (keys)  // taking focus selects nothing
        QVERIFY(j.key(Qt::Key_Tab) && focus() == view->list() && !model->selection());
    QVERIFY(keys ? j.key(Qt::Key_Return) : clickRow(view->list(), u"Notely"_qs));
    QCOMPARE(model->selection(), std::optional(j.appImage));
    AppDetail *detail = nullptr;
    // The detail with the plan's files, not the one still finding them.
    QVERIFY(until([&] {
        return (detail = qobject_cast<AppDetail *>(view->detail())) && detail->files() &&
               detail->isVisible() && detail->uninstallButton()->isEnabled();
    }));
    QVERIFY(inspect(j, {{A::Button, u"Uninstall"_qs, asks},
                        {A::Button, u"Show in Folder"_qs},
                        {A::List, u"Files"_qs},
                        {A::ListItem, u"Show ~/.config/notely in its folder"_qs}}));
    ConfirmButton *uninstall = detail->uninstallButton();
    QVERIFY(j.press(uninstall));
    QCOMPARE(uninstall->title(), u"Confirm Uninstall"_qs);
    QVERIFY(j.press(uninstall));
    QVERIFY(until([&] { return model->preview().kind == AppsModel::Preview::removed; }) &&
            !QFileInfo::exists(j.appImage));
    QCOMPARE(TrashCheck::problemWith(j.appImage), QString());
    QCOMPARE(TrashCheck::problemWith(j.app.env().home() + u"/.config/notely"_qs), QString());
    // The button and the only row went with the app.
    QVERIFY(j.keepActive() && j.keysOn(view->search()));
    QVERIFY(inspect(j, {}));
}

// Meet a folder that cannot be measured, rescan, open a folder, come back,
// open a file's menu, Move to Trash, confirm.
void spaceLens(bool keys) {
    Journey j(true, keys);
    const QString home = j.app.env().home(), docs = home + u"/Docs"_qs, big = home + u"/big.iso"_qs;
    QVERIFY(TestEnvironment::writeFile(docs + u"/note.txt"_qs, "note"));
    QVERIFY(TestEnvironment::writeFile(big, QByteArray(4096, 'x')));
    auto *view = j.open<SpaceView>(Pane::space);
    QVERIFY(view);
    SpaceModel *model = j.root()->space();
    QVERIFY(until([&] { return model->error().has_value(); }));
    QVERIFY(inspect(j, {{A::Button, u"Rescan"_qs}}));

    // What the engine reports on the home and on Docs (see journey-engine.sh).
    TestEnvironment::writeFile(home + u"/answers.list"_qs, "Docs 9000 true\nbig.iso 4096 false\n");
    TestEnvironment::writeFile(home + u"/answers"_qs + docs + u".list"_qs, "note.txt 4 false\n");
    QVERIFY(j.press(view->rescanButton()));
    QListView *list = view->list();
    QVERIFY(until([&] { return rowNamed(list, u"Docs"_qs).isValid(); }));
    if (keys)
        QVERIFY(j.tabTo(list) && list->currentIndex() == rowNamed(list, u"Docs"_qs));
    QVERIFY(inspect(
        j,
        {{A::List, u"Folder contents"_qs}, {A::ListItem, u"Docs"_qs}, {A::Button, u"Rescan"_qs}}));
    QVERIFY(keys ? j.key(Qt::Key_Return) : clickRow(list, u"Docs"_qs));
    QVERIFY(until([&] { return rowNamed(list, u"note.txt"_qs).isValid(); }) &&
            model->trail().size() == 2);
    QVERIFY(inspect(j, {{A::Button, u"Back"_qs}, {A::Button, u"This Computer"_qs}}));
    QVERIFY(keys ? focus() == list && j.key(Qt::Key_Backspace) : j.press(view->backButton()));
    QVERIFY(until([&] { return rowNamed(list, u"big.iso"_qs).isValid(); }) &&
            model->trail().size() == 1);

    QMenu *menu = nullptr;
    const auto menuOpen = [&] {
        return (menu = qobject_cast<QMenu *>(QApplication::activePopupWidget()));
    };
    if (keys) {
        QVERIFY(focus() == list && j.key(Qt::Key_Down));
        QCOMPARE(list->currentIndex(), rowNamed(list, u"big.iso"_qs));
        // The row's "…" is the next stop, named for the row.
        QVERIFY(j.key(Qt::Key_Tab) && focus() == view->rowActions());
        QVERIFY(inspect(j, {{A::ButtonMenu, u"Actions for big.iso"_qs}}));
        // Return opens the row's menu, and Escape comes back to it.
        QVERIFY(j.key(Qt::Key_Return) && menuOpen() &&
                menu->accessibleName() == u"Actions for big.iso");
        QVERIFY(j.key(Qt::Key_Escape) && until([] { return !QApplication::activePopupWidget(); }) &&
                focus() == view->rowActions());
        j.key(Qt::Key_Tab, Qt::ShiftModifier);
        QVERIFY(j.key(Qt::Key_F10, Qt::ShiftModifier) && menuOpen());
        // Up from the top: Show in Folder, Move to Trash… (a file has no Open).
        QVERIFY(j.key(Qt::Key_Up) && menu->activeAction()->text() == u"Move to Trash…");
        j.key(Qt::Key_Return);
    } else {
        // The row's actions glyph opens its menu.
        QVERIFY(clickRow(list, u"big.iso"_qs, [](QRect row) {
            return int(SpaceColumns::in(row).actions_.center().x());
        }));
        QVERIFY(until(menuOpen));
        QAction *trash = nullptr;
        for (QAction *a : menu->actions()) trash = a->text() == u"Move to Trash…" ? a : trash;
        QVERIFY(RealInput::choose(menu, trash));
    }
    QVERIFY(until([&] { return view->trashDialog() && view->trashDialog()->isVisible(); }));
    QMessageBox *dialog = view->trashDialog();
    QAbstractButton *move = nullptr;
    for (QAbstractButton *b : dialog->buttons())
        move = dialog->buttonRole(b) == QMessageBox::DestructiveRole ? b : move;
    if (keys)  // Cancel is the default
        QVERIFY(until([&] { return dialog->isAncestorOf(focus()); }) &&
                dialog->buttonRole(qobject_cast<QAbstractButton *>(focus())) ==
                    QMessageBox::RejectRole);
    QVERIFY(j.press(move));
    QVERIFY(until([&] { return !rowNamed(list, u"big.iso"_qs).isValid(); }) &&
            !QFileInfo::exists(big));
    QCOMPARE(TrashCheck::problemWith(big), QString());
    QVERIFY(j.keepActive() && j.keysOn(list));
}

void maintenance(bool keys) {
    Journey j(true, keys);
    auto *view = j.open<OptimizeView>(Pane::optimize);
    QVERIFY(view);
    QVERIFY(inspect(j, {{A::Button, u"Run Check"_qs}, {A::StaticText, u"Not Checked"_qs}}));
    OptimizeModel *model = j.root()->optimize();
    QVERIFY(j.press(ViewProbe::visibleButton(*view, u"Run Check"_qs)));
    QVERIFY(until([&] { return model->phase() == OptimizeModel::Phase::ready; }) &&
            ViewProbe::strip(*view).contains(u"Status: Needs Attention"_qs));
    QVERIFY(j.keysOn(ViewProbe::visibleButton(*view, u"Recheck"_qs)));
    QVERIFY(inspect(j, {{A::Button, u"Apply Fixes"_qs}, {A::StaticText, u"Needs Attention"_qs}}));
    QVERIFY(j.press(ViewProbe::visibleButton(*view, u"Apply Fixes"_qs)));
    QVERIFY(until([&] { return model->phase() == OptimizeModel::Phase::done; }) &&
            ViewProbe::strip(*view).contains(u"Status: Complete"_qs));
    QVERIFY(j.keysOn(ViewProbe::visibleButton(*view, u"Check Again"_qs), view));
    QVERIFY(inspect(j, {}));
}

// Settings from the menu (or Ctrl+comma): open the desktop's file access
// page, release a kept path, Run Again brings the first screen back.
void settings(bool keys) {
    Journey j(true, keys);
    // A GNOME desktop whose settings app only notes the page asked for.
    const QString bin = j.app.env().home() + u"/bin"_qs, path = qEnvironmentVariable("PATH");
    j.app.env().writeScript(bin + u"/gnome-control-center"_qs,
                            u"echo \"$@\" > '"_qs + bin + u"/opened'\n"_qs);
    qputenv("PATH", QFile::encodeName(bin + u':' + path));
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    const auto restore = qScopeGuard([&] { qputenv("PATH", QFile::encodeName(path)); });
    j.app.env().installRealEngine();  // releasing a kept path is the engine's work
    QVERIFY(TestEnvironment::writeFile(j.app.env().resources() + u"/engine/LICENSE"_qs));
    const QString keep = j.app.env().home() + u"/.config/mole/keep"_qs;
    QVERIFY(TestEnvironment::writeFile(keep, "~/.cache/first\n~/.cache/second\n"));
    QVERIFY(j.shown());
    QMenu *menu = j.shell->menu();
    QVERIFY(keys ? j.key(Qt::Key_Comma, Qt::ControlModifier)
                 : j.press(j.root()->topBar()->menuButton()) &&
                       until([&] { return menu->isVisible(); }) &&
                       RealInput::choose(menu, j.shell->settingsAction()));
    QPointer<QWidget> window = j.shell->settingsWindow();
    QVERIFY(window && QTest::qWaitForWindowActive(window));
    auto *view = window->findChild<SettingsView *>();
    QList<GButton *> releases;
    QWidget *open = nullptr;
    QVERIFY(until([&] {
        releases.clear();
        for (GButton *b : view->findChildren<GButton *>()) {
            if (b->title() == u"Release" && b->isVisible())
                releases.append(b);
            if (b->accessibleDescription() == u"Access to Your Files")
                open = b;
        }
        return releases.size() == 2;
    }));
    QVERIFY(inspect(j,
                    {{A::CheckBox, u"Check automatically"_qs},
                     {A::Button, u"Run Again"_qs},
                     {A::StaticText, u"On"_qs}},
                    window));
    QVERIFY(j.keysOn(open) && j.press(open));  // by keys, the first stop
    QTRY_COMPARE(TestEnvironment::readFile(bin + u"/opened"_qs), QByteArray("applications\n"));
    QVERIFY(activate(window));  // the settings app would have taken it

    // Automation has no page on Linux: its Open is no stop.
    QStringList stops;
    if (keys) {
        QVERIFY(j.tabTo(releases[0], &stops));
        QCOMPARE(stops, (QStringList{u"Open"_qs, u"Open"_qs, u"Run Again"_qs,
                                     u"Release ~/.cache/first"_qs}));
    }
    QVERIFY(j.press(releases[0]));
    QVERIFY(until([&] { return !TestEnvironment::readFile(keep).contains("first"); }));
    if (keys)  // the keys stay in the card
        QVERIFY(until([&] { return Journey::nameOf(focus()) == u"Release ~/.cache/second"; }) &&
                Journey::focusShown(view));
    QVERIFY(j.press(view->runAgainButton()));
    QVERIFY(!UserDefaults::flag(UserDefaults::setupDone, true));
    QCOMPARE(j.root()->content(), RootView::Content::setup);
    if (keys) {
        QVERIFY(activate(window) && j.key(Qt::Key_Escape));
        QVERIFY(until([&] { return !window; }));
    }
}

using Run = std::function<void(bool)>;

}  // namespace

using Content = RootView::Content;

// What the window opens on, and the journeys a user takes through it.
class JourneysTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        ScreenShots::loadLook();
        QVERIFY(Wording::install(qApp, TestPaths::builtResources()));
    }
    void init() { qputenv("XDG_CURRENT_DESKTOP", ""); }  // no settings app is ever started

    // What the window opens on, from the engine, the setup flag as stored
    // (by hand or by something else: only a clear true counts) and file
    // access. Without an engine the top bar still follows readiness alone.
    void contentDecision_data() {
        QTest::addColumn<bool>("engine");
        QTest::addColumn<QString>("setupDone");  // empty: never stored
        QTest::addColumn<bool>("access");
        QTest::addColumn<Content>("content");
        QTest::newRow("access revoked after setup")
            << true << u"true"_qs << false << Content::setup;
        QTest::newRow("ready") << true << u"true"_qs << true << Content::panes;
        QTest::newRow("ready, stored as 1") << true << u"1"_qs << true << Content::panes;
        QTest::newRow("stored as a word") << true << u"banana"_qs << true << Content::setup;
        QTest::newRow("damaged, ready") << false << u"true"_qs << true << Content::damaged;
        QTest::newRow("damaged, first run") << false << QString() << true << Content::damaged;
    }
    void contentDecision() {
        QFETCH(bool, engine);
        QFETCH(QString, setupDone);
        QFETCH(bool, access);
        QFETCH(Content, content);
        const bool tabs = content == Content::panes || (!engine && !setupDone.isEmpty());
        AppFixture app;
        if (engine)
            app.installEngine();
        if (!setupDone.isEmpty())
            QVERIFY(TestEnvironment::writeFile(UserDefaults::location(),
                                               "[General]\nsetupDone=" + setupDone.toUtf8()));
        app.setAccess(access);

        RootView root;
        const QWidget *shown = root.contentWidget();
        QCOMPARE(root.content(), content);
        QCOMPARE(root.topBar()->showsTabs(), tabs);
        QCOMPARE(root.topBar()->sectionLabel(), tabs ? u"Overview"_qs : u"Setup"_qs);
        QCOMPARE(qobject_cast<const AccessView *>(shown) != nullptr, content == Content::setup);
        QCOMPARE(qobject_cast<const Empty *>(shown) != nullptr, content == Content::damaged);
        // No engine, no watch; otherwise the watch runs exactly while ready.
        QCOMPARE(root.status()->isStreaming(), engine && tabs);
        if (content != Content::panes)
            return;
        // Told it is ready again, the running watch is not started twice;
        // "Run Again" in Settings brings the permissions screen back and ends it.
        root.refresh();
        UserDefaults::setFlag(UserDefaults::setupDone, true);
        QTRY_COMPARE(app.starts(), 1);
        QTest::qWait(100);
        QCOMPARE(app.starts(), 1);
        UserDefaults::setFlag(UserDefaults::setupDone, false);
        QVERIFY(!root.status()->isStreaming());
        QCOMPARE(root.content(), Content::setup);
    }

    // The top bar's free-space pill, whatever numbers the engine sends: the
    // root disk's (else the first disk's) free bytes, truncated; none past
    // what a byte count holds.
    void freeBytes() {
        const auto free = [](const QList<StatusSnapshot::Disk> &disks) {
            StatusSnapshot snapshot;
            snapshot.disks = disks;
            return FreeSpacePill::freeBytes(snapshot).value_or(-1);
        };
        QCOMPARE(free({{u"/home"_qs, 10, 100, 10, {}}, {u"/"_qs, 400.9, 1000.5, 40, {}}}), 599LL);
        QCOMPARE(free({{u"/data"_qs, 1e9, 3e9, 33, {}}, {u"/boot"_qs, 1, 2, 50, {}}}),
                 2000000000LL);
        QCOMPARE(free({{u"/"_qs, 0, 1e19, 0, {}}}), -1LL);
    }

    void journey_data() {
        QTest::addColumn<Run>("run");
        QTest::addColumn<bool>("keys");
        const std::pair<const char *, Run> paths[] = {
            {"first run", [](bool keys) { firstRun(keys, false); }},
            {"first run, settings unsavable", [](bool keys) { firstRun(keys, true); }},
            {"cleanup", cleanup},
            {"uninstaller", uninstaller},
            {"space lens", spaceLens},
            {"maintenance", maintenance},
            {"settings", settings}};
        for (const auto &[name, run] : paths)
            for (bool keys : {false, true})
                QTest::addRow("%s, %s", name, keys ? "keys" : "pointer") << run << keys;
    }
    void journey() {
        QFETCH(Run, run);
        QFETCH(bool, keys);
        run(keys);
    }

    // A whole lap of Tab on each pane: every stop is shown, named and drawn
    // focused, and the lap comes back to where it started.
    void everyStop_data() {
        QTest::addColumn<Pane>("pane");
        for (Pane p : Panes::all()) QTest::newRow(Panes::title(p).toUtf8()) << p;
    }
    void everyStop() {
        QFETCH(Pane, pane);
        Journey j(true);
        TestEnvironment::writeFile(j.app.env().home() + u"/answers.list"_qs, "Docs 9000 true\n");
        QVERIFY(j.shown() && j.openPane(pane));
        QTest::qWait(200);  // listings and reports arrive
        QStringList stops;
        QVERIFY(j.key(Qt::Key_Tab) && focus());
        QVERIFY2(j.tabTo(focus(), &stops, true), qPrintable(stops.join(u" | ")));
    }
};

QTEST_MAIN(JourneysTest)
#include "tst_journeys.moc"
