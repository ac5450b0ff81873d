#pragma once

#include <QApplication>
#include <QListView>
#include <QString>
#include <QTest>

#include <optional>

#include "app/MainWindow.h"
#include "app/RootView.h"
#include "app/TabButton.h"
#include "app/TopBar.h"
#include "platform/UserDefaults.h"
#include "spacelens/DiskReport.h"
#include "support/AppFixture.h"
#include "support/RealInput.h"
#include "support/ScriptedEngine.h"

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

// The main window over the journey engine in a temporary home, shown as a
// user first sees it.
struct Journey {
    AppFixture app;
    QString appImage;
    std::optional<MainWindow> window;

    // The app's dry run lists `leftovers`.
    explicit Journey(bool setupDone, const QStringList &leftovers = {u"~/.config/notely"_qs},
                     QSize size = {1100, 720}) {
        const QString home = app.env().home();
        appImage = home + u"/Applications/Notely.AppImage"_qs;
        TestEnvironment::writeFile(appImage, QByteArray(60'000, 'x'));
        TestEnvironment::writeFile(home + u"/.config/notely/settings.ini"_qs, "[ui]\n");
        app.env().installEngineInResources(JourneyEngine::script(appImage, leftovers));
        if (setupDone)
            UserDefaults::setFlag(UserDefaults::setupDone, true);
        window.emplace();
        window->resize(size);
        window->show();
        QApplication::setActiveWindow(&*window);
    }
    bool shown() { return QTest::qWaitForWindowExposed(&*window); }
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
};
