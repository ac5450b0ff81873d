#include "FakeHome.h"

#include <QJsonArray>
#include <QRegularExpression>

#include "engine/SizeMarkers.h"
#include "support/TrashCheck.h"

namespace {

QJsonArray listed() {
    const QString text = appLines(Commands::uninstallList()).join(u'\n');
    return QJsonDocument::fromJson(text.mid(text.indexOf(u'[')).toUtf8()).array();
}

QJsonObject record(const QJsonArray &apps, const QString &uninstallName) {
    for (const QJsonValue &app : apps)
        if (app[u"uninstall_name"_qs].toString() == uninstallName)
            return app.toObject();
    return {};
}

QByteArray desktopEntry(const QByteArray &name, const QByteArray &exec,
                        const QByteArray &more = {}) {
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec + "\n" + more;
}

// An application: its program (relative to the home) and a launcher
// "<id>.desktop" that starts it.
void addApp(FakeHome &h, const QByteArray &id, const QByteArray &name, const QByteArray &program,
            const QByteArray &more = {}) {
    h.program(program, 1000);
    h.text(".local/share/applications/" + id + ".desktop", desktopEntry(name, h.at(program), more));
}

}  // namespace

class TestMoleUninstall : public QObject {
    Q_OBJECT

    // One home with an application of every source, their leftovers, and a
    // few that must stay: hidden entries, a folder two applications share.
    void build(FakeHome &h) {
        const QByteArray home = QFile::encodeName(h.home());
        h.file("Applications/Foo-1.2.3-x86_64.AppImage", 30'000);
        h.text(
            ".local/share/applications/appimagekit-foo.desktop",
            desktopEntry("Foo Editor", '"' + home + "/Applications/Foo-1.2.3-x86_64.AppImage\" %U",
                         "Icon=appimagekit-foo\n"));
        h.file(".local/share/icons/hicolor/256x256/apps/appimagekit-foo.png", 900);
        h.file(".cache/appimagekit-foo/c", 2000);
        h.text(".config/autostart/appimagekit-foo.desktop", desktopEntry("Foo", "x"));
        h.file(".config/fooeditor/settings", 500);  // shared: Local App says it is FooEditor too
        h.file("Downloads/Mole mo clean.AppImage", 1000);
        addApp(h, "hidden", "Hidden", "Downloads/Hidden.AppImage", "NoDisplay=true\n");
        addApp(h, "localapp", "Local App", "opt/localapp/bin/localapp",
               "StartupWMClass=FooEditor\n");
        h.file(".config/localapp/prefs", 700);
        addApp(h, "kdeonly", "KDE Only", "opt/kdeonly/run", "OnlyShowIn=KDE;\n");
        h.file(".local/share/flatpak/app/org.example.Flat/current/files", 5000);
        h.file(".var/app/org.example.Flat/config/x", 600);
        h.file("brew/Cellar/brewapp/1.0/bin/brewapp", 3000);
        h.text("brew/opt/brewapp/share/applications/brewapp.desktop",
               desktopEntry("Brew App", "brewapp"));
        h.env().writeScript(
            h.home() + u"/.local/bin/flatpak"_qs,
            u"case \"$1\" in\n"
            "list) printf 'org.example.Flat\\tFlat Example\\n' ;;\n"
            "uninstall) for a; do id=$a; done\n"
            "  [ -e \"$HOME/flatpak-fails\" ] && { echo 'error: permission denied'; exit 1; }\n"
            "  rm -rf \"$HOME/.local/share/flatpak/app/$id\" ;;\n"
            "esac\n"_qs);
        h.env().writeScript(h.home() + u"/.local/bin/brew"_qs,
                            u"case \"$1\" in\n"
                            "--prefix) echo \"$HOME/brew\" ;;\n"
                            "list) echo brewapp ;;\n"
                            "uninstall) rm -rf \"$HOME/brew/Cellar/$2\" ;;\n"
                            "esac\n"_qs);
    }

private Q_SLOTS:
    // Every source, no hidden entry; a name that matches none is not found.
    void listHasEverySourceAndNoHiddenEntry() {
        FakeHome h;
        build(h);
        const QJsonArray apps = listed();
        QStringList shape;
        for (const QJsonValue &app : apps)
            shape.append(app[u"source"_qs].toString() + u':' + app[u"name"_qs].toString());
        QCOMPARE(shape, QStringList({u"AppImage:Foo Editor"_qs, u"AppImage:Mole mo clean"_qs,
                                     u"Local:Local App"_qs, u"Flatpak:Flat Example"_qs,
                                     u"Homebrew:Brew App"_qs}));
        QCOMPARE(record(apps, u"Foo-1.2.3-x86_64.AppImage"_qs)[u"bundle_id"_qs].toString(),
                 u"appimagekit-foo"_qs);
        QCOMPARE(record(apps, u"org.example.Flat"_qs)[u"bundle_id"_qs].toString(),
                 u"org.example.Flat"_qs);
        const QStringList unknown = appLines(Commands::uninstallDryRun(u"nothing-like-it"_qs));
        QCOMPARE(unknown.size(), 1);
        QVERIFY(unknown.first().contains(u"not found"_qs));
    }

    // The dry run lists the application and its leftovers; the removal then
    // takes exactly those (to the Trash, or through the package manager) and
    // touches nothing else; the list gives the first as the application's
    // path. A package manager that refuses leaves everything in place and
    // says so in a line the uninstaller shows.
    void dryRunMatchesRemoval_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("planned");  // relative to the home, separated by "|"
        QTest::addColumn<QByteArray>("how");  // "trash", "package" (the app's part) or "refused"
        const auto row = [](const char *tag, const char *name, const char *planned,
                            const char *how) {
            QTest::newRow(tag) << QString::fromUtf8(name) << QByteArray(planned) << QByteArray(how);
        };
        row("AppImage", "Foo-1.2.3-x86_64.AppImage",
            "Applications/Foo-1.2.3-x86_64.AppImage|.local/share/applications/"
            "appimagekit-foo.desktop|"
            ".local/share/icons/hicolor/256x256/apps/appimagekit-foo.png|"
            ".config/autostart/appimagekit-foo.desktop|.cache/appimagekit-foo",
            "trash");
        row("Local", "localapp",
            "opt/localapp|.local/share/applications/localapp.desktop|.config/localapp", "trash");
        row("Flatpak", "org.example.Flat",
            ".local/share/flatpak/app/org.example.Flat|.var/app/org.example.Flat", "package");
        row("Flatpak, refused", "org.example.Flat",
            ".local/share/flatpak/app/org.example.Flat|.var/app/org.example.Flat", "refused");
        row("Homebrew", "brewapp", "brew/Cellar/brewapp", "package");
        row("awkward name", "Mole mo clean.AppImage", "Downloads/Mole mo clean.AppImage", "trash");
    }
    void dryRunMatchesRemoval() {
        QFETCH(QString, name);
        QFETCH(QByteArray, planned);
        QFETCH(QByteArray, how);
        FakeHome h;
        build(h);
        const QList<QByteArray> roots = planned.split('|');
        QCOMPARE(record(listed(), name)[u"path"_qs].toString(), QFile::decodeName(h.at(roots[0])));
        const QStringList dryRun = appLines(Commands::uninstallDryRun(name));
        QList<QByteArray> expected;
        for (const QByteArray &path : roots) expected.append(h.at(path));
        QCOMPARE(leftoverBytes(dryRun), expected);
        QVERIFY(SizeMarkers::sizeIn(dryRun.last()).value_or(0) > 0);

        if (how == "refused")
            h.file("flatpak-fails", 1);
        const QSet<QByteArray> before = h.snapshot();
        const QString removal = appLines(Commands::uninstall(name)).join(u'\n');
        QSet<QByteArray> after = h.snapshot();
        if (how == "refused") {
            QCOMPARE(after, before);
            QVERIFY2(QRegularExpression(u"(?i)fail.*denied"_qs).match(removal).hasMatch(),
                     qPrintable(removal));
            return;
        }
        QVERIFY2(!removal.contains(u"fail"_qs), qPrintable(removal));
        after.removeIf(
            [](const QByteArray &path) { return path.startsWith(".local/share/Trash"); });
        QCOMPARE(before - after, FakeHome::below(before, roots));
        QVERIFY(after - before == QSet<QByteArray>());
        // Everything trashed, and nothing more, can be restored.
        const QList<QByteArray> restorable = how == "trash" ? roots : roots.mid(1);
        for (const QByteArray &path : restorable)
            QCOMPARE(TrashCheck::problemWith(h.at(path)), QString());
        QCOMPARE(QDir(h.home() + u"/.local/share/Trash/info"_qs).entryList(QDir::Files).size(),
                 restorable.size());
    }

    // A program in a shared folder is the application alone: the folder it
    // sits in (or the one above its "bin") is never listed or removed. A
    // folder named after the application and holding nothing else is its own.
    // Icons are evidence only from the icon themes and pixmaps, named after
    // the application, and never when another entry names the same icon. A
    // leftover whose name is not UTF-8 reaches the app as exact bytes. The
    // removal takes exactly what the dry run lists.
    void ownFolderAndIcons_data() {
        QTest::addColumn<QByteArray>("program");     // relative to the home
        QTest::addColumn<QByteArray>("folder");      // the application's listed path
        QTest::addColumn<QByteArray>("icon");        // Icon= ("~" is the home)
        QTest::addColumn<QByteArray>("otherIcon");   // the other application's Icon=
        QTest::addColumn<QByteArray>("listedIcon");  // relative to the home, or empty
        // An app at `program`, listed as `folder`; its Icon= and the other app's.
        const auto row = [](const char *name, const char *program, const char *folder,
                            const char *icon = "", const char *other = "other",
                            const char *listed = "") {
            QTest::newRow(name) << QByteArray(program) << QByteArray(folder) << QByteArray(icon)
                                << QByteArray(other) << QByteArray(listed);
        };
        row("in Documents", "Documents/notes", "Documents/notes");
        row("in Desktop", "Desktop/notes.sh", "Desktop/notes.sh");
        row("in the configuration folder", ".config/notes", ".config/notes");
        row("in ~/.config/notes/bin", ".config/notes/bin/notes", ".config/notes");
        row("cargo's bin", ".cargo/bin/notes", ".cargo/bin/notes");
        row("go's bin", "go/bin/notes", "go/bin/notes");
        row("among the launchers", ".local/share/applications/notes",
            ".local/share/applications/notes");
        row("~/.local/bin", ".local/bin/notes", ".local/bin/notes");
        row("the home", "notes", "notes");
        row("a bin folder", "tools/bin/bin/notes", "tools/bin/bin/notes");
        row("another app's folder too", "apps/other/notes", "apps/other/notes");
        row("its own folder", "apps/Notes/notes", "apps/Notes");
        row("its own, versioned, with bin", "apps/notes-2.1-linux-x64/bin/notes",
            "apps/notes-2.1-linux-x64");
        const auto iconRow = [&](const char *name, const char *icon, const char *other,
                                 const char *listed) {
            row(name, "apps/notes/notes", "apps/notes", icon, other, listed);
        };
        iconRow("theme icon", "notes", "other", ".local/share/icons/hicolor/48x48/apps/notes.png");
        iconRow("~/.icons", "org.example.Notes", "other",
                ".icons/hicolor/scalable/apps/org.example.Notes.svg");
        iconRow("pixmaps", "~/.local/share/pixmaps/Notes.xpm", "other",
                ".local/share/pixmaps/Notes.xpm");
        iconRow("a picture", "~/Pictures/notes.png", "other", "");
        iconRow("a folder", "~/Documents", "other", "");
        iconRow("theme icon of another name", "utilities-terminal", "other", "");
        iconRow("shared with another app", "notes", "notes", "");
        iconRow("shared by path", "~/.local/share/pixmaps/Notes.xpm", "Notes", "");
    }
    void ownFolderAndIcons() {
        QFETCH(QByteArray, program);
        QFETCH(QByteArray, folder);
        QFETCH(QByteArray, icon);
        QFETCH(QByteArray, otherIcon);
        QFETCH(QByteArray, listedIcon);
        FakeHome h;
        for (const char *file :
             {".local/share/icons/hicolor/48x48/apps/notes.png",
              ".local/share/icons/hicolor/48x48/apps/utilities-terminal.png",
              ".icons/hicolor/scalable/apps/org.example.Notes.svg",
              ".local/share/pixmaps/Notes.xpm", "Pictures/notes.png", "Documents/letter.txt",
              ".cargo/registry/cache/crate", ".config/notes\xff/settings"})
            h.file(file, 100);
        if (icon.startsWith('~'))
            icon = h.at(icon.mid(2));
        const QByteArray id = icon.isEmpty() ? "notes" : "org.example.Notes";
        addApp(h, id, "Notes", program, "StartupWMClass=notes\xff\nIcon=" + icon + "\n");
        addApp(h, "other", "Other", "apps/other/other", "Icon=" + otherIcon + "\n");
        h.file(program.left(program.lastIndexOf('/') + 1) + "neighbour.txt", 100);
        QCOMPARE(record(listed(), QString::fromUtf8(id))[u"path"_qs].toString(),
                 QFile::decodeName(h.at(folder)));
        QList<QByteArray> expected = {folder, ".local/share/applications/" + id + ".desktop",
                                      ".config/notes\xff"};
        if (!listedIcon.isEmpty())
            expected.append(listedIcon);
        QSet<QByteArray> exact;
        for (const QByteArray &path : expected) exact.insert(h.at(path));
        const QList<QByteArray> shown =
            leftoverBytes(appLines(Commands::uninstallDryRun(QString::fromUtf8(id))));
        QCOMPARE(QSet<QByteArray>(shown.begin(), shown.end()), exact);

        const QSet<QByteArray> before = h.snapshot();
        const QStringList removal = appLines(Commands::uninstall(QString::fromUtf8(id)));
        QVERIFY2(!removal.join(u'\n').contains(u"fail"_qs), qPrintable(removal.join(u'\n')));
        QSet<QByteArray> after = h.snapshot();
        after.removeIf(
            [](const QByteArray &path) { return path.startsWith(".local/share/Trash"); });
        QCOMPARE(before - after, FakeHome::below(before, expected));
    }
};

QTEST_GUILESS_MAIN(TestMoleUninstall)
#include "tst_mole_uninstall.moc"
