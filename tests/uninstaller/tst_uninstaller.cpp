#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QSortFilterProxyModel>
#include <QTest>

#include <sys/stat.h>

#include "engine/Engine.h"
#include "support/RealInput.h"
#include "support/ScreenShots.h"
#include "support/ScriptedEngine.h"
#include "support/TrashCheck.h"
#include "theme/Text.h"
#include "theme/controls/ConfirmButton.h"
#include "theme/controls/PageTitle.h"
#include "theme/controls/SummaryStrip.h"
#include "uninstaller/AppRows.h"
#include "uninstaller/AppsEngine.h"
#include "uninstaller/ui/AppDetail.h"
#include "uninstaller/ui/LeftoverList.h"
#include "uninstaller/ui/UninstallView.h"

namespace {

using Preview = AppsModel::Preview;

Preview failed(const QString &message) {
    return Preview::withMessage(Preview::failed, message);
}

const Preview kRemoved =
    Preview::withMessage(Preview::removed, u"Tool is in the Trash \u00b7 1.2 MB freed."_qs);

// The app the removal cases remove, with its plan: the app, then `files`.
struct Removal : AppsScene {
    const InstalledApp tool;
    const QByteArray savedPath = qgetenv("PATH");

    explicit Removal(const QString &source = u"AppImage"_qs)
        : tool{u"Tool"_qs, u"org.example.Tool"_qs, source, u"tool"_qs,
               env.home() + u"/Applications/Tool.AppImage"_qs} {}
    ~Removal() { qputenv("PATH", savedPath); }

    void plan(const QStringList &files) { planned(tool, QStringList{tool.path} + files); }
    bool removed() {
        model.uninstall(tool);
        return QTest::qWaitFor([&] { return model.preview().kind != Preview::removing; }, 10000);
    }
    // A fake `gio` alone on PATH that notes its arguments and then runs `body`.
    void fakeGio(const QString &body) const {
        const QString bin = env.home() + u"/bin"_qs;
        env.writeScript(bin + u"/gio"_qs,
                        u"printf '%s\\n' \"$@\" > '"_qs + env.home() + u"/gio.args'\n"_qs + body);
        qputenv("PATH", QFile::encodeName(bin));
    }
    bool gioAsked() const { return QFileInfo::exists(env.home() + u"/gio.args"_qs); }
};

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

// The Uninstaller: listing, plans and their rows, the detail, and removing
// an app (quitting it, then the Trash or the engine, and the desktop's
// trash tool for what the first pass could not move).
class UninstallerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        ScreenShots::loadLook();
        QLocale::setDefault(QLocale(QLocale::English));
    }

    void trashesThePlannedFiles() {
        Removal s;
        const QString config = s.env.home() + u"/.config/tool"_qs;
        const QString entry =
            s.env.home() + u"/.local/share/applications/org.example.Tool.desktop"_qs;
        for (const QString &path : {s.tool.path, config + u"/settings.ini"_qs, entry})
            QVERIFY(TestEnvironment::writeFile(path));
        s.plan({u"~/.config/tool"_qs, u"~/.local/share/applications/org.example.Tool.desktop"_qs,
                u"~/.cache/tool-gone"_qs});
        s.model.uninstall(s.tool);
        QCOMPARE(s.model.preview(), Preview(Preview::removing));
        QVERIFY(s.removed());  // the plan is taken: a second call does nothing
        QCOMPARE(s.model.preview(), kRemoved);
        QVERIFY(s.model.apps().isEmpty());
        QCOMPARE(s.model.selection(), std::nullopt);
        for (const QString &path : {s.tool.path, config, entry})
            QCOMPARE(TrashCheck::problemWith(path), QString());
        QVERIFY(!s.engine.invocations().contains(u"uninstall tool"_qs));
    }

    // The dry run's exact bytes name the file, whatever its display text:
    // a name that is not UTF-8 goes to the Trash too, not silently skipped.
    void exactPathsReachTheTrash() {
        Removal s;
        QVERIFY(TestEnvironment::writeFile(s.tool.path));
        const QByteArray odd = QFile::encodeName(s.env.home()) + "/.config/tool-\xff\xfe";
        QVERIFY(::mkdir(odd.constData(), 0755) == 0);
        const auto hex = [](const QByteArray &path) { return QString::fromLatin1(path.toHex()); };
        s.engine.dryRuns.insert(
            u"tool"_qs, u"  \u2713 "_qs + s.tool.path + u" , 4 KB , "_qs +
                            hex(QFile::encodeName(s.tool.path)) +
                            u"\n  \u2713 ~/.config/tool-\ufffd\ufffd , 4 KB , "_qs + hex(odd) +
                            u"\nPotential space: 8 KB"_qs);
        s.listed({s.tool});
        s.model.select(s.tool.path);
        QTRY_COMPARE(s.model.preview().kind, Preview::files);
        s.fakeGio(u"exit 1\n"_qs);  // must not be asked
        QVERIFY(s.removed());
        QCOMPARE(s.model.preview().kind, Preview::removed);
        QCOMPARE(TrashCheck::problemWith(odd), QString());
        QCOMPARE(TrashCheck::problemWith(s.tool.path), QString());
        QVERIFY(!s.gioAsked());
    }

    // A plan naming a protected place fails the removal; the place stays,
    // and no other tool is asked to move it. Files already gone are no
    // failure.
    void protectedPlacesAreNeverMoved_data() {
        QTest::addColumn<QString>("place");
        QTest::addColumn<bool>("removed");
        QTest::newRow("home") << u"~"_qs << false;
        QTest::newRow("Documents") << u"~/Documents"_qs << false;
        QTest::newRow("configuration folder") << u"~/.config"_qs << false;
        QTest::newRow("the Trash") << u"~/.local/share/Trash"_qs << false;
        QTest::newRow("already gone") << u"~/gone"_qs << true;
    }
    void protectedPlacesAreNeverMoved() {
        QFETCH(QString, place);
        QFETCH(bool, removed);
        Removal s;
        const QString keep = s.env.home() + place.mid(1) + u"/keep.txt"_qs;
        if (!removed) {
            QVERIFY(TestEnvironment::writeFile(s.tool.path));
            QVERIFY(TestEnvironment::writeFile(keep));
        }
        s.plan({place});
        s.fakeGio(u"exit 0\n"_qs);
        QVERIFY(s.removed());
        QCOMPARE(s.model.preview().kind, removed ? Preview::removed : Preview::failed);
        QVERIFY(!s.model.preview().message.isEmpty());
        QCOMPARE(s.model.apps().size(), removed ? 0 : 1);
        QCOMPARE(QFileInfo::exists(keep), !removed);
        QVERIFY(!s.gioAsked());
    }

    void runningInstancesAreAskedToQuit() {
        Removal s;
        QDir().mkpath(QFileInfo(s.tool.path).path());
        QVERIFY(QFile::copy(u"/bin/sleep"_qs, s.tool.path));
        QFile::setPermissions(s.tool.path, QFile::ReadOwner | QFile::ExeOwner);
        QProcess running;
        running.start(s.tool.path, {u"30"_qs});
        QVERIFY(running.waitForStarted());
        s.plan({});
        s.model.uninstall(s.tool);
        QVERIFY(running.waitForFinished(5000));  // SIGTERM, not a forced kill
        QCOMPARE(running.exitStatus(), QProcess::CrashExit);
        QVERIFY(s.removed());
        QCOMPARE(s.model.preview().kind, Preview::removed);
        QCOMPARE(TrashCheck::problemWith(s.tool.path), QString());
    }

    void withoutAPlanNothingHappens() {
        Removal s;
        s.model.uninstall(s.tool);
        QCOMPARE(s.model.preview(), Preview(Preview::none));
    }

    void packageManagedAppsGoThroughTheEngine_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("removal");  // shell piece run by `uninstall tool`
        QTest::addColumn<Preview>("expected");
        for (const QString &source : {u"Homebrew"_qs, u"Flatpak"_qs}) {
            const QByteArray s = source.toUtf8();
            QTest::newRow(s + ": removed")
                << source << u"rm -f \"$HOME/Applications/Tool.AppImage\""_qs << kRemoved;
            QTest::newRow(s + ": the last failure line, cleaned")
                << source
                << ScriptedEngine::printLines({u"Error: install failed early"_qs,
                                               u"  \u2717 \u2022 Permission DENIED for /x"_qs,
                                               u"Done."_qs})
                << failed(u"Permission DENIED for /x"_qs);
            QTest::newRow(s + ": no reason given")
                << source << ScriptedEngine::printLines({u"Nothing happened"_qs})
                << failed(u"Tool couldn't be removed. Quit it and try again."_qs);
            QTest::newRow(s + ": engine gone, app gone") << source << u"@gone"_qs << kRemoved;
        }
    }
    void packageManagedAppsGoThroughTheEngine() {
        QFETCH(QString, source);
        QFETCH(QString, removal);
        QFETCH(Preview, expected);
        Removal s(source);
        QVERIFY(TestEnvironment::writeFile(s.tool.path));
        s.engine.removals.insert(u"tool"_qs, removal);
        s.plan({u"~/.var/app/org.example.Tool"_qs});
        if (removal == u"@gone") {
            s.removeEngine();
            QFile::remove(s.tool.path);
        }
        QVERIFY(s.removed());
        QCOMPARE(s.model.preview(), expected);
        QCOMPARE(s.model.apps().isEmpty(), expected.kind == Preview::removed);
        if (removal != u"@gone")
            QVERIFY(s.engine.invocations().contains(u"uninstall tool"_qs));
        // The engine removes it; nothing of ours goes to the Trash.
        QVERIFY(QDir(s.env.home() + u"/.local/share/Trash/files"_qs).isEmpty());
    }

    void theDesktopToolTakesWhatTheTrashRefused_data() {
        QTest::addColumn<QString>("gio");  // null: no gio on PATH
        QTest::addColumn<int>("files");
        QTest::addColumn<Preview>("expected");
        QTest::newRow("ok") << u"exit 0\n"_qs << 2 << kRemoved;
        QTest::newRow("cancelled, one item")
            << u"echo 'gio: file:///x: Operation was cancelled' >&2\nexit 2\n"_qs << 1
            << failed(u"1 protected item need your admin password. Select Tool and try again."_qs);
        QTest::newRow("cancelled, two items")
            << u"echo 'Operation was cancelled; Permission denied' >&2\nexit 2\n"_qs << 2
            << failed(u"2 protected items need your admin password. Select Tool and try again."_qs);
        QTest::newRow("not allowed")
            << u"echo 'gio: file:///x: Error trashing file: Permission denied' >&2\nexit 2\n"_qs
            << 1
            << failed(
                   u"Brightloft isn't allowed to use Finder. Turn it on in Settings → "
                   "Automation, then try again."_qs);
        QTest::newRow("other failure")
            << u"echo 'gio: no such thing' >&2\nexit 1\n"_qs << 1
            << failed(u"Finder couldn't move some files to the Trash."_qs);
        QTest::newRow("no tool") << QString() << 1
                                 << failed(u"Couldn't ask Finder to move the files."_qs);
    }
    void theDesktopToolTakesWhatTheTrashRefused() {
        QFETCH(QString, gio);
        QFETCH(int, files);
        QFETCH(Preview, expected);
        Removal s;
        const QString dash = s.env.home() + u"/-leading dash"_qs;
        QVERIFY(TestEnvironment::writeFile(s.tool.path));
        QVERIFY(TestEnvironment::writeFile(dash));
        s.plan(files == 2 ? QStringList{u"~/-leading dash"_qs} : QStringList());
        // The home Trash cannot be used: every first-pass move fails.
        const QString trash = s.env.home() + u"/.local/share/Trash"_qs;
        QDir(trash).removeRecursively();
        QVERIFY(TestEnvironment::writeFile(trash));
        if (gio.isNull())
            qputenv("PATH", QFile::encodeName(s.env.home() + u"/nothing"_qs));
        else
            s.fakeGio(gio);
        QVERIFY(s.removed());
        QCOMPARE(s.model.preview(), expected);
        QCOMPARE(s.model.apps().isEmpty(), expected.kind == Preview::removed);
        if (gio.isNull())
            return;
        const auto uri = [](const QString &path) {
            return u"file://"_qs +
                   QString::fromLatin1(QFile::encodeName(path).toPercentEncoding("/"));
        };
        QStringList args{u"trash"_qs, u"--"_qs, uri(s.tool.path)};
        if (files == 2)
            args.append(uri(dash));
        QCOMPARE(QString::fromUtf8(TestEnvironment::readFile(s.env.home() + u"/gio.args"_qs))
                     .split(u'\n', Qt::SkipEmptyParts),
                 args);
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
    // leftovers a checked item model), a failed dry run.
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
        QVERIFY(ScreenShots::shoot(&*s.view, u"uninstall-detail"_qs));

        s.removeEngine();  // the next dry run fails
        QVERIFY(s.clickRow(1));
        QTRY_COMPARE(s.model.preview().kind, Preview::failed);
        QCoreApplication::processEvents();
        QVERIFY(texts(s.view->detail()).contains(u"Couldn't Uninstall"_qs));
        QVERIFY(texts(s.view->detail()).contains(u"Couldn't list this app's files."_qs));
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
