#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>

#include "support/TrashCheck.h"
#include "uninstaller/AppsEngine.h"

namespace {

using Preview = AppsModel::Preview;

Preview failed(const QString &message) {
    return Preview::withMessage(Preview::failed, message);
}

const Preview kRemoved =
    Preview::withMessage(Preview::removed, u"Tool is in the Trash \u00b7 1.2 MB freed."_qs);

// The app the tests remove, with its plan: the app, then `files`.
struct Scene : AppsScene {
    const InstalledApp tool;
    const QByteArray savedPath = qgetenv("PATH");

    explicit Scene(const QString &source = u"AppImage"_qs)
        : tool{u"Tool"_qs, u"org.example.Tool"_qs, source, u"tool"_qs,
               env.home() + u"/Applications/Tool.AppImage"_qs} {}
    ~Scene() { qputenv("PATH", savedPath); }

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

}  // namespace

// Removing an app: quitting it, then the Trash or the engine, and the
// desktop's trash tool for what the first pass could not move.
class UninstallTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void trashesThePlannedFiles() {
        Scene s;
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
        Scene s;
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
        Scene s;
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
        Scene s;
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
        Scene s;
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
        Scene s(source);
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
        Scene s;
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
};

QTEST_MAIN(UninstallTest)
#include "tst_uninstall.moc"
