#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTest>

#include <sys/stat.h>

#include "engine/Engine.h"
#include "support/RealInput.h"
#include "support/ScreenShots.h"
#include "support/ScriptedEngine.h"
#include "support/TestEnvironment.h"
#include "support/TrashCheck.h"
#include "support/ViewProbe.h"
#include "theme/Text.h"
#include "theme/controls/ConfirmButton.h"
#include "theme/controls/PageTitle.h"
#include "theme/controls/SummaryStrip.h"
#include "uninstaller/AppRows.h"
#include "uninstaller/AppsModel.h"
#include "uninstaller/ui/AppDetail.h"
#include "uninstaller/ui/LeftoverList.h"
#include "uninstaller/ui/UninstallView.h"

using Preview = AppsModel::Preview;
Q_DECLARE_METATYPE(AppsModel::Preview)
Q_DECLARE_METATYPE(QList<InstalledApp>)

// Failure messages of QCOMPARE name the preview's case and text.
char *toString(const Preview &p) {
    return qstrdup(qPrintable(u"kind %1 (%2 files, %3) \"%4\""_qs.arg(int(p.kind))
                                  .arg(p.plan.files.size())
                                  .arg(p.plan.total, p.message)));
}

namespace {

// A scripted engine. It notes each invocation ("$*") in `log`; `--list`
// prints `list`; `--dry-run NAME` waits until the file `gate` exists (when
// given) and prints dryRuns[NAME]; `uninstall NAME` runs the shell piece
// removals[NAME]; `trash` is the real engine's.
struct AppsEngine {
    QString log;
    QString list;
    QMap<QString, QString> dryRuns;
    QMap<QString, QString> removals;
    QString gate;

    QString script() const {
        QString s = ScriptedEngine::realTrash() + u"printf '%s\\n' \"$*\" >> '"_qs + log +
                    u"'\ncase \"$1 $2\" in\n"_qs;
        s += u"'uninstall --list') "_qs + ScriptedEngine::printLines({list}) + u";;\n"_qs;
        s += u"'uninstall --dry-run')\n"_qs;
        if (!gate.isEmpty())
            s += u"  while [ ! -e '"_qs + gate + u"' ]; do sleep 0.02; done\n"_qs;
        s += u"  case \"$3\" in\n"_qs;
        for (auto it = dryRuns.cbegin(); it != dryRuns.cend(); ++it)
            s += u"  '"_qs + it.key() + u"') "_qs +
                 ScriptedEngine::printLines(it.value().split(u'\n')) + u";;\n"_qs;
        s += u"  esac\n  printf '%s\\n' \"end $3\" >> '"_qs + log + u"' ;;\n*) case \"$2\" in\n"_qs;
        for (auto it = removals.cbegin(); it != removals.cend(); ++it)
            s += u"  '"_qs + it.key() + u"') "_qs + it.value() + u"\n;;\n"_qs;
        return s + u"  esac ;;\nesac\n"_qs;
    }
    QStringList invocations() const {
        return QString::fromUtf8(TestEnvironment::readFile(log)).split(u'\n', Qt::SkipEmptyParts);
    }
};

// An app as the engine lists it, at /opt/<name> unless `path` says otherwise.
InstalledApp app(const QString &name, const QString &path = {}) {
    return {name, u"org.example."_qs + name, u"AppImage"_qs, name.toLower(),
            path.isEmpty() ? u"/opt/"_qs + name : path};
}

// Dry-run output with one leftover line per path, then the total. A path
// followed by its size and exact bytes is written as given.
QString dryRun(const QStringList &paths, const QString &total = u"1.5 MB"_qs) {
    QString out = u"Removing things\n"_qs;
    for (const QString &p : paths)
        out += u"  \u2713 "_qs + p + (p.contains(u" , ") ? u"\n"_qs : u" , 4 KB\n"_qs);
    return out + u"Potential space: "_qs + total;
}

QString listJson(const QList<InstalledApp> &apps) {
    QJsonArray list;
    for (const InstalledApp &a : apps)
        list.append(QJsonObject{{u"name"_qs, a.name},
                                {u"bundle_id"_qs, a.bundleId},
                                {u"source"_qs, a.source},
                                {u"uninstall_name"_qs, a.uninstallName},
                                {u"path"_qs, a.path}});
    return QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
}

Preview failed(const QString &message) {
    return Preview::withMessage(Preview::failed, message);
}
const Preview kRemoved =
    Preview::withMessage(Preview::removed, u"Tool is in the Trash \u00b7 1.2 MB freed."_qs);

// The Uninstaller's model over the scripted engine in a temporary home; the
// pane over it once shown (showing it lists the apps).
struct Scene {
    TestEnvironment env;
    AppsEngine engine{env.home() + u"/engine.log"_qs, {}, {}, {}, {}};
    AppsModel model;
    std::optional<UninstallView> view;

    void install() const { env.installEngineInResources(engine.script()); }
    bool load() {
        model.load();
        const bool done = QTest::qWaitFor([&] { return !model.isLoading(); }, 10000);
        QCoreApplication::processEvents();
        return done;
    }
    // The model lists `apps`.
    void listed(const QList<InstalledApp> &apps) {
        engine.list = listJson(apps);
        install();
        QVERIFY(load());
        QCOMPARE(model.apps(), apps);
    }
    void show() {
        install();
        view.emplace(&model);
        ScreenShots::present(&*view);
        QApplication::setActiveWindow(&*view);
    }
    QPoint centre(int row) const {
        return view->list()->visualRect(view->rows()->index(row)).center();
    }
    bool clickRow(int row) const { return RealInput::click(view->list()->viewport(), centre(row)); }
    bool shows(const QString &text) const {
        return ViewProbe::visibleTexts(view->detail()).contains(text);
    }
    AppDetail *detail() const { return qobject_cast<AppDetail *>(view->detail()); }
    void removeEngine() const { QFile::remove(env.resources() + u"/engine/mole"_qs); }
};

// The app the removal cases remove, in the home's Applications folder.
struct Removal : Scene {
    const InstalledApp tool;
    const QByteArray savedPath = qgetenv("PATH");

    explicit Removal(const QString &source = u"AppImage"_qs)
        : tool{u"Tool"_qs, u"org.example.Tool"_qs, source, u"tool"_qs,
               env.home() + u"/Applications/Tool.AppImage"_qs} {}
    ~Removal() { qputenv("PATH", savedPath); }

    // The model lists the tool, selected with itself and `files` as its plan.
    void plan(const QStringList &files) {
        engine.dryRuns.insert(u"tool"_qs, dryRun(QStringList{tool.path} + files, u"1.2 MB"_qs));
        listed({tool});
        model.select(tool.path);
        QTRY_COMPARE(model.preview().kind, Preview::files);
    }
    bool removed() {
        model.uninstall(tool);
        return QTest::qWaitFor([&] { return model.preview().kind != Preview::removing; }, 10000);
    }
    // A fake `gio` alone on PATH that notes its arguments and then runs
    // `body`; a null body: nothing on PATH.
    void fakeGio(const QString &body) const {
        const QString bin = env.home() + u"/bin"_qs;
        if (!body.isNull())
            env.writeScript(bin + u"/gio"_qs, u"printf '%s\\n' \"$@\" > '"_qs + env.home() +
                                                  u"/gio.args'\n"_qs + body);
        qputenv("PATH", QFile::encodeName(bin));
    }
};

}  // namespace

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

    // Nothing happens without a plan. With one, the running app is asked to
    // quit (SIGTERM, not a forced kill), then it and its files go to the
    // Trash, the desktop's tool never asked; a planned file already gone is
    // no failure. The dry run's exact bytes name a file whatever its display
    // text: a name that is not UTF-8 goes to the Trash too, not skipped.
    void trashesThePlannedFiles() {
        Removal s;
        const QString config = s.env.home() + u"/.config/tool"_qs,
                      entry =
                          s.env.home() + u"/.local/share/applications/org.example.Tool.desktop"_qs;
        QVERIFY(TestEnvironment::writeFile(config + u"/s.ini"_qs) &&
                TestEnvironment::writeFile(entry));
        const QByteArray odd = QFile::encodeName(s.env.home()) + "/.config/tool-\xff\xfe";
        QVERIFY(::mkdir(odd.constData(), 0755) == 0);
        QVERIFY(QDir().mkpath(QFileInfo(s.tool.path).path()));
        QVERIFY(QFile::copy(u"/bin/sleep"_qs, s.tool.path));
        QFile::setPermissions(s.tool.path, QFile::ReadOwner | QFile::ExeOwner);
        QProcess running;
        running.start(s.tool.path, {u"30"_qs});
        QVERIFY(running.waitForStarted());
        s.model.uninstall(s.tool);
        QCOMPARE(s.model.preview(), Preview(Preview::none));
        s.plan({u"~/.config/tool"_qs, u"~/.local/share/applications/org.example.Tool.desktop"_qs,
                u"~/.cache/tool-gone"_qs,
                u"~/.config/tool-\ufffd\ufffd , 4 KB , "_qs + QString::fromLatin1(odd.toHex())});
        s.fakeGio(u"exit 1\n"_qs);  // must not be asked
        s.model.uninstall(s.tool);
        QCOMPARE(s.model.preview(), Preview(Preview::removing));
        QVERIFY(running.waitForFinished(5000));
        QCOMPARE(running.exitStatus(), QProcess::CrashExit);
        QVERIFY(s.removed());  // the plan is taken: a second call does nothing
        QCOMPARE(s.model.preview(), kRemoved);
        QVERIFY(s.model.apps().isEmpty() && !s.model.selection());
        for (const QByteArray &path : {QFile::encodeName(s.tool.path), QFile::encodeName(config),
                                       QFile::encodeName(entry), odd})
            QCOMPARE(TrashCheck::problemWith(path), QString());
        QVERIFY(!s.engine.invocations().contains(u"uninstall tool"_qs) &&
                !QFileInfo::exists(s.env.home() + u"/gio.args"_qs));
    }

    // How a removal with a plan ends. A protected place in the plan fails it
    // (any message: "*"); the place stays, and no other tool is asked to move
    // it. Files already gone are no failure. Package-managed apps go through
    // the engine, which says why it failed. What the Trash refused goes to the
    // desktop's tool, whose failures each say what to do.
    void removalOutcomes_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("files");  // planned besides the app
        QTest::addColumn<bool>("trashWorks");
        QTest::addColumn<QString>("gio");      // null: no gio on PATH
        QTest::addColumn<QString>("removal");  // `uninstall tool` runs it; @gone: engine, app gone
        QTest::addColumn<Preview>("expected");
        const auto row = [](const QByteArray &tag, const QStringList &files, bool trashWorks,
                            const QString &gio, const Preview &expected,
                            const QString &source = u"AppImage"_qs, const QString &removal = {}) {
            QTest::newRow(tag) << source << files << trashWorks << gio << removal << expected;
        };
        // The desktop's tool, once the home Trash refused everything: what it says and returns.
        const auto says = [](const char *said, int code) {
            return u"echo '%1' >&2\nexit %2\n"_qs.arg(QString::fromUtf8(said)).arg(code);
        };
        const QString ok = u"exit 0\n"_qs, dash = u"~/-leading dash"_qs;
        const QString password = u" need your admin password. Select Tool and try again."_qs;
        for (const char *place : {"~", "~/Documents", "~/.config", "~/.local/share/Trash"})
            row(place, {QString::fromLatin1(place)}, true, ok, failed(u"*"_qs));
        row("desktop tool: ok", {dash}, false, ok, kRemoved);
        row("desktop tool: cancelled, one item", {}, false,
            says("gio: file:///x: Operation was cancelled", 2),
            failed(u"1 protected item"_qs + password));
        row("desktop tool: cancelled, two items", {dash}, false,
            says("Operation was cancelled; Permission denied", 2),
            failed(u"2 protected items"_qs + password));
        row("desktop tool: not allowed", {}, false,
            says("gio: file:///x: Error trashing file: Permission denied", 2),
            failed(u"Brightloft isn't allowed to use Finder. Turn it on in Settings → "
                   "Automation, then try again."_qs));
        row("desktop tool: other failure", {}, false, says("gio: no such thing", 1),
            failed(u"Finder couldn't move some files to the Trash."_qs));
        row("desktop tool: none", {}, false, QString(),
            failed(u"Couldn't ask Finder to move the files."_qs));
        for (const QString &source : {u"Homebrew"_qs, u"Flatpak"_qs}) {
            const QByteArray s = source.toUtf8();
            const QStringList var{u"~/.var/app/org.example.Tool"_qs};
            row(s + ": removed", var, true, ok, kRemoved, source,
                u"rm -f \"$HOME/Applications/Tool.AppImage\""_qs);
            row(s + ": the last failure line, cleaned", var, true, ok,
                failed(u"Permission DENIED for /x"_qs), source,
                ScriptedEngine::printLines({u"Error: install failed early"_qs,
                                            u"  \u2717 \u2022 Permission DENIED for /x"_qs,
                                            u"Done."_qs}));
            row(s + ": no reason given", var, true, ok,
                failed(u"Tool couldn't be removed. Quit it and try again."_qs), source,
                ScriptedEngine::printLines({u"Nothing happened"_qs}));
            row(s + ": engine gone, app gone", var, true, ok, kRemoved, source, u"@gone"_qs);
        }
    }
    void removalOutcomes() {
        QFETCH(QString, source);
        QFETCH(QStringList, files);
        QFETCH(bool, trashWorks);
        QFETCH(QString, gio);
        QFETCH(QString, removal);
        QFETCH(Preview, expected);
        Removal s(source);
        const QString home = s.env.home();
        QVERIFY(TestEnvironment::writeFile(s.tool.path));
        QStringList kept;  // a file inside each planned place
        for (const QString &file : files)
            QVERIFY(TestEnvironment::writeFile(kept.emplace_back(home + file.mid(1) + u"/k"_qs)));
        s.engine.removals.insert(u"tool"_qs, removal);
        s.plan(files);
        if (!trashWorks) {  // the home Trash cannot be used: every first-pass move fails
            QDir(home + u"/.local/share/Trash"_qs).removeRecursively();
            QVERIFY(TestEnvironment::writeFile(home + u"/.local/share/Trash"_qs));
        }
        if (removal == u"@gone") {
            s.removeEngine();
            QFile::remove(s.tool.path);
        }
        s.fakeGio(gio);
        QVERIFY(s.removed());
        const Preview shown = s.model.preview();
        if (expected.message == u"*")
            QVERIFY(shown.kind == expected.kind && !shown.message.isEmpty());
        else
            QCOMPARE(shown, expected);
        QCOMPARE(s.model.apps().isEmpty(), expected.kind == Preview::removed);
        for (const QString &file : kept) QVERIFY(!trashWorks || QFileInfo::exists(file));
        if (source != u"AppImage") {  // the engine removes it; nothing of ours goes to the Trash
            QCOMPARE(s.engine.invocations().contains(u"uninstall tool"_qs), removal != u"@gone");
            QVERIFY(QDir(home + u"/.local/share/Trash/files"_qs).isEmpty());
        }
        // The desktop's tool, only for what the Trash refused: the app and every planned file.
        QCOMPARE(TestEnvironment::readFile(home + u"/gio.args"_qs)
                     .count("file://" + QFile::encodeName(home)),
                 trashWorks || gio.isNull() ? 0 : 1 + files.size());
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
        if (!apps.isEmpty()) {  // listed: never again
            s.model.load();
            QVERIFY(!s.model.isLoading());
        }
        QCOMPARE(s.engine.invocations(),
                 script.isNull() ? QStringList() : QStringList{u"uninstall --list"_qs});
    }

    // The list's rows stay a sound item model while the engine lists, du
    // measures (one run for every app, whatever their names hold) and the
    // search narrows: largest first, unknown sizes last, names matched in any
    // case, never paths.
    void listRowsStaySoundAndSized() {
        Scene s;
        QList<InstalledApp> apps;
        const QStringList odd{u"tab\there"_qs, u"new\nline"_qs, u"-dash"_qs, u"quote'\""_qs};
        for (int i = 0; i < 64; ++i) {
            const QString name = i < 60 ? u"App%1"_qs.arg(i) : odd[i - 60];
            apps.append(app(name, s.env.home() + u"/Apps/"_qs + name));
            QVERIFY(TestEnvironment::writeFile(apps.last().path + u"/bin"_qs,
                                               QByteArray(i < 60 ? i * 1000 : 500'000, 'x')));
        }
        apps.append(app(u"Missing"_qs, s.env.home() + u"/Apps/missing"_qs));
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
        QCOMPARE(view.rows()->app(64).name, u"Missing"_qs);
        const QString title = view.pageTitle()->findChildren<QLabel *>().last()->text();
        QVERIFY2(title.contains(QRegularExpression(u"^65 apps · .* total$"_qs)), qPrintable(title));
        for (const auto &[query, count] : {std::pair{u"aPp"_qs, 60}, {u"Apps"_qs, 0}}) {
            view.search()->setText(query);
            QCoreApplication::processEvents();
            QCOMPARE(seen.rowCount(), count);
        }
    }

    // A plan arriving for an app no longer selected is kept, not shown; a
    // selection joins the dry run already going for its app, and a cached
    // plan is never read again. Hovering reads at most two plans ahead.
    void dryRunsAreSharedAndCapped() {
        Scene s;
        const InstalledApp a = app(u"A"_qs), b = app(u"B"_qs), c = app(u"C"_qs);
        s.engine.gate = s.env.home() + u"/go"_qs;
        for (const QString &n : {u"a"_qs, u"b"_qs})
            s.engine.dryRuns.insert(n, dryRun({u"/x/"_qs + n}));
        s.listed({a, b, c});
        const auto shown = [&] { return s.model.preview().plan.files.value(0).path; };
        s.model.prefetch(b);
        s.model.select(a.path);
        s.model.prefetch(c);  // two are running: not now
        s.model.select(b.path);
        QFile(s.engine.gate).open(QIODevice::WriteOnly);
        QTRY_COMPARE(shown(), u"/x/b"_qs);
        QTRY_VERIFY(s.engine.invocations().contains(u"end a"_qs));
        QTest::qWait(200);              // the replies cross to the model
        QCOMPARE(shown(), u"/x/b"_qs);  // A's came late
        s.model.select(a.path);
        QCOMPARE(shown(), u"/x/a"_qs);
        QCOMPARE(s.engine.invocations().filter(u"--dry-run"_qs).size(), 2);
    }

    // Passing over rows reads no plan ahead; resting on one does. Chosen by
    // a click on its row: finding the files, then the plan (its leftovers a
    // checked item model) with Uninstall, which a first press only arms. The
    // Down arrow chooses the next app, whose dry run fails.
    void detailStates() {
        Scene s;
        s.engine.list = listJson({app(u"Foo"_qs), app(u"Bad"_qs), app(u"Hover"_qs)});
        s.engine.dryRuns = {{u"foo"_qs, dryRun({u"/opt/Foo"_qs, u"~/.config/foo"_qs})}};
        s.engine.gate = s.env.home() + u"/go"_qs;
        s.show();
        QVERIFY(s.load());
        QVERIFY(s.shows(u"Select an App"_qs));
        for (int row : {0, 1, 2, 1}) {
            QTest::mouseMove(s.view->list()->viewport(), s.centre(row));
            QTest::qWait(UninstallView::hoverDelayMs / 5);
        }
        QVERIFY(s.engine.invocations().filter(u"--dry-run"_qs).isEmpty());
        QTest::mouseMove(s.view->list()->viewport(), s.centre(2));
        QTRY_VERIFY(s.engine.invocations().contains(u"uninstall --dry-run hover"_qs));

        QVERIFY(s.clickRow(0));
        QCOMPARE(s.model.selection(), std::optional(s.model.apps().first().path));
        QCoreApplication::processEvents();
        QVERIFY(s.detail() && !s.detail()->uninstallButton()->isEnabled());
        QVERIFY(s.shows(u"Finding related files…"_qs));
        QVERIFY(ViewProbe::visibleTexts(s.detail()->stats()->cell(0)).contains(u"…"_qs));

        QFile(s.engine.gate).open(QIODevice::WriteOnly);
        QTRY_COMPARE(s.model.preview().kind, Preview::files);
        QCoreApplication::processEvents();
        ConfirmButton *uninstall = s.detail()->uninstallButton();
        QVERIFY(uninstall->isEnabled());
        QAbstractItemModelTester tester(s.detail()->files()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(s.detail()->files()->model()->rowCount(), 2);
        QVERIFY(ViewProbe::visibleTexts(s.detail()->stats()->cell(1)).contains(u"1.5 MB"_qs));
        QVERIFY(RealInput::click(uninstall));
        QCOMPARE(uninstall->title(), u"Confirm Uninstall"_qs);
        QCOMPARE(s.model.preview().kind, Preview::files);  // armed, nothing moved

        s.removeEngine();        // the next dry run fails
        QVERIFY(s.clickRow(0));  // the keys go back to the list
        QVERIFY(RealInput::key(&*s.view, Qt::Key_Down));
        QCOMPARE(s.model.selection(), std::optional(s.model.apps().at(1).path));
        QTRY_COMPARE(s.model.preview().kind, Preview::failed);
        QCoreApplication::processEvents();
        QVERIFY(s.shows(u"Couldn't Uninstall"_qs) &&
                s.shows(u"Couldn't list this app's files."_qs));
    }

    // The bundled engine plans an AppImage with its desktop entry and
    // settings; uninstalling it puts exactly those in the Trash, and another
    // app's settings stay.
    void uninstallAnAppImageWithTheRealEngine() {
        TestEnvironment env;
        env.installRealEngine();
        const QString home = env.home(), other = home + u"/.config/sketchpad/settings.ini"_qs;
        const QString image = home + u"/Applications/Notely-2.0-x86_64.AppImage"_qs;
        const QString entry = home + u"/.local/share/applications/notely.desktop"_qs;
        QVERIFY(TestEnvironment::writeFile(image, QByteArray(60'000, 'x')));
        QVERIFY(TestEnvironment::writeFile(entry,
                                           "[Desktop Entry]\nType=Application\nName=Notely\n"
                                           "Icon=notely\nExec=\"" +
                                               QFile::encodeName(image) + "\" %U\n"));
        QVERIFY(TestEnvironment::writeFile(home + u"/.config/notely/settings.ini"_qs) &&
                TestEnvironment::writeFile(other));
        QFile::setPermissions(image, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QSet<QString> expected{image, entry, home + u"/.config/notely"_qs};
        AppsModel model;
        model.load();
        QVERIFY(QTest::qWaitFor([&] { return model.apps().size() == 1; }, 20000));
        model.select(image);
        QTRY_COMPARE_WITH_TIMEOUT(model.preview().kind, Preview::files, 20000);
        QSet<QString> listed;
        for (const AppsModel::Leftover &file : model.preview().plan.files)
            listed.insert(file.path.startsWith(u"~/"_qs) ? home + file.path.mid(1) : file.path);
        QCOMPARE(listed, expected);
        model.uninstall(model.apps().first());
        QTRY_COMPARE_WITH_TIMEOUT(model.preview().kind, Preview::removed, 20000);
        for (const QString &path : expected)
            QVERIFY2(!QFileInfo::exists(path) && TrashCheck::problemWith(path).isEmpty(),
                     qPrintable(path + TrashCheck::problemWith(path)));
        QVERIFY(QFileInfo::exists(other) && model.apps().isEmpty());
    }
};

QTEST_MAIN(UninstallerTest)
#include "tst_uninstaller.moc"
