#include "FakeHome.h"

#include <QDir>
#include <QProcess>
#include <QStringDecoder>
#include <QTest>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "EngineProcess.h"
#include "LoopMounts.h"
#include "support/TrashCheck.h"

namespace {

bool present(const QByteArray &path) {
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

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

// `count` empty files with long names in ~/many; their paths, NUL-separated,
// in a file beside the home, whose name is returned.
QString manyFiles(FakeHome &h, int count) {
    QByteArray input;
    for (int i = 0; i < count; ++i) {
        const QByteArray name = "many/file-" + QByteArray::number(i) + QByteArray(100, 'x');
        h.file(name, 0);
        input += h.at(name) + '\0';
    }
    const QString list = h.home() + u"/../list"_qs;
    writeFile(list, input);
    return list;
}

bool isUtf8(const QByteArray &bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    (void)decoder.decode(bytes);
    return !decoder.hasError();
}

}  // namespace

// The engine's trash command against temporary homes (and, as root, file
// systems mounted for the test): any name moves restorably, protected places
// never move, a gone path counts as moved, a closed reader stops it.
class TestMoleTrash : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void movesAnyNameRestorably_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("kind");
        QTest::newRow("file") << QByteArray("notes.txt") << u"file"_qs;
        QTest::newRow("folder") << QByteArray("Project") << u"folder"_qs;
        QTest::newRow("newline and percent") << QByteArray("a\nb 100%.txt") << u"file"_qs;
        QTest::newRow("escape sequences")
            << QByteArray("\x1b]0;title\x07\x1b[2J\r\x85") << u"file"_qs;
        QTest::newRow("not UTF-8") << QByteArray("\xff\xfe caf\xe9") << u"folder"_qs;
        QTest::newRow("engine's name") << QByteArray("Mole mo clean freed 5 GB") << u"file"_qs;
        QTest::newRow("82 CJK characters") << QString(82, QChar(0x5199)).toUtf8() << u"file"_qs;
        QTest::newRow("84 CJK characters and an extension")
            << QString(82, QChar(0x5199)).toUtf8() + ".txt" << u"file"_qs;
        QTest::newRow("255 bytes") << QByteArray(255, 'n') << u"file"_qs;
        QTest::newRow("255 bytes, not UTF-8") << QByteArray(255, '\xe9') << u"folder"_qs;
        QTest::newRow("link to a folder") << QByteArray("link") << u"link"_qs;
        QTest::newRow("dangling link") << QByteArray("dangling") << u"dangling"_qs;
        QTest::newRow("fifo") << QByteArray("fifo") << u"fifo"_qs;
    }
    void movesAnyNameRestorably() {
        QFETCH(QByteArray, name);
        QFETCH(QString, kind);
        FakeHome h;
        h.file("Documents/keep/inside", 10);
        h.folder("stuff");
        const QByteArray path = h.at("stuff/" + name);
        if (kind == u"file")
            h.file("stuff/" + name, 100);
        else if (kind == u"folder")
            h.file("stuff/" + name + "/inner", 100);
        else if (kind == u"link")
            h.symlink(h.at("Documents/keep"), "stuff/" + name);
        else if (kind == u"dangling")
            h.symlink(h.at("nowhere"), "stuff/" + name);
        else
            QCOMPARE(::mkfifo(path.constData(), 0644), 0);
        // Twice, and the same name again in another folder: a second name.
        h.file("other/" + name, 10);
        const TrashRun run = trash({path, path, h.at("other/" + name)});
        QCOMPARE(run.statuses(), (QStringList{u"moved"_qs, u"gone"_qs, u"moved"_qs}));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.summary()[u"moved"_qs].toInt(), 3);
        QVERIFY(!present(path));
        QCOMPARE(TrashCheck::problemWith(path), QString());
        QCOMPARE(TrashCheck::problemWith(h.at("other/" + name)), QString());
        QVERIFY(present(h.at("Documents/keep/inside")));
        const QByteArray trash = h.at(".local/share/Trash");
        const QList<QByteArray> files = namesIn(trash + "/files");
        QCOMPARE(files.size(), 2);
        for (const QByteArray &file : files) {
            QVERIFY(file.size() + 10 <= 255);
            QVERIFY(present(trash + "/info/" + file + ".trashinfo"));
            if (isUtf8(name))
                QVERIFY2(isUtf8(file), file.constData());
        }
        QVERIFY(files[0] != files[1]);
    }

    // Protected places stay whatever path names them; each refusal has a
    // reason, and the paths after it still move.
    void refusesProtectedPlaces_data() {
        QTest::addColumn<QByteArray>("path");  // "~" is the home
        QTest::addColumn<QString>("reason");
        QTest::newRow("the home") << QByteArray("~") << u"home"_qs;
        QTest::newRow("the home, unclean") << QByteArray("~/./") << u"home"_qs;
        QTest::newRow("root") << QByteArray("/") << u"root"_qs;
        QTest::newRow("root, unclean") << QByteArray("//.") << u"root"_qs;
        QTest::newRow("above the home") << QByteArray("~/..") << u".."_qs;
        QTest::newRow("holds the home") << QByteArray("^") << u"home"_qs;
        QTest::newRow("relative") << QByteArray("Documents") << u"absolute"_qs;
        QTest::newRow("Documents") << QByteArray("~/Documents") << u"XDG_DOCUMENTS_DIR"_qs;
        QTest::newRow("Desktop, not there") << QByteArray("~/Desktop") << u"XDG_DESKTOP_DIR"_qs;
        QTest::newRow("Documents through a link to the home")
            << QByteArray("~/homelink/Documents") << u"XDG_DOCUMENTS_DIR"_qs;
        QTest::newRow("user-dirs.dirs") << QByteArray("~/Fotos") << u"XDG_PICTURES_DIR"_qs;
        QTest::newRow("user-dirs.dirs, any name")
            << QByteArray("~/Projekte") << u"XDG_PROJECTS_DIR"_qs;
        QTest::newRow("XDG variable") << QByteArray("~/cfg") << u"XDG_CONFIG_HOME"_qs;
        QTest::newRow("XDG default") << QByteArray("~/.cache") << u"XDG_CACHE_HOME"_qs;
        QTest::newRow("data folder") << QByteArray("~/.local/share") << u"XDG_DATA_HOME"_qs;
        QTest::newRow("holds the data folder") << QByteArray("~/.local") << u"holds"_qs;
        QTest::newRow("system data") << QByteArray("/usr/share") << u"XDG_DATA_DIRS"_qs;
        QTest::newRow("holds system data") << QByteArray("/usr") << u"holds"_qs;
        QTest::newRow("the Trash") << QByteArray("~/.local/share/Trash") << u"Trash"_qs;
        QTest::newRow("inside the Trash")
            << QByteArray("~/.local/share/Trash/files/old") << u"inside the Trash"_qs;
        QTest::newRow("a Trash at the top of a mount") << QByteArray("/.Trash-1000") << u"Trash"_qs;
        QTest::newRow("inside it") << QByteArray("/.Trash/0/files/x") << u"inside the Trash"_qs;
    }
    void refusesProtectedPlaces() {
        QFETCH(QByteArray, path);
        QFETCH(QString, reason);
        FakeHome h;
        h.file("Documents/letter.txt", 10);
        h.file("Fotos/one.jpg", 10);
        h.file("Projekte/x", 10);
        h.file("cfg/app.conf", 10);
        h.file(".local/share/Trash/files/old", 10);
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
        h.file("last.txt", 10);
        const QSet<QByteArray> before = h.snapshot();
        const TrashRun run = trash({path, h.at("last.txt")});
        qputenv("XDG_CONFIG_HOME", h.at(".config"));
        QCOMPARE(run.statuses(), (QStringList{u"refused"_qs, u"moved"_qs}));
        QVERIFY2(run.lines[0][u"reason"_qs].toString().contains(reason),
                 qPrintable(run.lines[0][u"reason"_qs].toString()));
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.summary()[u"refused"_qs].toInt(), 1);
        QSet<QByteArray> after = h.snapshot();
        for (const QByteArray &entry : after)
            if (entry.startsWith(".local/share/Trash/") && !before.contains(entry))
                after.remove(entry);
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
        QVERIFY(!present(h.at(".local/share/Trash/files/film")));
    }

    // A reader that goes away ends the command: the rest stays in place.
    void aClosedReaderStopsIt() {
        FakeHome h;
        constexpr int count = 3000;
        const QString list = manyFiles(h, count);
        QProcess shell;
        shell.start(u"/bin/bash"_qs, {u"-c"_qs,
                                      u"\"$0\" trash --stdin < \"$1\" | head -c 10 > /dev/null; "
                                      "echo ${PIPESTATUS[0]}"_qs,
                                      engineBinary(), list});
        QVERIFY(shell.waitForFinished(60000));
        QCOMPARE(shell.readAllStandardOutput().trimmed(), QByteArray("1"));
        const qsizetype left = namesIn(h.at("many")).size();
        QVERIFY2(left > count / 2, qPrintable(QString::number(left)));
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
            if (!present(a))
                h.text("a/junk.txt", "junk");
            if (!present(link))
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
            QVERIFY(present(h.at("Documents/letter.txt")));
            QVERIFY(!present(h.at("Documents/junk.txt")));
        }
    }

    // SIGTERM finishes the path in hand and tries no further one; the
    // summary says how many were left.
    void aStopSignalLeavesTheRest() {
        FakeHome h;
        constexpr int count = 2000;
        const QString list = manyFiles(h, count);
        QProcess process;
        process.setStandardInputFile(list);
        process.start(engineBinary(), {u"trash"_qs, u"--stdin"_qs});
        QVERIFY(process.waitForStarted());
        // Nothing is read meanwhile, so the engine soon waits on a full pipe.
        QTest::qSleep(1000);
        QCOMPARE(::kill(pid_t(process.processId()), SIGTERM), 0);
        QVERIFY(process.waitForFinished(30000));
        const TrashRun run = readTrash(process.exitCode(), process.readAllStandardOutput());
        QCOMPARE(run.exitCode, 1);
        const int left = run.summary()[u"left"_qs].toInt();
        QVERIFY2(left > 0 && left < count, qPrintable(QString::number(left)));
        QCOMPARE(run.summary()[u"moved"_qs].toInt() + left, count);
        QCOMPARE(run.lines.size(), count - left + 1);
        QCOMPARE(namesIn(h.at("many")).size(), left);
    }

    // An input that never ends does not hold the command against a stop.
    void aStopWhileWaitingForInput() {
        FakeHome h;
        QProcess process;
        process.start(engineBinary(), {u"trash"_qs, u"--stdin"_qs});
        QVERIFY(process.waitForStarted());
        process.write(h.at("never-moved") + '\0');
        QVERIFY(process.waitForBytesWritten(5000));
        QTest::qSleep(300);
        QCOMPARE(::kill(pid_t(process.processId()), SIGTERM), 0);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        QVERIFY(process.readAll().contains("\"left\":1"));
    }

    void usage() {
        FakeHome h;
        QCOMPARE(runEngine({u"trash"_qs}).first, 2);
        QCOMPARE(runEngine({u"trash"_qs, u"--stdin"_qs, u"/x"_qs}).first, 2);
        const TrashRun empty = trash({});
        QCOMPARE(empty.exitCode, 0);
        QCOMPARE(empty.lines.size(), 1);
        QCOMPARE(empty.summary()[u"moved"_qs].toInt(), 0);
    }
};

QTEST_GUILESS_MAIN(TestMoleTrash)
#include "tst_mole_trash.moc"
