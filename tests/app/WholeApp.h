#pragma once

#include <QApplication>
#include <QTest>
#include <QWindow>

#include <optional>

#include "app/RootView.h"
#include "support/AppFixture.h"
#include "support/ScreenShots.h"
#include "uninstaller/AppsEngine.h"

// The app's root view with every pane, shown in a window over one scripted
// engine in a temporary home: the Uninstaller's listing, dry runs and
// removals as AppsEngine scripts them; Space Lens measurements answered from
// "$HOME/answers<folder>.json" ("$HOME/answers.json" for the whole computer);
// `trash` goes to the real engine; every other command ends at once with
// nothing to say.
struct WholeApp {
    AppFixture fixture;
    AppsEngine apps{fixture.env().home() + u"/engine.log"_qs, {}, {}, {}, {}};
    std::optional<RootView> root;

    QString home() const { return const_cast<AppFixture &>(fixture).env().home(); }

    void start() {
        fixture.env().installEngineInResources(
            ScriptedEngine::realTrash() +
            u"case \"$1\" in\n"
            "analyze) cat \"$HOME/answers$3.json\" 2>/dev/null || exit 1; exit 0 ;;\n"
            "uninstall) ;;\n"
            "*) exit 0 ;;\n"
            "esac\n"_qs +
            apps.script());
        // The last test's window may still be on its way out, taking the
        // activation with it: let it go before this one is shown.
        QTest::qWait(20);
        root.emplace();
        root->forceContent(RootView::Content::panes);
        ScreenShots::present(&*root, {1200, 860});
        root->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&*root));
    }
    // The pane shown now, once it is a View; null when it never comes.
    template <class View>
    View *paneView() {
        View *view = nullptr;
        const auto shown = [&] { return (view = qobject_cast<View *>(root->contentWidget())); };
        return QTest::qWaitFor(shown, 5000) ? view : nullptr;
    }

    // The offscreen platform drops the window's activation when a pane's
    // widgets are deleted; a desktop keeps it. Give it back, as the desktop would.
    void keepActive() {
        QTest::qWait(10);  // the platform's word on activation comes late
        if (QApplication::activePopupWidget() || QApplication::activeModalWidget() ||
            QApplication::activeWindow() == &*root)
            return;
        root->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&*root));
    }
    // The window a key typed now goes to: the open menu, else a dialog,
    // else the main window. The window hands it to its focused widget, after
    // the shortcuts had their say, as a real key press does.
    QWindow *keyWindow() {
        if (QWidget *popup = QApplication::activePopupWidget())
            return popup->windowHandle();
        if (QWidget *modal = QApplication::activeModalWidget())
            return modal->windowHandle();
        return root->windowHandle();
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        keepActive();
        QTest::keyClick(keyWindow(), key, modifiers);
        QCoreApplication::processEvents();
    }
    void type(const QString &text) {
        keepActive();
        for (QChar c : text) QTest::keyClick(keyWindow(), c.toLatin1());
        QCoreApplication::processEvents();
    }
    // Presses Tab until `wanted` has focus; false after a full lap without it.
    bool tabTo(const std::function<bool(QWidget *)> &wanted, int most = 40) {
        for (int i = 0; i < most; ++i) {
            if (QApplication::focusWidget() && wanted(QApplication::focusWidget()))
                return true;
            key(Qt::Key_Tab);
        }
        return false;
    }
    static bool until(const std::function<bool()> &done) {
        if (!QTest::qWaitFor(done, 10000))
            return false;
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return true;
    }

    void answer(const QString &folder, const QString &json) const {
        QVERIFY(TestEnvironment::writeFile(
            home() + u"/answers"_qs + (folder == u"/" ? QString() : folder) + u".json"_qs,
            json.toUtf8()));
    }
};

// The engine's report on `folder`: (name, path, size, folder) per entry.
struct ReportEntry {
    QString name;
    QString path;
    qint64 size;
    bool folder;
};
inline QString reportJson(const QString &folder, const QList<ReportEntry> &entries) {
    QStringList items;
    for (const ReportEntry &e : entries)
        items.append(u"{\"name\":\"%1\",\"path\":\"%2\",\"size\":%3,\"is_dir\":%4}"_qs.arg(
            e.name, e.path, QString::number(e.size), e.folder ? u"true"_qs : u"false"_qs));
    return u"{\"path\":\"%1\",\"entries\":[%2]}"_qs.arg(folder, items.join(u','));
}
