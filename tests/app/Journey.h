#pragma once

#include <QAccessible>
#include <QApplication>
#include <QListView>
#include <QString>
#include <QTest>
#include <QWindow>

#include <functional>
#include <optional>

#include "app/App.h"
#include "app/MainWindow.h"
#include "app/RootView.h"
#include "app/TabButton.h"
#include "app/TopBar.h"
#include "panes/Pane.h"
#include "platform/UserDefaults.h"
#include "spacelens/DiskReport.h"
#include "support/AppFixture.h"
#include "support/RealInput.h"
#include "support/ScriptedEngine.h"
#include "theme/controls/Pressable.h"

// One scripted engine for whole-window tests: a status watch that waits, a
// junk report and its clean, a health check and its fixes, one removable app
// with its leftovers, and folder reports read from "$HOME/answers<folder>.json"
// ("$HOME/answers.json" for the whole computer). Everything it touches lies
// in the test's temporary home.
namespace JourneyEngine {

inline const char kReport[] =
    "➤ User caches\n"
    "  → Browser cache · 1.2 GB\n"
    "  → Thumbnails · 300 MB\n"
    "➤ Logs\n"
    "  → Old logs · 20 MB";

inline const char kCleanLog[] =
    "➤ User caches\n"
    "  ✓ Browser cache · 1.2 GB\n"
    "  ✓ Thumbnails · 300 MB\n"
    "====================\n"
    "Space freed: 1.52 GB";

inline const char kCheck[] =
    "➤ Caches\n"
    "  ✓ Font cache · fresh\n"
    "  ⚠ Icon cache · stale\n"
    "=====\n"
    "  Checked 1 area, 1 needs attention\n"
    "=====";

inline const char kApply[] =
    "➤ Caches\n"
    "  ✓ Icon cache · rebuilt\n"
    "=====\n"
    "Applied 1 fix\n"
    "=====";

// `appPath` is the removable app; its dry run prints it and `leftovers`.
inline QString script(const QString &appPath, const QStringList &leftovers) {
    using ScriptedEngine::printLines;
    using ScriptedEngine::printText;
    QStringList dryRun{u"Removing Notely"_qs};
    // The app itself is the first file its removal takes.
    for (const QString &path : QStringList{appPath} + leftovers)
        dryRun << u"  ✓ "_qs + path + u" , 4 KB"_qs;
    dryRun << u"Potential space: 1.5 MB"_qs;
    const QString list =
        u"[{\"name\":\"Notely\",\"bundle_id\":\"org.example.Notely\",\"source\":\"AppImage\","
        "\"uninstall_name\":\"notely\",\"path\":\"%1\"}]"_qs.arg(appPath);
    return u"case \"$1\" in\n"
           "status) exec sleep 30 ;;\n"
           "clean) if [ \"$2\" = --dry-run ]; then "_qs +
           printText(kReport) + u"else "_qs + printText(kCleanLog) +
           u"fi ;;\n"
           "optimize) if [ \"$2\" = --dry-run ]; then "_qs +
           printText(kCheck) + u"else "_qs + printText(kApply) +
           u"fi ;;\n"
           "uninstall) case \"$2\" in\n"
           "  --list) "_qs +
           printLines({list}) + u"  ;;\n  --dry-run) "_qs + printLines(dryRun) +
           u"  ;;\n  esac ;;\n"
           "analyze) cat \"$HOME/answers$3.json\" 2>/dev/null || { echo 'Permission denied' >&2; "
           "exit 1; } ;;\n"
           "trash) shift; exec \"$MOLE_BINARY\" trash \"$@\" ;;\n"
           "esac\n"_qs;
}

}  // namespace JourneyEngine

// The whole app (main window, menu, Settings) over the journey engine in a
// temporary home, shown as a user first sees it. Input goes in as a person
// gives it: pointer presses and releases where a control is drawn, and keys
// into the window that has them.
struct Journey {
    AppFixture app;
    QString appImage;
    std::optional<App> shell;
    MainWindow *window = nullptr;

    // The app's dry run lists `leftovers`.
    explicit Journey(bool setupDone, const QStringList &leftovers = {u"~/.config/notely"_qs},
                     QSize size = {1100, 720}) {
        const QString home = app.env().home();
        appImage = home + u"/Apps/Notely.AppImage"_qs;
        TestEnvironment::writeFile(appImage, QByteArray(60'000, 'x'));
        TestEnvironment::writeFile(home + u"/.config/notely/settings.ini"_qs, "[ui]\n");
        app.env().installEngineInResources(JourneyEngine::script(appImage, leftovers));
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
    // Presses the pane's tab as a user would.
    bool openPane(Pane pane) {
        for (TabButton *tab : root()->topBar()->tabs())
            if (tab->pane() == pane && RealInput::click(tab))
                return root()->pane() == pane;
        return false;
    }
    // What the engine reports on `folder` ("/" for the whole computer).
    void answer(const QString &folder, const QList<DiskEntry> &entries) {
        QStringList items;
        for (const DiskEntry &e : entries)
            items.append(u"{\"name\":\"%1\",\"path\":\"%2\",\"size\":%3,\"is_dir\":%4}"_qs.arg(
                e.name, e.path, QString::number(e.size), e.isFolder() ? u"true"_qs : u"false"_qs));
        const QString json = u"{\"path\":\"%1\",\"entries\":[%2]}"_qs.arg(folder, items.join(u','));
        TestEnvironment::writeFile(
            app.env().home() + u"/answers"_qs + (folder == u"/" ? QString() : folder) + u".json"_qs,
            json.toUtf8());
    }

    // The offscreen platform drops the activation when the focused widget
    // is deleted; a desktop keeps it. Give it back as the desktop would.
    void keepActive() {
        QTest::qWait(10);  // the platform's word on activation comes late
        if (!QApplication::activeWindow()) {
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
        }
    }
    // The window a key typed now goes to: the open menu, else a dialog, else
    // the active window. It hands the key to its focused widget after the
    // shortcuts had their say, as a real key press does.
    QWindow *keyWindow() const {
        if (QWidget *popup = QApplication::activePopupWidget())
            return popup->windowHandle();
        if (QWidget *modal = QApplication::activeModalWidget())
            return modal->windowHandle();
        QWidget *active = QApplication::activeWindow();
        return (active ? active : window)->windowHandle();
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        keepActive();
        QTest::keyClick(keyWindow(), key, modifiers);
        QCoreApplication::processEvents();
    }
    void type(const QString &text) {
        for (QChar c : text) QTest::keyClick(keyWindow(), c.toLatin1());
        QCoreApplication::processEvents();
    }
    static Qt::Key digit(Pane pane) { return Qt::Key(Qt::Key_1 + Panes::all().indexOf(pane)); }

    // Tabs until `wanted` holds for the focus, checking every stop on the
    // way; false after a lap without it or at a stop a user could not see
    // or hear. The stops' names go to `seen`.
    bool tabTo(const std::function<bool(QWidget *)> &wanted, QStringList *seen = nullptr,
               int most = 40) {
        for (int i = 0; i < most; ++i) {
            QWidget *focus = QApplication::focusWidget();
            // Where the keys start need not be drawn yet: nothing was typed.
            const QString problem = focus && i > 0 ? problemAt(focus) : QString();
            if (!problem.isEmpty())
                return qWarning("%s", qPrintable(problem)), false;
            if (focus && seen)
                seen->append(nameOf(focus));
            if (focus && wanted(focus))
                return true;
            key(Qt::Key_Tab);
        }
        return false;
    }
    bool tabTo(const QWidget *wanted, QStringList *seen = nullptr) {
        return tabTo([wanted](QWidget *w) { return w == wanted; }, seen);
    }
    // Presses `target` with the pointer, or with the keys: Tab to it, then Space.
    bool press(QWidget *target, bool keys) {
        if (!keys)
            return RealInput::click(target);  // says why when it cannot
        if (!tabTo(target))
            return false;
        key(Qt::Key_Space);
        return true;
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
    // The keys are still somewhere a user can see, inside `within`.
    static bool focusShown(QWidget *within) {
        QWidget *focus = QApplication::focusWidget();
        return focus && within->isAncestorOf(focus) && problemAt(focus).isEmpty();
    }
    static bool until(const std::function<bool()> &done) {
        if (!QTest::qWaitFor(done, 20000))
            return false;
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return true;
    }
};
