#include <QAbstractButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <functional>

#include "Journey.h"
#include "app/SettingsView.h"
#include "cleanup/CleanModel.h"
#include "maintenance/OptimizeModel.h"
#include "permissions/AccessView.h"
#include "spacelens/SpaceModel.h"
#include "spacelens/SpaceRows.h"
#include "spacelens/SpaceView.h"
#include "support/ScreenShots.h"
#include "theme/controls/GButton.h"
#include "uninstaller/AppDetail.h"
#include "uninstaller/AppsModel.h"
#include "uninstaller/LeftoverList.h"
#include "uninstaller/UninstallView.h"

namespace {

constexpr int kWaitMs = 20000;

// The buttons of `window` a user cannot see whole, even after scrolling the
// page they sit on to them: cut by the window's edge, by a parent or by a
// neighbour, or squeezed below their own natural size.
QStringList cutButtons(QWidget *window) {
    QStringList cut;
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (!button->isVisible())
            continue;
        for (QWidget *w = button->parentWidget(); w; w = w->parentWidget())
            if (auto *page = qobject_cast<QScrollArea *>(w))
                page->ensureWidgetVisible(button, 0, 0);
        QCoreApplication::processEvents();
        const QRect inWindow(button->mapTo(window, QPoint()), button->size());
        const QString name = button->text().isEmpty() ? button->accessibleName() : button->text();
        if (!window->rect().contains(inWindow))
            cut << name + u": outside the window"_qs;
        else if (button->visibleRegion() != QRegion(button->rect()))
            cut << name + u": covered or clipped"_qs;
        else if (auto *g = qobject_cast<GButton *>(button); g && g->width() < g->sizeHint().width())
            cut << name + u": narrower than its title"_qs;
    }
    return cut;
}

using Step = std::function<bool(Journey &)>;

bool settled(const std::function<bool()> &done) {
    const bool ok = QTest::qWaitFor(done, kWaitMs);
    for (int pass = 0; pass < 4; ++pass) QCoreApplication::processEvents();
    return ok;
}

QString longPath(int depth) {
    QString path = u"~/.local/share/notely"_qs;
    for (int i = 0; i < depth; ++i)
        path += u"/a-folder-with-a-rather-long-name-"_qs + QString::number(i);
    return path + u"/settings.json"_qs;
}

// The states a pane is brought to, each through its model, each building on
// the one before.
bool scanned(Journey &j) {
    j.root()->clean()->scan();
    return settled([&] { return j.root()->clean()->phase().kind == CleanModel::Phase::ready; });
}
bool cleaned(Journey &j) {
    if (!scanned(j))
        return false;
    j.root()->clean()->clean();
    return settled([&] { return j.root()->clean()->phase().kind == CleanModel::Phase::done; });
}
bool listed(Journey &j) {
    return settled([&] { return !j.root()->apps()->apps().isEmpty(); });
}
bool selecting(Journey &j) {
    if (!listed(j))
        return false;
    j.root()->apps()->select(j.appImage);
    return true;
}
bool selected(Journey &j) {
    return selecting(j) &&
           settled([&] { return j.root()->apps()->preview().kind == AppsModel::Preview::files; });
}
bool removed(Journey &j) {
    if (!selected(j))
        return false;
    j.root()->apps()->uninstall(j.root()->apps()->apps().first());
    return settled([&] { return j.root()->apps()->preview().kind == AppsModel::Preview::removed; });
}
bool checked(Journey &j) {
    j.root()->optimize()->run(true);
    return settled([&] { return j.root()->optimize()->phase() == OptimizeModel::Phase::ready; });
}
bool fixed(Journey &j) {
    j.root()->optimize()->run(false);
    return settled([&] { return j.root()->optimize()->phase() == OptimizeModel::Phase::done; });
}
bool measured(Journey &j) {
    const QString docs = j.app.env().home() + u"/Docs"_qs;
    j.answer(u"/"_qs, {{u"Docs"_qs, docs, 900, true, {}, {}, {}}});
    j.root()->space()->load(true);
    return settled([&] { return j.root()->space()->report().has_value(); });
}
bool unmeasured(Journey &j) {
    return settled([&] { return j.root()->space()->error().has_value(); });
}
// The permissions screen, after a press on its settings button.
bool settingsOpened(Journey &j) {
    // A fresh screen that sees no access yet.
    j.app.setAccess(false);
    j.root()->forceContent(RootView::Content::panes);
    j.root()->forceContent(std::nullopt);
    QCoreApplication::processEvents();  // a new child shows on the next turn
    auto *access = j.view<AccessView>();
    return access && RealInput::click(access->openSettingsButton()) &&
           access->restartButton()->isVisible();
}

}  // namespace

Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(std::optional<Pane>)

// Every pane in its main states, in a window at its minimum size and at the
// size it opens at: no button may be cut off.
class WindowSizeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { ScreenShots::loadLook(); }
    void init() { qputenv("XDG_CURRENT_DESKTOP", ""); }

    void noButtonIsCut_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<std::optional<Pane>>("pane");  // none: the setup screen
        QTest::addColumn<Step>("step");
        const struct {
            const char *name;
            std::optional<Pane> pane;
            Step step;
        } states[] = {
            {"setup", {}, {}},
            {"setup, settings opened", {}, settingsOpened},
            {"overview", Pane::overview, {}},
            {"cleanup idle", Pane::clean, {}},
            {"cleanup ready", Pane::clean, scanned},
            {"cleanup done", Pane::clean, cleaned},
            {"uninstaller list", Pane::uninstall, listed},
            {"uninstaller finding files", Pane::uninstall, selecting},
            {"uninstaller app with long leftovers", Pane::uninstall, selected},
            {"uninstaller removed", Pane::uninstall, removed},
            {"space lens table", Pane::space, measured},
            {"space lens error", Pane::space, unmeasured},
            {"maintenance idle", Pane::optimize, {}},
            {"maintenance ready", Pane::optimize, checked},
            {"maintenance done", Pane::optimize, fixed},
        };
        for (QSize size : {QSize(980, 660), QSize(1100, 720)})
            for (const auto &state : states)
                QTest::addRow("%s at %dx%d", state.name, size.width(), size.height())
                    << size << state.pane << state.step;
    }
    void noButtonIsCut() {
        QFETCH(QSize, size);
        QFETCH(std::optional<Pane>, pane);
        QFETCH(Step, step);
        Journey j(pane.has_value(), {longPath(6), longPath(2), u"~/.config/notely"_qs}, size);
        QVERIFY(j.shown());
        if (pane)
            j.root()->setPane(*pane);
        QVERIFY(!step || step(j));
        for (int pass = 0; pass < 4; ++pass) QCoreApplication::processEvents();
        QCOMPARE(j.window->size(), size);
        if (size == MainWindow::minimumSize) {
            QString name = QString::fromLatin1(QTest::currentDataTag()).section(u" at "_qs, 0, 0);
            name.replace(QRegularExpression(u"[^a-z]+"_qs), u"-"_qs);
            QVERIFY(ScreenShots::shoot(&*j.window, u"minimum-"_qs + name));
        }
        const QStringList cut = cutButtons(&*j.window);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u"; "_qs)));
    }

    // However long a list, the page stays as high as the window and the list
    // scrolls itself to its last row: a widget as tall as its rows would
    // stop showing them past Qt's 16,777,215-pixel limit.
    void longListsScrollThemselves() {
        QStringList leftovers;
        QList<DiskEntry> entries;
        for (int i = 0; i < 3000; ++i) {
            leftovers << u"~/.cache/notely/part-"_qs + QString::number(i);
            entries.append({u"file-"_qs + QString::number(i),
                            u"/data/file-"_qs + QString::number(i),
                            qint64(100'000 - i),
                            false,
                            {},
                            {},
                            {}});
        }
        Journey j(true, leftovers);
        QVERIFY(j.shown());
        j.answer(u"/"_qs, entries);
        const auto scrollsItself = [](QAbstractScrollArea *page, QListView *list) {
            QCOMPARE(page->verticalScrollBar()->maximum(), 0);
            QVERIFY(list->verticalScrollBar()->maximum() > 0);
            QVERIFY(list->height() < page->height());
            const QModelIndex last = list->model()->index(list->model()->rowCount() - 1, 0);
            list->scrollTo(last);
            QVERIFY(list->viewport()->rect().contains(list->visualRect(last)));
        };

        j.root()->setPane(Pane::space);
        QVERIFY(settled([&] { return j.root()->space()->report().has_value(); }));
        auto *space = j.view<SpaceView>();
        QVERIFY(space && space->rows()->rowCount() >= 3000);
        scrollsItself(space, space->list());

        j.root()->setPane(Pane::uninstall);
        QVERIFY(selected(j));
        auto *uninstall = j.view<UninstallView>();
        auto *detail = uninstall ? qobject_cast<AppDetail *>(uninstall->detail()) : nullptr;
        QVERIFY(detail && detail->files()->model()->rowCount() == 1 + 3000);  // the app, its files
        scrollsItself(uninstall, detail->files());
    }

    void settingsWindow() {
        AppFixture app;
        std::unique_ptr<QWidget> window(SettingsView::createWindow());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QStringList cut = cutButtons(window.get());
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u"; "_qs)));
    }
};

QTEST_MAIN(WindowSizeTest)
#include "tst_window_size.moc"
