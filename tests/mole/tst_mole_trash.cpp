#include "FakeHome.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <atomic>
#include <thread>

#include "LoopMounts.h"
#include "support/TrashCheck.h"

namespace {

// Every name in a folder, as bytes.
QList<QByteArray> namesIn(const QByteArray &folder) {
    QList<QByteArray> names;
    if (DIR *dir = ::opendir(folder.constData())) {
        while (const dirent *entry = ::readdir(dir))
            if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
                names.append(entry->d_name);
        ::closedir(dir);
    }
    return names;
}

bool isUtf8(const QByteArray &bytes) {
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

}  // namespace

// The engine's trash command against temporary homes (and, as root, file
// systems mounted for the test): any name moves restorably, protected places
// never move, a gone path counts as moved, a stop leaves the rest.
class TestMoleTrash : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void movesAnyNameRestorably_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("kind");
        const auto row = [](const char *tag, const QByteArray &name, const char *kind) {
            QTest::newRow(tag) << name << QByteArray(kind);
        };
        row("file", "notes.txt", "file");
        row("folder", "Project", "folder");
        row("newline and percent", "a\nb 100%.txt", "file");
        row("escape sequences", "\x1b]0;title\x07\x1b[2J\r\x85", "file");
        row("not UTF-8", "\xff\xfe caf\xe9", "folder");
        row("engine's name", "Mole mo clean freed 5 GB", "file");
        row("82 CJK characters", QString(82, QChar(0x5199)).toUtf8(), "file");
        row("84 CJK characters and an extension", QString(82, QChar(0x5199)).toUtf8() + ".txt",
            "file");
        row("255 bytes", QByteArray(255, 'n'), "file");
        row("255 bytes, not UTF-8", QByteArray(255, '\xe9'), "folder");
        row("link to a folder", "link", "link");
        row("dangling link", "dangling", "dangling");
        row("fifo", "fifo", "fifo");
    }
    void movesAnyNameRestorably() {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, kind);
        FakeHome h;
        h.file("Documents/keep/inside", 10);
        h.folder("stuff");
        const QByteArray path = h.at("stuff/" + name);
        if (kind == "file" || kind == "folder")
            h.file("stuff/" + name + (kind == "folder" ? "/inner" : ""), 100);
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(path.constData(), 0644), 0);
        else
            h.symlink(h.at(kind == "link" ? "Documents/keep" : "nowhere"), "stuff/" + name);
        // Twice, and the same name again in another folder: a second name.
        h.file("other/" + name, 10);
        const TrashRun run = trash({path, path, h.at("other/" + name)});
        QCOMPARE(run.statuses(), (QStringList{u"moved"_qs, u"gone"_qs, u"moved"_qs}));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.summary()[u"moved"_qs].toInt(), 3);
        QVERIFY(!h.has("stuff/" + name));
        QCOMPARE(TrashCheck::problemWith(path), QString());
        QCOMPARE(TrashCheck::problemWith(h.at("other/" + name)), QString());
        QVERIFY(h.has("Documents/keep/inside"));
        const QList<QByteArray> files = namesIn(h.at(".local/share/Trash/files"));
        QCOMPARE(files.size(), 2);
        for (const QByteArray &file : files) {
            QVERIFY(file.size() + 10 <= 255);
            QVERIFY(h.has(".local/share/Trash/info/" + file + ".trashinfo"));
            if (isUtf8(name))
                QVERIFY2(isUtf8(file), file.constData());
        }
        QVERIFY(files[0] != files[1]);
    }

    // Protected places stay whatever path names them; each refusal has a
    // reason, and the paths after it still move.
    void refusesProtectedPlaces_data() {
        QTest::addColumn<QByteArray>("path");  // "~" is the home, "^" the folder holding it
        QTest::addColumn<QString>("reason");
        const auto row = [](const char *name, const char *path, const char *reason) {
            QTest::newRow(name) << QByteArray(path) << QString::fromUtf8(reason);
        };
        row("the home", "~", "home");
        row("the home, unclean", "~/./", "home");
        row("root", "/", "root");
        row("root, unclean", "//.", "root");
        row("above the home", "~/..", "..");
        row("holds the home", "^", "home");
        row("relative", "Documents", "absolute");
        row("Documents", "~/Documents", "XDG_DOCUMENTS_DIR");
        row("Desktop, not there", "~/Desktop", "XDG_DESKTOP_DIR");
        row("Documents through a link to the home", "~/homelink/Documents", "XDG_DOCUMENTS_DIR");
        row("user-dirs.dirs", "~/Fotos", "XDG_PICTURES_DIR");
        row("user-dirs.dirs, any name", "~/Projekte", "XDG_PROJECTS_DIR");
        row("XDG variable", "~/cfg", "XDG_CONFIG_HOME");
        row("XDG default", "~/.cache", "XDG_CACHE_HOME");
        row("data folder", "~/.local/share", "XDG_DATA_HOME");
        row("holds the data folder", "~/.local", "holds");
        row("system data", "/usr/share", "XDG_DATA_DIRS");
        row("holds system data", "/usr", "holds");
        row("the Trash", "~/.local/share/Trash", "Trash");
        row("inside the Trash", "~/.local/share/Trash/files/old", "inside the Trash");
        row("a Trash at the top of a mount", "/.Trash-1000", "Trash");
        row("inside it", "/.Trash/0/files/x", "inside the Trash");
    }
    void refusesProtectedPlaces() {
        QFETCH(QByteArray, path);
        QFETCH(QString, reason);
        FakeHome h;
        for (const char *file : {"Documents/letter.txt", "Fotos/one.jpg", "Projekte/x",
                                 "cfg/app.conf", ".local/share/Trash/files/old", "last.txt"})
            h.file(file, 10);
        h.symlink(QFile::encodeName(h.home()), "homelink");
        h.text(".config/user-dirs.dirs",
               "# written by xdg-user-dirs-update\nXDG_PICTURES_DIR=\"$HOME/Fotos\"\n"
               "XDG_PROJECTS_DIR=\"$HOME/Projekte\"\n");
        qputenv("XDG_CONFIG_HOME", h.at("cfg"));
        const QByteArray home = QFile::encodeName(h.home());
        if (path.startsWith('~'))
            path = home + path.mid(1);
        else if (path == "^")
            path = home.left(home.lastIndexOf('/'));
        const QSet<QByteArray> before = h.snapshot();
        const TrashRun run = trash({path, h.at("last.txt")});
        qputenv("XDG_CONFIG_HOME", h.at(".config"));
        QCOMPARE(run.statuses(), (QStringList{u"refused"_qs, u"moved"_qs}));
        QVERIFY2(run.lines[0][u"reason"_qs].toString().contains(reason),
                 qPrintable(run.lines[0][u"reason"_qs].toString()));
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.summary()[u"refused"_qs].toInt(), 1);
        QSet<QByteArray> after = h.snapshot();
        after.removeIf([&](const QByteArray &entry) {
            return entry.startsWith(".local/share/Trash/") && !before.contains(entry);
        });
        QCOMPARE(after, before - QSet<QByteArray>{"last.txt"});
    }

    // Another file system's Trash is at its top: .Trash/$uid when the
    // administrator made a sticky .Trash, else .Trash-$uid.
    void anotherMountUsesTheTrashAtItsTop_data() {
        QTest::addColumn<QString>("shared");  // what $topdir/.Trash is
        QTest::addColumn<QByteArray>("where");
        const QByteArray uid = QByteArray::number(::geteuid());
        QTest::newRow("none") << QString() << ".Trash-" + uid;
        QTest::newRow("sticky .Trash") << u"sticky"_qs << ".Trash/" + uid;
        QTest::newRow(".Trash without the sticky bit") << u"plain"_qs << ".Trash-" + uid;
        QTest::newRow(".Trash is a link") << u"link"_qs << ".Trash-" + uid;
    }
    void anotherMountUsesTheTrashAtItsTop() {
        QFETCH(QString, shared);
        QFETCH(QByteArray, where);
        const QString why = LoopMounts::unavailable({});
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        FakeHome h;
        LoopMounts mounts;
        const QString disk = h.home() + u"/../disk"_qs;
        QVERIFY2(mounts.mount(u"tmpfs"_qs, disk, {u"-t"_qs, u"tmpfs"_qs}),
                 qPrintable(mounts.error()));
        const QByteArray top = QFile::encodeName(QDir(disk).canonicalPath());
        if (shared == u"link") {
            h.folder("elsewhere");
            QCOMPARE(::symlink(h.at("elsewhere").constData(), top + "/.Trash"), 0);
        } else if (!shared.isEmpty()) {
            QCOMPARE(::mkdir(top + "/.Trash", 0777), 0);
            QCOMPARE(::chmod(top + "/.Trash", shared == u"sticky" ? 01777 : 0777), 0);
        }
        QCOMPARE(::mkdir(top + "/film", 0755), 0);
        const TrashRun run =
            trash({top + "/film", top + "/.Trash-" + QByteArray::number(::geteuid())});
        QCOMPARE(run.statuses(), (QStringList{u"moved"_qs, u"refused"_qs}));
        QCOMPARE(TrashCheck::problemIn(top + '/' + where, top + "/film"), QString());
        QVERIFY(namesIn(h.at("elsewhere")).isEmpty());
        QVERIFY(!h.has(".local/share/Trash/files/film"));
    }

    // A folder swapped for a link to Documents while it is being moved, over
    // and over: the command never hangs, never follows the link, and what it
    // moves is the folder or the link, never Documents.
    void aSwapForALinkDuringTheMoveLeavesDocumentsAlone() {
        FakeHome h;
        h.text("Documents/letter.txt", "mine");
        const QByteArray a = h.at("a"), link = h.at("link");
        std::atomic<bool> stop = false;
        for (int round = 0; round < 30; ++round) {
            if (!h.has("a"))
                h.text("a/junk.txt", "junk");
            if (!h.has("link"))
                h.symlink(h.at("Documents"), "link");
            stop = false;
            std::thread racer([&] {
                while (!stop)
                    ::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, link.constData(),
                                RENAME_EXCHANGE);
            });
            const TrashRun run = trash({a});
            stop = true;
            racer.join();
            QVERIFY(run.exitCode == 0 || run.statuses() == QStringList{u"changed"_qs});
            QVERIFY(h.has("Documents/letter.txt"));
            QVERIFY(!h.has("Documents/junk.txt"));
        }
    }

    // A stop ends the command after the path in hand and tries no further
    // one: the reader going away, or SIGTERM (while the engine waits on a
    // full pipe, or on input that never ends). The summary says how many
    // were left, and they are still in place.
    void aStopLeavesTheRest_data() {
        QTest::addColumn<QByteArray>("stop");
        QTest::newRow("the reader goes away") << QByteArray("reader");
        QTest::newRow("SIGTERM on a full pipe") << QByteArray("full");
        QTest::newRow("SIGTERM waiting for input") << QByteArray("input");
    }
    void aStopLeavesTheRest() {
        QFETCH(QByteArray, stop);
        FakeHome h;
        constexpr int count = 2000;
        QByteArray input;  // long names, NUL-separated
        for (int i = 0; i < count; ++i) {
            const QByteArray name = "many/file-" + QByteArray::number(i) + QByteArray(100, 'x');
            h.file(name, 0);
            input += h.at(name) + '\0';
        }
        const QString list = h.home() + u"/../list"_qs;
        writeFile(list, input);
        QProcess process;
        if (stop == "reader") {
            process.start(u"/bin/bash"_qs, {u"-c"_qs,
                                            u"\"$0\" trash --stdin < \"$1\" | head -c 10 > "
                                            "/dev/null; echo ${PIPESTATUS[0]}"_qs,
                                            engineBinary(), list});
            QVERIFY(process.waitForFinished(60000));
            QCOMPARE(process.readAllStandardOutput().trimmed(), QByteArray("1"));
            QVERIFY(namesIn(h.at("many")).size() > count / 2);
            return;
        }
        if (stop == "full")
            process.setStandardInputFile(list);
        process.start(engineBinary(), {u"trash"_qs, u"--stdin"_qs});
        QVERIFY(process.waitForStarted());
        if (stop == "input") {
            process.write(h.at("many/never-moved") + '\0');
            QVERIFY(process.waitForBytesWritten(5000));
        }
        QTest::qSleep(1000);  // meanwhile nothing is read: the engine soon waits
        process.terminate();
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        const TrashRun run = readTrash(process.exitCode(), process.readAllStandardOutput());
        QCOMPARE(run.exitCode, 1);
        const int left = run.summary()[u"left"_qs].toInt();
        const int moved = run.summary()[u"moved"_qs].toInt();
        if (stop == "input") {
            QCOMPARE(std::pair(left, moved), std::pair(1, 0));
        } else {
            QVERIFY2(left > 0 && left < count, qPrintable(QString::number(left)));
            QCOMPARE(moved + left, count);
            QCOMPARE(run.lines.size(), count - left + 1);
        }
        QCOMPARE(namesIn(h.at("many")).size(), count - moved);
    }
};

QTEST_GUILESS_MAIN(TestMoleTrash)
#include "tst_mole_trash.moc"
