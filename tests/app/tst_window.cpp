#include <QAbstractButton>
#include <QAccessible>
#include <QMenu>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include "Journey.h"
#include "app/SettingsView.h"
#include "cleanup/CleanModel.h"
#include "maintenance/OptimizeModel.h"
#include "permissions/ui/AccessView.h"
#include "platform/Wording.h"
#include "spacelens/SpaceModel.h"
#include "spacelens/SpaceRows.h"
#include "spacelens/ui/SpaceView.h"
#include "support/ScreenShots.h"
#include "support/TestPaths.h"
#include "support/ViewProbe.h"
#include "theme/controls/GButton.h"
#include "uninstaller/AppsModel.h"
#include "uninstaller/ui/AppDetail.h"
#include "uninstaller/ui/LeftoverList.h"
#include "uninstaller/ui/UninstallView.h"

namespace {

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

// One element of the tree as a screen reader meets it.
struct Element {
    QAccessible::Role role;
    QString name;
    QAccessible::State state;
    QString className;  // of the widget behind it; empty for list items
    QString description;
};

QString describe(const Element &e) {
    return e.className + u" role "_qs + QString::number(e.role) + u" \""_qs + e.name + u"\" "_qs +
           e.description;
}

// Every element under `iface`, depth first, skipping what is not shown:
// what AT-SPI hands a screen reader.
void collect(QAccessibleInterface *iface, QList<Element> &out, int depth = 0) {
    if (!iface || depth > 40)
        return;
    const QObject *object = iface->object();
    out.append({iface->role(), iface->text(QAccessible::Name), iface->state(),
                object ? QString::fromLatin1(object->metaObject()->className()) : QString(),
                iface->text(QAccessible::Description)});
    auto *widget = qobject_cast<QWidget *>(iface->object());
    if (iface->state().invisible || (widget && !widget->isVisible()))
        return;
    for (int i = 0; i < iface->childCount(); ++i) collect(iface->child(i), out, depth + 1);
}

// What a user who cannot see the screen would stumble over.
QStringList problems(const QList<Element> &elements) {
    static const QList<QAccessible::Role> controls = {
        QAccessible::Button,    QAccessible::CheckBox,     QAccessible::RadioButton,
        QAccessible::PageTab,   QAccessible::EditableText, QAccessible::List,
        QAccessible::ListItem,  QAccessible::ComboBox,     QAccessible::Link,
        QAccessible::Slider,    QAccessible::SpinBox,      QAccessible::MenuItem,
        QAccessible::Table,     QAccessible::Cell,         QAccessible::ButtonMenu,
        QAccessible::StaticText};  // selectable text
    static const QStringList decoration = {u"Icon"_qs, u"Logo"_qs, u"StatusDot"_qs,
                                           u"Sparkline"_qs};
    QStringList out;
    for (const Element &e : elements) {
        const bool hidden = e.state.invisible;
        if (decoration.contains(e.className) && (!hidden || e.role != QAccessible::NoRole))
            out.append(u"decoration exposed: "_qs + describe(e));
        // Nor is a picture shown by a plain label (the Uninstaller's app icon).
        if (e.className == u"QLabel" && !hidden && e.name.isEmpty())
            out.append(u"unnamed picture: "_qs + describe(e));
        if (hidden || !e.state.focusable)
            continue;
        if (e.name.trimmed().isEmpty())
            out.append(u"focusable without a name: "_qs + describe(e));
        if (!controls.contains(e.role))
            out.append(u"focusable with no control role: "_qs + describe(e));
    }
    return out;
}

// What a state must let a screen reader hear: an element with this role and
// name, and this description when one is given.
struct Heard {
    QAccessible::Role role;
    QString name;
    QString description = {};
};

// Brings the window into one state; the window to read, or none when the
// state never comes.
using Step = std::function<QWidget *(Journey &)>;

QWidget *settled(Journey &j, const std::function<bool()> &done, QWidget *window = nullptr) {
    const bool ok = Journey::until(done);
    for (int pass = 0; pass < 4; ++pass) QCoreApplication::processEvents();
    return ok ? (window ? window : j.window) : nullptr;
}
QWidget *onPane(Journey &j, Pane pane) {
    j.root()->setPane(pane);
    return settled(j, [&] { return j.root()->pane() == pane; });
}
QWidget *cleanIn(Journey &j, CleanModel::Phase::Kind phase) {
    onPane(j, Pane::clean);
    CleanModel *model = j.root()->clean();
    model->scan();
    if (!settled(j, [&] { return model->phase().kind == CleanModel::Phase::ready; }))
        return nullptr;
    if (phase == CleanModel::Phase::done)
        model->clean();
    return settled(j, [&] { return model->phase().kind == phase; });
}
QWidget *optimizeIn(Journey &j, OptimizeModel::Phase phase) {
    onPane(j, Pane::optimize);
    OptimizeModel *model = j.root()->optimize();
    model->run(true);
    if (!settled(j, [&] { return model->phase() == OptimizeModel::Phase::ready; }))
        return nullptr;
    if (phase == OptimizeModel::Phase::done)
        model->run(false);
    return settled(j, [&] { return model->phase() == phase; });
}
// The Uninstaller with its list, the app chosen, showing `preview`; the app
// removed when `remove`.
QWidget *uninstallIn(Journey &j, std::optional<AppsModel::Preview::Kind> preview,
                     bool remove = false) {
    onPane(j, Pane::uninstall);
    AppsModel *model = j.root()->apps();
    if (!settled(j, [&] { return !model->apps().isEmpty(); }) || !preview)
        return j.window;
    model->select(j.appImage);
    if (preview == AppsModel::Preview::loading)
        return j.window;
    if (!settled(j, [&] { return model->preview().kind == *preview; }) || !remove)
        return j.window;
    model->uninstall(model->apps().first());
    return settled(j, [&] { return model->preview().kind == AppsModel::Preview::removed; });
}
// Space Lens with its rows, the first focused as a reader moving through
// them has it; inside "Docs" when `inside`; an error when nothing answers.
QWidget *spaceIn(Journey &j, bool inside, bool answered = true) {
    const QString docs = j.app.env().home() + u"/Docs"_qs;
    if (answered) {
        j.answer(u"/"_qs, {{u"Docs"_qs, docs, 9000, true, {}, {}, {}},
                           {u"a.bin"_qs, u"/data/a.bin"_qs, 10, false, {}, {}, {}}});
        j.answer(docs, {{u"note.txt"_qs, docs + u"/note.txt"_qs, 4, false, {}, {}, {}}});
    }
    onPane(j, Pane::space);
    auto *view = j.view<SpaceView>();
    if (!answered)
        return settled(j, [&] { return j.root()->space()->error().has_value(); });
    const auto rowsShown = [&] {
        return view->list()->isVisible() && view->rows()->rowCount() > 0;
    };
    if (!settled(j, rowsShown))
        return nullptr;
    if (inside) {
        j.root()->space()->open(view->rows()->row(0).item);
        if (!settled(j,
                     [&] { return rowsShown() && view->rows()->row(0).item.name == u"note.txt"; }))
            return nullptr;
    }
    view->list()->setFocus(Qt::TabFocusReason);
    view->list()->setCurrentIndex(view->rows()->index(0, 0));
    return settled(j, [&] { return view->rowActions()->isVisible(); });
}
QWidget *settingsWindow(Journey &j) {
    j.shell->showSettings();
    QWidget *settings = j.shell->settingsWindow();
    return settings && QTest::qWaitForWindowExposed(settings) ? settings : nullptr;
}

QString longPath(int depth) {
    QString path = u"~/.local/share/notely"_qs;
    for (int i = 0; i < depth; ++i)
        path += u"/a-folder-with-a-rather-long-name-"_qs + QString::number(i);
    return path + u"/settings.json"_qs;
}

}  // namespace

Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(Heard)
Q_DECLARE_METATYPE(Pane)

// Every pane in its main states, as a user of this build on Linux meets it:
// no button cut off at the window's minimum size or the size it opens at, no
// text naming a Mac-only thing, and what a screen reader hears through the
// tree AT-SPI publishes.
class WindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        ScreenShots::loadLook();
        QVERIFY(Wording::install(qApp, TestPaths::builtResources()));
    }
    void init() { qputenv("XDG_CURRENT_DESKTOP", ""); }  // no settings app is ever started

    void states_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("setupDone");
        QTest::addColumn<Step>("step");
        QTest::addColumn<QList<Heard>>("heard");
        using A = QAccessible;
        using P = AppsModel::Preview;
        const QString asks = u"Asks for confirmation"_qs;
        const struct {
            const char *name;
            bool setupDone;
            Step step;
            QList<Heard> heard;
        } states[] = {
            {"first run",
             false,
             [](Journey &j) { return j.window; },
             {{A::Button, u"Continue"_qs}, {A::StaticText, u"Access to Your Files"_qs}}},
            {"overview",
             true,
             [](Journey &j) { return onPane(j, Pane::overview); },
             {{A::PageTab, u"Overview"_qs}}},
            {"cleanup idle",
             true,
             [](Journey &j) { return onPane(j, Pane::clean); },
             {{A::Button, u"Scan"_qs}, {A::StaticText, u"Not Scanned"_qs}}},
            {"cleanup ready",
             true,
             [](Journey &j) { return cleanIn(j, CleanModel::Phase::ready); },
             {{A::Button, u"Clean 1.52 GB"_qs, asks},
              {A::Button, u"Rescan"_qs},
              {A::ListItem, u"User caches"_qs, u"Expand"_qs}}},
            {"cleanup done",
             true,
             [](Journey &j) { return cleanIn(j, CleanModel::Phase::done); },
             {{A::Button, u"Scan Again"_qs}, {A::StaticText, u"Cleaned"_qs}}},
            {"uninstaller list",
             true,
             [](Journey &j) { return uninstallIn(j, {}); },
             {{A::EditableText, u"Search Apps"_qs}, {A::List, u"Apps"_qs}}},
            {"uninstaller finding files",
             true,
             [](Journey &j) { return uninstallIn(j, P::loading); },
             {}},
            {"uninstaller app with long leftovers",
             true,
             [](Journey &j) { return uninstallIn(j, P::files); },
             {{A::Button, u"Uninstall"_qs, asks},
              {A::Button, u"Show in Folder"_qs},
              {A::List, u"Files"_qs},
              {A::ListItem, u"Show ~/.config/notely in its folder"_qs}}},
            {"uninstaller removed",
             true,
             [](Journey &j) { return uninstallIn(j, P::files, true); },
             {}},
            {"space lens table",
             true,
             [](Journey &j) { return spaceIn(j, false); },
             {{A::List, u"Folder contents"_qs},
              {A::ListItem, u"Docs"_qs},
              {A::ButtonMenu, u"Actions for Docs"_qs},
              {A::Button, u"Rescan"_qs}}},
            {"space lens inside a folder",
             true,
             [](Journey &j) { return spaceIn(j, true); },
             {{A::Button, u"Back"_qs},
              {A::Button, u"This Computer"_qs},
              {A::ButtonMenu, u"Actions for note.txt"_qs}}},
            {"space lens error", true, [](Journey &j) { return spaceIn(j, false, false); }, {}},
            {"maintenance idle",
             true,
             [](Journey &j) { return onPane(j, Pane::optimize); },
             {{A::Button, u"Run Check"_qs}, {A::StaticText, u"Not Checked"_qs}}},
            {"maintenance ready",
             true,
             [](Journey &j) { return optimizeIn(j, OptimizeModel::Phase::ready); },
             {{A::Button, u"Apply Fixes"_qs}, {A::StaticText, u"Needs Attention"_qs}}},
            {"maintenance done",
             true,
             [](Journey &j) { return optimizeIn(j, OptimizeModel::Phase::done); },
             {}},
            {"settings",
             true,
             settingsWindow,
             {{A::CheckBox, u"Check automatically"_qs},
              {A::Button, u"Run Again"_qs},
              {A::StaticText, u"On"_qs}}},
        };
        for (QSize size : {MainWindow::minimumSize, QSize(1100, 720)})
            for (const auto &state : states)
                QTest::addRow("%s at %dx%d", state.name, size.width(), size.height())
                    << size << state.setupDone << state.step << state.heard;
    }
    void states() {
        QFETCH(QSize, size);
        QFETCH(bool, setupDone);
        QFETCH(Step, step);
        QFETCH(QList<Heard>, heard);
        Journey j(setupDone, {longPath(6), longPath(2), u"~/.config/notely"_qs}, size);
        QVERIFY(j.shown());
        QWidget *window = step(j);
        QVERIFY(window);
        QCOMPARE(j.window->size(), size);
        const QStringList cut = cutButtons(window);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u"; "_qs)));
        if (size == MainWindow::minimumSize)
            return;
        // The Linux wording everywhere, the application menu included.
        static const QRegularExpression macWords(
            u"\\bMac\\b|macOS|Finder|⌘|System Settings|Spotlight|/Applications|App bundle|"
            "Homebrew cask|Full Disk Access|Privacy & Security"_qs);
        for (const QString &text :
             ViewProbe::visibleTexts(window) + ViewProbe::visibleTexts(j.shell->menu()))
            QVERIFY2(!macWords.match(text).hasMatch(), qPrintable(text));
        QList<Element> elements;
        collect(QAccessible::queryAccessibleInterface(window), elements);
        QVERIFY2(problems(elements).isEmpty(), qPrintable(problems(elements).join(u'\n')));
        for (const Heard &h : heard) {
            const bool found =
                std::any_of(elements.cbegin(), elements.cend(), [&](const Element &e) {
                    return !e.state.invisible && e.role == h.role && e.name == h.name &&
                           (h.description.isEmpty() || e.description == h.description);
                });
            QVERIFY2(found, qPrintable(u"not heard: "_qs + h.name));
        }
        // The tabs, when shown: one per pane, only the shown one selected (and checked).
        QStringList selected;
        int tabs = 0;
        for (const Element &e : elements)
            if (e.className == u"TabButton" && !e.state.invisible) {
                ++tabs;
                QCOMPARE(e.role, QAccessible::PageTab);
                QCOMPARE(e.state.selected, e.state.checked);
                if (e.state.selected)
                    selected.append(e.name);
            }
        if (window == j.window && j.root()->content() == RootView::Content::panes) {
            QCOMPARE(tabs, int(Panes::all().size()));
            QCOMPARE(selected, QStringList{Panes::title(j.root()->pane())});
        }
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
        j.answer(u"/"_qs, {{u"Docs"_qs, j.app.env().home() + u"/Docs"_qs, 9000, true, {}, {}, {}}});
        QVERIFY(j.shown());
        j.key(Journey::digit(pane), Qt::ControlModifier);
        QTest::qWait(200);  // listings and reports arrive
        j.key(Qt::Key_Tab);
        QWidget *first = QApplication::focusWidget();
        QVERIFY(first);
        QStringList stops;
        do {
            const QString problem = Journey::problemAt(QApplication::focusWidget());
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
            stops.append(Journey::nameOf(QApplication::focusWidget()));
            j.key(Qt::Key_Tab);
        } while (QApplication::focusWidget() != first && stops.size() < 60);
        QVERIFY2(QApplication::focusWidget() == first, qPrintable(stops.join(u" | ")));
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
