#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSortFilterProxyModel>
#include <QTest>

#include "engine/Engine.h"
#include "support/RealInput.h"
#include "support/ScreenShots.h"
#include "support/TrashCheck.h"
#include "theme/Text.h"
#include "theme/controls/ConfirmButton.h"
#include "theme/controls/PageTitle.h"
#include "theme/controls/SummaryStrip.h"
#include "uninstaller/AppDetail.h"
#include "uninstaller/AppRows.h"
#include "uninstaller/AppsEngine.h"
#include "uninstaller/LeftoverList.h"
#include "uninstaller/UninstallView.h"

namespace {

using Preview = AppsModel::Preview;

// Every label text inside `w`.
QStringList texts(const QWidget *w) {
    QStringList out;
    for (const QLabel *l : w->findChildren<QLabel *>()) out.append(l->text());
    return out;
}

// The Uninstaller pane over the scripted engine, shown in a window.
struct Scene : AppsScene {
    std::optional<UninstallView> view;

    void show() {
        install();
        view.emplace(&model);
        ScreenShots::present(&*view);
        QApplication::setActiveWindow(&*view);
    }
    bool clickRow(int row) const {
        return RealInput::click(view->list()->viewport(),
                                view->list()->visualRect(view->rows()->index(row)).center());
    }
    AppDetail *detail() const { return qobject_cast<AppDetail *>(view->detail()); }
};

}  // namespace

Q_DECLARE_METATYPE(QList<InstalledApp>)

class UninstallerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        ScreenShots::loadLook();
        QLocale::setDefault(QLocale(QLocale::English));
    }

    // A list that fails says why, in the engine's words, above the empty
    // list; "The cleaning engine is missing." is only for an engine that is.
    void listing_data() {
        QTest::addColumn<QString>("script");  // null: no engine
        QTest::addColumn<QList<InstalledApp>>("apps");
        QTest::addColumn<QString>("error");
        const auto print = [](const QString &text) {
            return ScriptedEngine::printLines(text.split(u'\n'));
        };
        QTest::newRow("progress, then an empty array")
            << print(u"Looking for apps…\n[]"_qs) << QList<InstalledApp>() << QString();
        QTest::newRow("leading text, unknown keys ignored")
            << print(
                   u"Found 1 app\n[{\"name\":\"Tool\",\"bundle_id\":\"org.example.Tool\","
                   "\"source\":\"AppImage\",\"uninstall_name\":\"tool\",\"path\":\"/opt/Tool\","
                   "\"version\":2}]"_qs)
            << QList<InstalledApp>{app(u"Tool"_qs)} << QString();
        QTest::newRow("no array") << print(u"Looking…\nnothing to list"_qs) << QList<InstalledApp>()
                                  << u"nothing to list"_qs;
        QTest::newRow("no engine")
            << QString() << QList<InstalledApp>() << QString::fromUtf8(EngineError::notInstalled);
        QTest::newRow("refusal")
            << u"echo 'mole uninstall: cannot read the desktop entries' >&2; exit 1"_qs
            << QList<InstalledApp>() << u"cannot read the desktop entries"_qs;
    }
    void listing() {
        QFETCH(QString, script);
        QFETCH(QList<InstalledApp>, apps);
        QFETCH(QString, error);
        Scene s;
        s.view.emplace(&s.model);
        if (!script.isNull())
            s.env.installEngineInResources(u"echo \"$*\" >> '"_qs + s.engine.log + u"'\n"_qs +
                                           script + u'\n');
        s.model.load();
        QVERIFY(s.model.isLoading());
        QVERIFY(s.load());  // already loading: no second run
        QCOMPARE(s.model.apps(), apps);
        QCOMPARE(s.model.error().value_or(QString()), error);
        if (!error.isEmpty())  // shown where the list would be
            QVERIFY(!s.view->listNote()->isHidden() && s.view->listNote()->text().contains(error));
        const QStringList asked =
            script.isNull() ? QStringList() : QStringList{u"uninstall --list"_qs};
        QCOMPARE(s.engine.invocations(), asked);
        if (!apps.isEmpty()) {
            s.model.load();  // listed: never again
            QVERIFY(!s.model.isLoading());
            QCOMPARE(s.engine.invocations(), asked);
        }
    }

    // The list's rows stay a sound item model while the engine lists, du
    // measures (one run for every app, whatever their names hold) and the
    // search narrows.
    void listRowsStaySoundAndSized() {
        Scene s;
        QList<InstalledApp> apps;
        for (int i = 0; i < 60; ++i) {
            const QString folder = s.env.home() + u"/Apps/App%1"_qs.arg(i);
            QVERIFY(TestEnvironment::writeFile(folder + u"/bin"_qs, QByteArray(i * 1000, 'x')));
            apps.append(app(u"App%1"_qs.arg(i), u"AppImage"_qs, folder));
        }
        for (const QString &name :
             {u"tab\there"_qs, u"new\nline"_qs, u"-dash"_qs, u"quote'\""_qs}) {
            apps.append(app(name, u"AppImage"_qs, s.env.home() + u"/Apps/"_qs + name));
            QVERIFY(TestEnvironment::writeFile(apps.last().path + u"/bin"_qs,
                                               QByteArray(500'000, 'x')));
        }
        apps.append(app(u"Missing"_qs, u"AppImage"_qs, s.env.home() + u"/Apps/missing"_qs));
        s.engine.list = u"Looking…\n"_qs + listJson(apps);
        s.install();
        UninstallView view(&s.model);
        QAbstractItemModelTester tester(view.rows(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSortFilterProxyModel seen;  // keeps its own rows: misses what goes unannounced
        seen.setSourceModel(view.rows());
        QVERIFY(s.load());
        QCOMPARE(seen.rowCount(), 65);
        QVERIFY(QTest::qWaitFor([&] { return s.model.sizes().size() == 64; }, 10000));
        for (const InstalledApp &a : apps.mid(60, 4))
            QVERIFY2(s.model.sizes().value(a.path) >= 500'000, qPrintable(a.path));
        QCoreApplication::processEvents();
        QCOMPARE(view.rows()->app(0).name, apps[60].name);  // largest first
        const QString title = view.pageTitle()->findChildren<QLabel *>().last()->text();
        QVERIFY2(title.startsWith(u"65 apps · "_qs) && title.endsWith(u" total"_qs),
                 qPrintable(title));
        view.search()->setText(u"App"_qs);
        QCoreApplication::processEvents();
        QCOMPARE(seen.rowCount(), 60);
    }

    // Largest first, unknown sizes last, ties in the engine's order; the
    // search matches names in any case, never paths.
    void rows_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QList<qint64>>("sizes");  // per app of A, b, C, d; negative: unknown
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("unknown sizes keep the engine's order")
            << QString() << QList<qint64>{-1, -1, -1, -1}
            << QStringList{u"Alpha"_qs, u"beta"_qs, u"Gamma"_qs, u"Alphabet"_qs};
        QTest::newRow("largest first, ties stable")
            << QString() << QList<qint64>{5, 9, 5, -1}
            << QStringList{u"beta"_qs, u"Alpha"_qs, u"Gamma"_qs, u"Alphabet"_qs};
        QTest::newRow("name contains, any case")
            << u"ALPH"_qs << QList<qint64>{1, 2, 3, 4} << QStringList{u"Alphabet"_qs, u"Alpha"_qs};
        QTest::newRow("paths are not searched") << u"opt"_qs << QList<qint64>{} << QStringList{};
    }
    void rows() {
        QFETCH(QString, query);
        QFETCH(QList<qint64>, sizes);
        QFETCH(QStringList, shown);
        const QList<InstalledApp> apps{app(u"Alpha"_qs), app(u"beta"_qs), app(u"Gamma"_qs),
                                       app(u"Alphabet"_qs)};
        QHash<QString, qint64> known;
        for (qsizetype i = 0; i < sizes.size(); ++i)
            if (sizes[i] >= 0)
                known.insert(apps[i].path, sizes[i]);
        AppRows rows;
        QAbstractItemModelTester tester(&rows,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSortFilterProxyModel seen;  // keeps its own rows: misses what goes unannounced
        seen.setSourceModel(&rows);
        const auto seenNames = [&] {
            QStringList out;
            for (int i = 0; i < seen.rowCount(); ++i)
                out.append(seen.index(i, 0).data().toString());
            return out;
        };
        rows.update(apps, {}, {});
        rows.update(apps, known, {});
        seenNames();
        rows.update(apps, known, query);
        QCOMPARE(seenNames(), shown);
    }

    // The model reads a dry run's leftover lines through the engine's
    // reader; a repeated line is a leftover of its own.
    void plans() {
        AppsScene s;
        s.engine.dryRuns.insert(u"tool"_qs,
                                u"  \u2713 ~/.config/tool , 12 KB\n\u2713 /a , 1 B\n"
                                "\u2713 /a , 1 B\nPotential space: 12 KB"_qs);
        s.listed({app(u"Tool"_qs)});
        s.model.select(app(u"Tool"_qs).path);
        QTRY_COMPARE(s.model.preview().kind, Preview::files);
        const AppsModel::Plan plan = s.model.preview().plan;
        QCOMPARE(leftoverPaths(s.model.preview()),
                 (QStringList{u"~/.config/tool"_qs, u"/a"_qs, u"/a"_qs}));
        QCOMPARE(plan.files[0].size, u"12 KB"_qs);
        QCOMPARE(plan.total, u"12 KB"_qs);
        QVERIFY(plan.files[1] != plan.files[2]);
    }

    void prefetchRunsAtMostTwoDryRuns() {
        AppsScene s;
        const InstalledApp a = app(u"A"_qs), b = app(u"B"_qs), c = app(u"C"_qs);
        s.engine.gate = s.env.home() + u"/go"_qs;
        for (const QString &n : {u"a"_qs, u"b"_qs, u"c"_qs})
            s.engine.dryRuns.insert(n, dryRun({u"/x/"_qs + n}));
        s.listed({a, b, c});
        s.model.prefetch(a);
        s.model.prefetch(a);
        s.model.prefetch(b);
        s.model.prefetch(c);  // two are running: not now
        QFile(s.engine.gate).open(QIODevice::WriteOnly);
        QTRY_VERIFY(s.engine.invocations().contains(u"end b"_qs) &&
                    s.engine.invocations().contains(u"end a"_qs));
        QTest::qWait(50);  // the replies cross to the model
        const auto runs = [&](const QString &n) { return s.engine.dryRunsOf(n); };
        QCOMPARE(runs(u"a"_qs) + runs(u"b"_qs) + runs(u"c"_qs), 2);

        // Room again once a reply has reached the model.
        QTRY_VERIFY((s.model.prefetch(c), runs(u"c"_qs) == 1));
        s.model.select(c.path);
        QTRY_COMPARE(leftoverPaths(s.model.preview()), QStringList{u"/x/c"_qs});
        s.model.select(a.path);
        QTRY_COMPARE(leftoverPaths(s.model.preview()), QStringList{u"/x/a"_qs});
        QCOMPARE(runs(u"a"_qs), 1);
        QCOMPARE(runs(u"c"_qs), 1);
    }

    void selectionFollowsTheLastChoice() {
        AppsScene s;
        const InstalledApp a = app(u"A"_qs), b = app(u"B"_qs), d = app(u"D"_qs);
        s.engine.gate = s.env.home() + u"/go"_qs;
        s.engine.dryRuns = {{u"a"_qs, dryRun({u"/x/a"_qs})},
                            {u"b"_qs, dryRun({u"/x/b"_qs}, u"x"_qs)}};
        s.listed({a, b, d});
        s.model.prefetch(b);
        s.model.prefetch(d);
        s.model.select(a.path);  // selecting is never capped
        QCOMPARE(s.model.preview().kind, Preview::loading);
        s.model.select(b.path);  // joins the prefetch already running
        QCOMPARE(s.model.selection(), std::optional<QString>(b.path));
        QFile(s.engine.gate).open(QIODevice::WriteOnly);
        QTRY_COMPARE(s.model.preview().kind, Preview::files);
        QCOMPARE(leftoverPaths(s.model.preview()), QStringList{u"/x/b"_qs});
        QTRY_VERIFY(s.engine.invocations().contains(u"end a"_qs));
        QTest::qWait(200);
        QCOMPARE(leftoverPaths(s.model.preview()), QStringList{u"/x/b"_qs});  // A's came late

        s.model.select(a.path);  // cached by its own task, or joins it: no second run
        QTRY_COMPARE(leftoverPaths(s.model.preview()), QStringList{u"/x/a"_qs});
        QCOMPARE(s.engine.dryRunsOf(u"a"_qs), 1);
        QCOMPARE(s.engine.dryRunsOf(u"b"_qs), 1);

        s.model.select(std::nullopt);
        QCOMPARE(s.model.preview(), Preview(Preview::none));
        s.model.select(u"/not/listed"_qs);
        QCOMPARE(s.model.preview(), Preview(Preview::none));

        s.model.select(d.path);  // D's plan, empty, comes from the prefetch
        QTRY_COMPARE(s.model.preview(), Preview::ofPlan({{}, u"\u2014"_qs}));
        QCOMPARE(s.engine.dryRunsOf(u"d"_qs), 1);
    }

    // Passing over rows reads no plan ahead; resting on one does.
    void hoverPrefetch() {
        Scene s;
        s.engine.list = listJson({app(u"A"_qs), app(u"B"_qs), app(u"C"_qs)});
        s.engine.dryRuns = {{u"a"_qs, dryRun({u"/x/a"_qs})}};
        s.show();
        QVERIFY(s.load());
        QWidget *viewport = s.view->list()->viewport();
        const auto centre = [&](int row) {
            return s.view->list()->visualRect(s.view->rows()->index(row)).center();
        };
        for (int row : {0, 1, 2, 1}) {
            QTest::mouseMove(viewport, centre(row));
            QTest::qWait(UninstallView::hoverDelayMs / 5);
        }
        QCOMPARE(s.engine.invocations().filter(u"--dry-run"_qs).size(), 0);
        QTest::mouseMove(viewport, centre(0));
        QVERIFY(QTest::qWaitFor([&] { return s.engine.dryRunsOf(u"a"_qs) == 1; }, 5000));
        QTest::qWait(UninstallView::hoverDelayMs * 2);
        QCOMPARE(s.engine.invocations().filter(u"--dry-run"_qs).size(), 1);
    }

    // Chosen by a click on its row: finding the files, the plan (its
    // leftovers a checked item model), a failed dry run, the cached plan.
    void detailStates() {
        Scene s;
        s.engine.list = listJson({app(u"Foo"_qs), app(u"Bad"_qs)});
        s.engine.dryRuns = {{u"foo"_qs, dryRun({u"/opt/Foo"_qs, u"~/.config/foo"_qs})}};
        s.engine.gate = s.env.home() + u"/go"_qs;
        s.show();
        QVERIFY(s.load());
        QVERIFY(texts(s.view->detail()).contains(u"Select an App"_qs));

        QVERIFY(s.clickRow(0));
        QCOMPARE(s.model.selection(), std::optional(s.model.apps().first().path));
        QCoreApplication::processEvents();
        QVERIFY(s.detail() && !s.detail()->uninstallButton()->isEnabled());
        QVERIFY(texts(s.detail()).contains(u"Finding related files…"_qs));
        QCOMPARE(texts(s.detail()->stats()->cell(0)).last(), u"…"_qs);

        QFile(s.engine.gate).open(QIODevice::WriteOnly);
        QTRY_COMPARE(s.model.preview().kind, Preview::files);
        QCoreApplication::processEvents();
        QVERIFY(s.detail() && s.detail()->uninstallButton()->isEnabled());
        QAbstractItemModelTester tester(s.detail()->files()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(s.detail()->files()->model()->rowCount(), 2);
        QCOMPARE(texts(s.detail()->stats()->cell(1)).last(), u"1.5 MB"_qs);

        s.removeEngine();  // the next dry run fails
        QVERIFY(s.clickRow(1));
        QTRY_COMPARE(s.model.preview().kind, Preview::failed);
        QCoreApplication::processEvents();
        QVERIFY(texts(s.view->detail()).contains(u"Couldn't Uninstall"_qs));
        QVERIFY(texts(s.view->detail()).contains(u"Couldn't list this app's files."_qs));

        QVERIFY(s.clickRow(0));  // cached: at once
        QCoreApplication::processEvents();
        QVERIFY(s.detail() && s.detail()->uninstallButton()->isEnabled());
        s.view->resize(1080, 820);
        QVERIFY(ScreenShots::shoot(&*s.view, u"uninstall-detail"_qs));
    }

    // The bundled engine plans an AppImage with its desktop entry, icon and
    // settings; uninstalling it puts exactly those in the Trash, and the
    // other app and its files stay.
    void uninstallAnAppImageWithTheRealEngine() {
        TestEnvironment env;
        env.installRealEngine();
        const QString home = env.home(), entries = home + u"/.local/share/applications/"_qs;
        const QString image = home + u"/Applications/Notely-2.0-x86_64.AppImage"_qs;
        const QString other = home + u"/Applications/Sketchpad-1.1-x86_64.AppImage"_qs;
        const QString icon = home + u"/.local/share/icons/hicolor/128x128/apps/notely.png"_qs;
        const auto entry = [](const QString &name, const QString &exec) {
            return (u"[Desktop Entry]\nType=Application\nName="_qs + name + u"\nExec=\""_qs + exec +
                    u"\" %U\nIcon="_qs + name.toLower() + u'\n')
                .toUtf8();
        };
        const QMap<QString, QByteArray> files{
            {image, QByteArray(60'000, 'x')},
            {other, QByteArray(20'000, 'x')},
            {entries + u"notely.desktop"_qs, entry(u"Notely"_qs, image)},
            {entries + u"sketchpad.desktop"_qs, entry(u"Sketchpad"_qs, other)},
            {icon, QByteArray(900, 'i')},
            {home + u"/.config/notely/settings.ini"_qs, "[ui]\ntheme=dark\n"},
            {home + u"/.config/sketchpad/settings.ini"_qs, "[ui]\n"}};
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            QVERIFY(TestEnvironment::writeFile(it.key(), it.value()));
        QFile::setPermissions(image, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QSet<QString> expected{image, entries + u"notely.desktop"_qs, icon,
                                     home + u"/.config/notely"_qs};
        AppsModel model;
        model.load();
        QVERIFY(QTest::qWaitFor([&] { return model.apps().size() == 2; }, 20000));
        model.select(image);
        QVERIFY(QTest::qWaitFor([&] { return model.preview().kind == Preview::files; }, 20000));
        QSet<QString> listed;
        for (const AppsModel::Leftover &file : model.preview().plan.files)
            listed.insert(file.path.startsWith(u"~/"_qs) ? home + file.path.mid(1) : file.path);
        QCOMPARE(listed, expected);
        for (const InstalledApp &app : model.apps())
            if (app.path == image)
                model.uninstall(app);
        QVERIFY(QTest::qWaitFor([&] { return model.preview().kind == Preview::removed; }, 20000));
        for (const QString &path : expected) {
            QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
            QCOMPARE(TrashCheck::problemWith(path), QString());
        }
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            if (it.key().contains(u"ketchpad"_qs))
                QCOMPARE(TestEnvironment::readFile(it.key()), it.value());
        QCOMPARE(model.apps().size(), 1);
    }
};

QTEST_MAIN(UninstallerTest)
#include "tst_uninstaller.moc"
