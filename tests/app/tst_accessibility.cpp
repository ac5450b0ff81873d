#include <QAccessible>
#include <QApplication>
#include <QListView>
#include <QScopeGuard>
#include <QTest>

#include "Journey.h"
#include "WholeApp.h"
#include "panes/Pane.h"
#include "app/SettingsView.h"
#include "app/TabButton.h"
#include "cleanup/CleanModel.h"
#include "maintenance/OptimizeModel.h"
#include "platform/Wording.h"
#include "spacelens/SpaceModel.h"
#include "spacelens/SpaceRows.h"
#include "spacelens/SpaceView.h"
#include "theme/Accessibility.h"
#include "uninstaller/AppDetail.h"
#include "uninstaller/AppsModel.h"
#include "uninstaller/UninstallView.h"

namespace {

// One element of the tree as a screen reader meets it.
struct Element {
    QAccessible::Role role;
    QString name;
    QAccessible::State state;
    QString className;  // of the widget behind it; empty for list items
    QString description;
};

bool shown(const QAccessibleInterface *iface) {
    auto *widget = qobject_cast<QWidget *>(iface->object());
    return !iface->state().invisible && (!widget || widget->isVisible());
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
    if (!shown(iface))
        return;
    for (int i = 0; i < iface->childCount(); ++i) collect(iface->child(i), out, depth + 1);
}

QList<Element> tree(QWidget *window) {
    QList<Element> out;
    collect(QAccessible::queryAccessibleInterface(window), out);
    return out;
}

QString describe(const Element &e) {
    return e.className + u" role "_qs + QString::number(e.role) + u" \""_qs + e.name + u'"';
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

bool contains(const QList<Element> &elements, const Heard &wanted) {
    for (const Element &e : elements)
        if (!e.state.invisible && e.role == wanted.role && e.name == wanted.name &&
            (wanted.description.isEmpty() || e.description == wanted.description))
            return true;
    return false;
}

// Brings the journey's window into one state; the window to read, or none
// when the state never comes.
using Reach = std::function<QWidget *(Journey &)>;

QWidget *onPane(Journey &j, Pane pane) {
    j.root()->setPane(pane);
    return WholeApp::until([&] { return j.root()->pane() == pane; }) ? &*j.window : nullptr;
}

QWidget *cleanIn(Journey &j, CleanModel::Phase::Kind phase) {
    onPane(j, Pane::clean);
    CleanModel *model = j.root()->clean();
    model->scan();
    if (!WholeApp::until([&] { return model->phase().kind == CleanModel::Phase::ready; }))
        return nullptr;
    if (phase == CleanModel::Phase::done)
        model->clean();
    return WholeApp::until([&] { return model->phase().kind == phase; }) ? &*j.window : nullptr;
}

QWidget *optimizeReady(Journey &j) {
    onPane(j, Pane::optimize);
    OptimizeModel *model = j.root()->optimize();
    model->run(true);
    return WholeApp::until([&] { return model->phase() == OptimizeModel::Phase::ready; })
               ? &*j.window
               : nullptr;
}

QWidget *uninstallDetail(Journey &j) {
    onPane(j, Pane::uninstall);
    AppsModel *model = j.root()->apps();
    if (!WholeApp::until([&] { return !model->apps().isEmpty(); }))
        return nullptr;
    model->select(j.appImage);
    return WholeApp::until([&] { return model->preview().kind == AppsModel::Preview::files; })
               ? &*j.window
               : nullptr;
}

// Space Lens with its rows, the list focused as a reader of it would have it;
// inside "Docs" when `inside`.
QWidget *spaceRows(Journey &j, bool inside) {
    const QString docs = j.app.env().home() + u"/Docs"_qs;
    j.answer(u"/"_qs, {{u"Docs"_qs, docs, 9000, true, {}, {}, {}},
                       {u"a.bin"_qs, u"/data/a.bin"_qs, 10, false, {}, {}, {}}});
    j.answer(docs, {{u"note.txt"_qs, docs + u"/note.txt"_qs, 4, false, {}, {}, {}}});
    onPane(j, Pane::space);
    auto *view = j.view<SpaceView>();
    const auto rowsShown = [&] {
        return view->list()->isVisible() && view->rows()->rowCount() > 0;
    };
    if (!view || !WholeApp::until(rowsShown))
        return nullptr;
    if (inside) {
        j.root()->space()->open(view->rows()->row(0).item);
        const auto inDocs = [&] {
            return rowsShown() && view->rows()->row(0).item.name == u"note.txt";
        };
        if (!WholeApp::until(inDocs))
            return nullptr;
    }
    // On its first row, as a reader moving through the rows is.
    view->list()->setFocus(Qt::TabFocusReason);
    view->list()->setCurrentIndex(view->rows()->index(0, 0));
    return WholeApp::until([&] { return view->rowActions()->isVisible(); }) ? &*j.window : nullptr;
}

}  // namespace

Q_DECLARE_METATYPE(Heard)
Q_DECLARE_METATYPE(Reach)

// Reads each pane in its main states through QAccessible, the tree AT-SPI
// publishes, with the Linux wording a user of this build hears.
class AccessibilityTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        ScreenShots::loadLook();
        QVERIFY(Wording::install(qApp, QStringLiteral(BUILT_RESOURCES)));
    }
    void init() { qputenv("XDG_CURRENT_DESKTOP", ""); }  // no settings app is ever started

    void mainStates_data() {
        QTest::addColumn<bool>("setupDone");
        QTest::addColumn<Reach>("reach");
        QTest::addColumn<QList<Heard>>("heard");
        using A = QAccessible;
        const QString asks = u"Asks for confirmation"_qs;
        QTest::newRow("first run") << false << Reach([](Journey &j) { return &*j.window; })
                                   << QList<Heard>{{A::Button, u"Continue"_qs},
                                                   {A::StaticText, u"Access to Your Files"_qs}};
        QTest::newRow("Overview") << true
                                  << Reach([](Journey &j) { return onPane(j, Pane::overview); })
                                  << QList<Heard>{{A::PageTab, u"Overview"_qs}};
        QTest::newRow("Cleanup, not scanned")
            << true << Reach([](Journey &j) { return onPane(j, Pane::clean); })
            << QList<Heard>{{A::Button, u"Scan"_qs}, {A::StaticText, u"Not Scanned"_qs}};
        QTest::newRow("Cleanup, report")
            << true << Reach([](Journey &j) { return cleanIn(j, CleanModel::Phase::ready); })
            << QList<Heard>{{A::Button, u"Clean 1.52 GB"_qs, asks},
                            {A::Button, u"Rescan"_qs},
                            {A::ListItem, u"User caches"_qs, u"Expand"_qs}};
        QTest::newRow("Cleanup, cleaned")
            << true << Reach([](Journey &j) { return cleanIn(j, CleanModel::Phase::done); })
            << QList<Heard>{{A::Button, u"Scan Again"_qs}, {A::StaticText, u"Cleaned"_qs}};
        QTest::newRow("Uninstaller, list")
            << true << Reach([](Journey &j) { return onPane(j, Pane::uninstall); })
            << QList<Heard>{{A::EditableText, u"Search Apps"_qs}, {A::List, u"Apps"_qs}};
        QTest::newRow("Uninstaller, an app's files")
            << true << Reach(uninstallDetail)
            << QList<Heard>{{A::Button, u"Uninstall"_qs, asks},
                            {A::Button, u"Show in Folder"_qs},
                            {A::List, u"Files"_qs},
                            {A::ListItem, u"Show ~/.config/notely in its folder"_qs}};
        QTest::newRow("Space Lens, top")
            << true << Reach([](Journey &j) { return spaceRows(j, false); })
            << QList<Heard>{{A::List, u"Folder contents"_qs},
                            {A::ListItem, u"Docs"_qs},
                            {A::ButtonMenu, u"Actions for Docs"_qs},
                            {A::Button, u"Rescan"_qs}};
        QTest::newRow("Space Lens, inside a folder")
            << true << Reach([](Journey &j) { return spaceRows(j, true); })
            << QList<Heard>{{A::Button, u"Back"_qs},
                            {A::Button, u"This Computer"_qs},
                            {A::ButtonMenu, u"Actions for note.txt"_qs}};
        QTest::newRow("Maintenance, not checked")
            << true << Reach([](Journey &j) { return onPane(j, Pane::optimize); })
            << QList<Heard>{{A::Button, u"Run Check"_qs}, {A::StaticText, u"Not Checked"_qs}};
        QTest::newRow("Maintenance, checked")
            << true << Reach(optimizeReady)
            << QList<Heard>{{A::Button, u"Apply Fixes"_qs}, {A::StaticText, u"Needs Attention"_qs}};
        QTest::newRow("Settings") << true << Reach([](Journey &) {
            QWidget *settings = SettingsView::createWindow();
            settings->setAttribute(Qt::WA_DeleteOnClose);
            settings->show();
            return QTest::qWaitForWindowExposed(settings) ? settings : nullptr;
        })
                                  << QList<Heard>{{A::CheckBox, u"Check automatically"_qs},
                                                  {A::Button, u"Run Again"_qs},
                                                  {A::StaticText, u"On"_qs}};
    }
    void mainStates() {
        QFETCH(bool, setupDone);
        QFETCH(Reach, reach);
        QFETCH(QList<Heard>, heard);
        Journey j(setupDone);
        QVERIFY(j.shown());
        QWidget *window = reach(j);
        QVERIFY(window);
        const auto close = qScopeGuard([&] {
            if (window != &*j.window)
                window->close();
        });
        QTest::qWait(50);  // queued syncs draw the state
        const QList<Element> elements = tree(window);
        QVERIFY2(problems(elements).isEmpty(), qPrintable(problems(elements).join(u'\n')));
        for (const Heard &h : heard) {
            QStringList all;
            for (const Element &e : elements)
                if (!e.state.invisible && e.role == h.role)
                    all.append(describe(e) + u" \u2014 "_qs + e.description);
            QVERIFY2(
                contains(elements, h),
                qPrintable(u"not heard: role "_qs + QString::number(h.role) + u" \""_qs + h.name +
                           u"\" "_qs + h.description + u"\nheard:\n"_qs + all.join(u'\n')));
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
        if (window == &*j.window && j.root()->content() == RootView::Content::panes) {
            QCOMPARE(tabs, int(Panes::all().size()));
            QCOMPARE(selected, QStringList{Panes::title(j.root()->pane())});
        }
        // A status is one element: its name, no children heard after it.
        for (int i = 0; i < elements.size(); ++i)
            if (elements[i].className == u"Status") {
                QCOMPARE(elements[i].role, QAccessible::StaticText);
                QVERIFY(!elements[i].name.isEmpty());
                QVERIFY(i + 1 == elements.size() || elements[i + 1].className != u"StatusDot");
            }
        // The walk reaches the painted pieces: decoration is there, and skipped.
        int decorations = 0;
        for (const Element &e : elements)
            decorations += e.className == u"Icon" || e.className == u"StatusDot" ||
                           e.className == u"Logo" || e.className == u"Sparkline";
        QVERIFY(decorations > 0);
        // Nor is a picture shown by a plain label (the Uninstaller's app icon).
        for (const Element &e : elements)
            QVERIFY2(e.className != u"QLabel" || e.state.invisible || !e.name.isEmpty(),
                     qPrintable(describe(e)));
    }

    // What is painted apart is heard with a space between.
    void storageValueReadsAsWords() {
        WholeApp shell;
        shell.start();
        QStringList heard;
        for (const Element &e : tree(&*shell.root))
            if (e.name.contains(u"available of"))
                heard.append(e.name);
        for (const QString &name : heard)
            QVERIFY2(name.contains(u" available of "), qPrintable(name));
    }
};

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
