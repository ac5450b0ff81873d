#include <QAccessible>
#include <QApplication>
#include <QListView>
#include <QTest>

#include "WholeApp.h"
#include "app/TabButton.h"
#include "panes/Pane.h"
#include "spacelens/SpaceView.h"
#include "theme/Accessibility.h"
#include "uninstaller/AppDetail.h"
#include "uninstaller/AppsModel.h"
#include "uninstaller/UninstallView.h"

Q_DECLARE_METATYPE(Pane)

namespace {

// One element of the tree as a screen reader meets it.
struct Element {
    QAccessible::Role role;
    QString name;
    QAccessible::State state;
    QString className;  // of the widget behind it; empty for list items
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
                object ? QString::fromLatin1(object->metaObject()->className()) : QString()});
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

}  // namespace

// Reads each pane through QAccessible, the tree AT-SPI publishes.
class AccessibilityTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { ScreenShots::loadLook(); }

    void everyPane_data() {
        QTest::addColumn<Pane>("pane");
        for (Pane p : Panes::all()) QTest::newRow(Panes::title(p).toUtf8()) << p;
    }
    void everyPane() {
        QFETCH(Pane, pane);
        WholeApp shell;
        shell.apps.list = listJson({app(u"Alpha"_qs)});
        shell.start();
        shell.root->setPane(pane);
        QTest::qWait(200);  // listings and readings arrive
        const QList<Element> elements = tree(&*shell.root);
        QVERIFY2(problems(elements).isEmpty(), qPrintable(problems(elements).join(u'\n')));

        // The walk reaches the painted pieces: decoration is there, and skipped.
        int decorations = 0;
        for (const Element &e : elements)
            decorations += e.className == u"Icon" || e.className == u"StatusDot" ||
                           e.className == u"Logo" || e.className == u"Sparkline";
        QVERIFY(decorations > 0 || pane == Pane::overview);  // its readings come later

        // The tabs: one per pane, only the shown one selected (and checked).
        QStringList selected;
        int tabs = 0;
        for (const Element &e : elements)
            if (e.className == u"TabButton") {
                ++tabs;
                QCOMPARE(e.role, QAccessible::PageTab);
                QCOMPARE(e.state.selected, e.state.checked);
                if (e.state.selected)
                    selected.append(e.name);
            }
        QCOMPARE(tabs, int(Panes::all().size()));
        QCOMPARE(selected, QStringList{Panes::title(pane)});
        // A status is one element: its name, no children heard after it.
        for (int i = 0; i < elements.size(); ++i)
            if (elements[i].className == u"Status") {
                QCOMPARE(elements[i].role, QAccessible::StaticText);
                QVERIFY(!elements[i].name.isEmpty());
                QVERIFY(i + 1 == elements.size() || elements[i + 1].className != u"StatusDot");
            }
    }

    // An app with its leftovers: rows are list items named by what they show,
    // the app's picture is not there, the reveal buttons say what they reveal.
    void uninstallerDetail() {
        WholeApp shell;
        shell.apps.list = listJson({app(u"Tool"_qs)});
        shell.apps.dryRuns.insert(u"tool"_qs, dryRun({u"~/.config/tool"_qs, u"~/.cache/tool"_qs}));
        shell.start();
        shell.root->setPane(Pane::uninstall);
        QVERIFY(WholeApp::until([&] { return !shell.root->apps()->apps().isEmpty(); }));
        shell.root->apps()->select(shell.root->apps()->apps().first().path);
        QVERIFY(WholeApp::until(
            [&] { return shell.root->apps()->preview().kind == AppsModel::Preview::files; }));
        const QList<Element> elements = tree(&*shell.root);
        QVERIFY2(problems(elements).isEmpty(), qPrintable(problems(elements).join(u'\n')));
        // The leftovers are a list whose items carry the path they show.
        QStringList rows, pictures;
        for (const Element &e : elements) {
            if (e.role == QAccessible::ListItem && e.name.contains(u"~/."))
                rows.append(e.name);
            if (e.className == u"QLabel" && !e.state.invisible && e.name.isEmpty())
                pictures.append(describe(e));
        }
        QCOMPARE(rows.size(), 2);
        QVERIFY2(rows[0].contains(u"~/.config/tool"_qs), qPrintable(rows.join(u'|')));
        QVERIFY2(rows[1].contains(u"~/.cache/tool"_qs), qPrintable(rows.join(u'|')));
        QCOMPARE(pictures, QStringList());
    }

    // Space Lens rows are list items named by the entry; the list has a name.
    void spaceLensRows() {
        WholeApp shell;
        shell.answer(u"/"_qs, reportJson(u"/"_qs, {{u"Media"_qs, u"/data/Media"_qs, 50, true},
                                                   {u"a.bin"_qs, u"/data/a.bin"_qs, 10, false}}));
        shell.start();
        shell.root->setPane(Pane::space);
        auto *view = qobject_cast<SpaceView *>(shell.root->contentWidget());
        QVERIFY(view);
        QVERIFY(WholeApp::until([&] { return view->list()->isVisible(); }));
        const QList<Element> elements = tree(&*shell.root);
        QVERIFY2(problems(elements).isEmpty(), qPrintable(problems(elements).join(u'\n')));
        QStringList items;
        for (const Element &e : elements)
            if (e.role == QAccessible::ListItem)
                items.append(e.name);
        QVERIFY(items.contains(u"Media"_qs));
        QVERIFY(items.contains(u"a.bin"_qs));
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
