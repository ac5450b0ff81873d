#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>

#include "platform/Trash.h"
#include "support/TestEnvironment.h"
#include "support/TrashCheck.h"
#include "uninstaller/AppsEngine.h"
#include "uninstaller/AppsModel.h"

namespace {

using Preview = AppsModel::Preview;

Preview failed(const QString &message) {
    return Preview::withMessage(Preview::failed, message);
}

}  // namespace

// Removing an app: quitting it, then the Trash or the engine, and the
// desktop's trash tool for what the first pass could not move.
class UninstallTest : public QObject {
    Q_OBJECT
    TestEnvironment *env = nullptr;
    AppsEngine engine;
    QByteArray savedPath;

    // `model` lists `app`, which is selected with its plan shown.
    void planned(AppsModel &model, const InstalledApp &app, const QStringList &files) {
        engine.list = listJson({app});
        engine.dryRuns.insert(app.uninstallName, dryRun(files, u"1.2 MB"_qs));
        env->installEngineInResources(engine.script());
        model.load();
        QVERIFY(QTest::qWaitFor([&] { return !model.isLoading(); }, 10000));
        model.select(app.path);
        QTRY_COMPARE(model.preview().kind, Preview::files);
    }

    bool ended(const AppsModel &model) {
        return QTest::qWaitFor([&] { return model.preview().kind != Preview::removing; }, 10000);
    }

    InstalledApp tool(const QString &source = u"AppImage"_qs) const {
        return {u"Tool"_qs, u"org.example.Tool"_qs, source, u"tool"_qs,
                env->home() + u"/Applications/Tool.AppImage"_qs};
    }

    // A fake `gio` alone on PATH that notes its arguments and then runs `body`.
    void fakeGio(const QString &body) {
        const QString bin = env->home() + u"/bin"_qs;
        env->writeScript(bin + u"/gio"_qs,
                         u"printf '%s\\n' \"$@\" > '"_qs + env->home() + u"/gio.args'\n"_qs + body);
        qputenv("PATH", QFile::encodeName(bin));
    }

    // The home Trash cannot be used: every first-pass move fails.
    void breakTheTrash() {
        const QString trash = env->home() + u"/.local/share/Trash"_qs;
        QDir(trash).removeRecursively();
        QVERIFY(TestEnvironment::writeFile(trash));
    }

private Q_SLOTS:
    void init() {
        env = new TestEnvironment;
        engine = AppsEngine{env->home() + u"/engine.log"_qs, {}, {}, {}, {}};
        savedPath = qgetenv("PATH");
    }
    void cleanup() {
        qputenv("PATH", savedPath);
        delete env;
    }

    void trashesThePlannedFiles() {
        const InstalledApp app = tool();
        QVERIFY(TestEnvironment::writeFile(app.path));
        QVERIFY(TestEnvironment::writeFile(env->home() + u"/.config/tool/settings.ini"_qs));
        QVERIFY(TestEnvironment::writeFile(
            env->home() + u"/.local/share/applications/org.example.Tool.desktop"_qs));
        AppsModel model;
        planned(
            model, app,
            {app.path, u"~/.config/tool"_qs,
             u"~/.local/share/applications/org.example.Tool.desktop"_qs, u"~/.cache/tool-gone"_qs});
        model.uninstall(app);
        QCOMPARE(model.preview(), Preview(Preview::removing));
        model.uninstall(app);  // the plan is taken: a second call does nothing
        QVERIFY(ended(model));
        QCOMPARE(model.preview(),
                 Preview::withMessage(Preview::removed,
                                      u"Tool is in the Trash \u00b7 1.2 MB freed."_qs));
        QVERIFY(model.apps().isEmpty());
        QCOMPARE(model.selection(), std::nullopt);
        for (const QString &path :
             {app.path, env->home() + u"/.config/tool"_qs,
              env->home() + u"/.local/share/applications/org.example.Tool.desktop"_qs})
            QCOMPARE(TrashCheck::problemWith(path), QString());
        QVERIFY(!engine.invocations().contains(u"uninstall tool"_qs));
    }

    // The dry run's exact bytes name the file, whatever its display text:
    // a name that is not UTF-8 goes to the Trash too, not silently skipped.
    void exactPathsReachTheTrash() {
        const InstalledApp app = tool();
        QVERIFY(TestEnvironment::writeFile(app.path));
        const QByteArray odd = QFile::encodeName(env->home()) + "/.config/tool-\xff\xfe";
        QVERIFY(::mkdir(odd.constData(), 0755) == 0);
        AppsModel model;
        engine.list = listJson({app});
        engine.dryRuns.insert(app.uninstallName,
                              u"  \u2713 "_qs + app.path + u" , 4 KB , "_qs +
                                  QString::fromLatin1(QFile::encodeName(app.path).toHex()) +
                                  u"\n  \u2713 ~/.config/tool-\ufffd\ufffd , 4 KB , "_qs +
                                  QString::fromLatin1(odd.toHex()) + u"\nPotential space: 8 KB"_qs);
        env->installEngineInResources(engine.script());
        model.load();
        QVERIFY(QTest::qWaitFor([&] { return !model.isLoading(); }, 10000));
        model.select(app.path);
        QTRY_COMPARE(model.preview().kind, Preview::files);
        fakeGio(u"exit 1\n"_qs);  // must not be asked
        model.uninstall(app);
        QVERIFY(ended(model));
        QCOMPARE(model.preview().kind, Preview::removed);
        QCOMPARE(TrashCheck::problemWith(odd), QString());
        QCOMPARE(TrashCheck::problemWith(app.path), QString());
        QVERIFY(!QFileInfo::exists(env->home() + u"/gio.args"_qs));
    }

    // A plan naming a protected place fails the removal; the place stays,
    // and no other tool is asked to move it.
    void aProtectedPlaceIsNeverMoved_data() {
        QTest::addColumn<QString>("place");
        QTest::newRow("home") << u"~"_qs;
        QTest::newRow("Documents") << u"~/Documents"_qs;
        QTest::newRow("configuration folder") << u"~/.config"_qs;
        QTest::newRow("the Trash") << u"~/.local/share/Trash"_qs;
    }
    void aProtectedPlaceIsNeverMoved() {
        QFETCH(QString, place);
        const InstalledApp app = tool();
        QVERIFY(TestEnvironment::writeFile(app.path));
        const QString full = env->home() + place.mid(1);
        QVERIFY(TestEnvironment::writeFile(full + u"/keep.txt"_qs));
        AppsModel model;
        planned(model, app, {app.path, place});
        fakeGio(u"exit 0\n"_qs);
        model.uninstall(app);
        QVERIFY(ended(model));
        QCOMPARE(model.preview().kind, Preview::failed);
        QVERIFY(!model.preview().message.isEmpty());
        QCOMPARE(model.apps().size(), 1);
        QVERIFY(QFileInfo::exists(full + u"/keep.txt"_qs));
        QVERIFY(!QFileInfo::exists(env->home() + u"/gio.args"_qs));
    }

    void filesAlreadyGoneStillSucceed() {
        const InstalledApp app = tool();
        AppsModel model;
        planned(model, app, {app.path, u"~/gone"_qs});
        fakeGio(u"exit 1\n"_qs);  // must not be asked
        model.uninstall(app);
        QVERIFY(ended(model));
        QCOMPARE(model.preview().kind, Preview::removed);
        QVERIFY(!QFileInfo::exists(env->home() + u"/gio.args"_qs));
    }

    void runningInstancesAreAskedToQuit() {
        const InstalledApp app = tool();
        QDir().mkpath(QFileInfo(app.path).path());
        QVERIFY(QFile::copy(u"/bin/sleep"_qs, app.path));
        QFile::setPermissions(app.path, QFile::ReadOwner | QFile::ExeOwner);
        QProcess running;
        running.start(app.path, {u"30"_qs});
        QVERIFY(running.waitForStarted());
        AppsModel model;
        planned(model, app, {app.path});
        model.uninstall(app);
        QVERIFY(running.waitForFinished(5000));  // SIGTERM, not a forced kill
        QCOMPARE(running.exitStatus(), QProcess::CrashExit);
        QVERIFY(ended(model));
        QCOMPARE(model.preview().kind, Preview::removed);
        QCOMPARE(TrashCheck::problemWith(app.path), QString());
    }

    void withoutAPlanNothingHappens() {
        AppsModel model;
        model.uninstall(tool());
        QCOMPARE(model.preview(), Preview(Preview::none));
    }

    void packageManagedAppsGoThroughTheEngine_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("removal");  // shell piece run by `uninstall tool`
        QTest::addColumn<Preview>("expected");
        const Preview removed =
            Preview::withMessage(Preview::removed, u"Tool is in the Trash \u00b7 1.2 MB freed."_qs);
        for (const QString &source : {u"Homebrew"_qs, u"Flatpak"_qs}) {
            const QByteArray s = source.toUtf8();
            QTest::newRow(s + ": removed")
                << source << u"rm -f \"$HOME/Applications/Tool.AppImage\""_qs << removed;
            QTest::newRow(s + ": the last failure line, cleaned")
                << source
                << ScriptedEngine::printLines({u"Error: install failed early"_qs,
                                               u"  \u2717 \u2022 Permission DENIED for /x"_qs,
                                               u"Done."_qs})
                << failed(u"Permission DENIED for /x"_qs);
            QTest::newRow(s + ": no reason given")
                << source << ScriptedEngine::printLines({u"Nothing happened"_qs})
                << failed(u"Tool couldn't be removed. Quit it and try again."_qs);
            QTest::newRow(s + ": engine gone, app gone") << source << u"@gone"_qs << removed;
        }
    }
    void packageManagedAppsGoThroughTheEngine() {
        QFETCH(QString, source);
        QFETCH(QString, removal);
        QFETCH(Preview, expected);
        const InstalledApp app = tool(source);
        QVERIFY(TestEnvironment::writeFile(app.path));
        engine.removals.insert(u"tool"_qs, removal);
        AppsModel model;
        planned(model, app, {app.path, u"~/.var/app/org.example.Tool"_qs});
        if (removal == u"@gone") {
            QFile::remove(env->resources() + u"/engine/mole"_qs);
            QFile::remove(app.path);
        }
        model.uninstall(app);
        QVERIFY(ended(model));
        QCOMPARE(model.preview(), expected);
        QCOMPARE(model.apps().isEmpty(), expected.kind == Preview::removed);
        if (removal != u"@gone")
            QVERIFY(engine.invocations().contains(u"uninstall tool"_qs));
        // The engine removes it; nothing of ours goes to the Trash.
        QVERIFY(!QFileInfo::exists(env->home() + u"/.local/share/Trash/files"_qs) ||
                QDir(env->home() + u"/.local/share/Trash/files"_qs).isEmpty());
    }

    void theDesktopToolTakesWhatTheTrashRefused_data() {
        QTest::addColumn<QString>("gio");  // null: no gio on PATH
        QTest::addColumn<int>("files");
        QTest::addColumn<Preview>("expected");
        const Preview removed =
            Preview::withMessage(Preview::removed, u"Tool is in the Trash \u00b7 1.2 MB freed."_qs);
        QTest::newRow("ok") << u"exit 0\n"_qs << 2 << removed;
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
        const InstalledApp app = tool();
        QStringList planFiles{app.path, u"~/-leading dash"_qs};
        planFiles = planFiles.mid(0, files);
        for (const QString &f : planFiles)
            QVERIFY(TestEnvironment::writeFile(f.startsWith(u'~') ? env->home() + f.mid(1) : f));
        AppsModel model;
        planned(model, app, planFiles);
        breakTheTrash();
        if (gio.isNull())
            qputenv("PATH", QFile::encodeName(env->home() + u"/nothing"_qs));
        else
            fakeGio(gio);
        model.uninstall(app);
        QVERIFY(ended(model));
        QCOMPARE(model.preview(), expected);
        QCOMPARE(model.apps().isEmpty(), expected.kind == Preview::removed);
        if (gio.isNull())
            return;
        const auto uri = [](const QString &path) {
            return u"file://"_qs +
                   QString::fromLatin1(QFile::encodeName(path).toPercentEncoding("/"));
        };
        QStringList expectedArgs{u"trash"_qs, u"--"_qs, uri(app.path)};
        if (files == 2)
            expectedArgs.append(uri(env->home() + u"/-leading dash"_qs));
        QCOMPARE(QString::fromUtf8(TestEnvironment::readFile(env->home() + u"/gio.args"_qs))
                     .split(u'\n', Qt::SkipEmptyParts),
                 expectedArgs);
    }
};

QTEST_MAIN(UninstallTest)
#include "tst_uninstall.moc"
