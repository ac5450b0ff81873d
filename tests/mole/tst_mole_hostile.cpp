// The deleting commands in homes set up as an attacker (or an unlucky
// accident) would: XDG variables that point at the user's own folders,
// entries swapped while they are removed, tampered plans, special files
// wherever the engine reads, a reader that goes away, trees deeper than the
// descriptor limit. Each case has its own temporary home, a canary folder
// outside it, and fingerprints of everything that must survive.
#include "FakeHome.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

#include <atomic>
#include <thread>

namespace {

// The user's documents: the folder a mistake would cost most.
void fillDocuments(FakeHome &h, const QByteArray &folder = "Documents") {
    h.text(folder + "/letter.txt", "Dear ...");
    h.file(folder + "/photos/one.jpg", 30'000);
    h.file(folder + "/mozilla/notes", 4000);  // named like a browser cache
    h.file(folder + "/app/data", 4000);       // named like a cache below
    h.file(folder + "/Trash/files/t", 4000);  // and like a Trash
    h.text(folder + "/Trash/info/t.trashinfo", "[Trash Info]\nPath=/x/t\n");
    h.file(folder + "/google-chrome/Default/GPUCache/g", 4000);
}

// A home holding the user's documents, beside a canary folder outside it
// that no command may touch: it is checked when the home goes.
struct Attacked : FakeHome {
    QTemporaryDir outside;
    QMap<QByteArray, QByteArray> untouched;
    Attacked() {
        fillDocuments(*this);
        TestEnvironment::writeFile(outside.path() + u"/folder/precious.txt"_qs, "keep me");
        TestEnvironment::writeFile(outside.path() + u"/top.txt"_qs, "keep me too");
        untouched = fingerprint(canary());
    }
    ~Attacked() { QCOMPARE(fingerprint(canary()), untouched); }
    QByteArray canary() const { return QFile::encodeName(outside.path()); }
    QMap<QByteArray, QByteArray> documents() const { return fingerprint(at("Documents")); }
};

const QStringList kDryRun = {u"clean"_qs, u"--dry-run"_qs}, kClean = {u"clean"_qs};

// The built engine (after a prefix: strace, prlimit, a shell) as the app
// starts it, input from /dev/null, its output and errors kept apart.
struct MoleRun : RunningCommand {
    explicit MoleRun(
        const QStringList &arguments, const QStringList &prefix = {},
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
        : RunningCommand(engineCommand(arguments, prefix), environment) {}
};

// A plan's target line for what is at `path` now.
QByteArray planTarget(const QByteArray &path, bool trashEntry = false) {
    struct statx st {};
    if (::statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW,
                STATX_TYPE | STATX_INO | STATX_BTIME, &st) != 0)
        return "target 0 0 d 0 0 " + path;
    const char type = S_ISDIR(st.stx_mode) ? 'd' : S_ISREG(st.stx_mode) ? 'f' : 'o';
    const qint64 born = (st.stx_mask & STATX_BTIME)
                            ? qint64(st.stx_btime.tv_sec) * 1'000'000'000 + st.stx_btime.tv_nsec
                            : 0;
    return "target " + QByteArray::number(quint64(makedev(st.stx_dev_major, st.stx_dev_minor))) +
           ' ' + QByteArray::number(quint64(st.stx_ino)) + ' ' + type + ' ' +
           QByteArray::number(born) + ' ' + (trashEntry ? '1' : '0') + ' ' + path;
}

// Makes a FIFO, a listening socket's file or a device node at `path`.
bool makeSpecial(const QByteArray &path, const QByteArray &kind) {
    if (kind == "fifo")
        return ::mkfifo(path.constData(), 0644) == 0;
    if (kind == "device")
        return ::mknod(path.constData(), S_IFCHR | 0644, makedev(1, 3)) == 0;  // like /dev/null
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const bool made = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return made;
}

}  // namespace

class TestMoleHostile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // An XDG variable that leads to the user's own folders (through a link,
    // by naming them, by holding them, or by overlapping another XDG folder)
    // is ignored with a note, and the default folder is used instead. When
    // even the default would hold a user folder, the category is left alone.
    void xdgVariablesLeadingToUserFolders_data() {
        QTest::addColumn<QByteArray>("value");  // "%H" is the home; null: unset
        QTest::addColumn<QByteArray>("userDirs");
        // The row's name starts with the variable's.
        const auto row = [](const char *name, const char *value, const char *userDirs = "") {
            QTest::newRow(name) << QByteArray(value) << QByteArray(userDirs);
        };
        row("cache: a link to Documents", "%H/docslink");
        row("cache: a link to ~/.config", "%H/configlink");
        row("cache: below a link", "%H/configlink/google-chrome");
        row("cache: the home", "%H");
        row("cache: the home, spelt oddly", "%H/./");
        row("cache: Documents", "%H/Documents");
        row("cache: inside Documents", "%H/Documents/app");
        row("cache: climbing into Documents", "%H/.cache/../Documents");
        row("cache: relative", "Documents");
        row("cache: ~/.config", "%H/.config");
        row("cache: ~/.local, holding data and state", "%H/.local");
        row("cache: ~/.ssh", "%H/.ssh");
        row("cache: a user-dirs folder", "%H/work", "XDG_DOCUMENTS_DIR=\"$HOME/work\"\n");
        row("cache: holding a user-dirs folder", "%H/media",
            "# comment\nXDG_MUSIC_DIR=\"$HOME/media/music\"\n");
        row("cache: an absolute user-dirs folder", "%H/work", "XDG_DOCUMENTS_DIR=\"%H/work\"\n");
        row("data: Documents", "%H/Documents");
        row("data: a link to Documents", "%H/docslink");
        row("data: ~/.config", "%H/.config");
        row("data: inside the cache", "%H/.cache/data");
        row("config: Documents", "%H/Documents");
        row("config: a link to Documents", "%H/docslink");
        row("config: the home", "%H");
        row("state: Documents", "%H/Documents");
        row("state: inside the cache", "%H/.cache/st");
        QTest::newRow("cache: unset, the default holds a user-dirs folder")
            << QByteArray() << QByteArray("XDG_DOCUMENTS_DIR=\"$HOME/.cache/docs\"\n");
        QTest::newRow("cache: unset, the default is a link to Documents")
            << QByteArray() << QByteArray();
    }
    void xdgVariablesLeadingToUserFolders() {
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, userDirs);
        const QString tag = QString::fromUtf8(QTest::currentDataTag());
        const QString variable = u"XDG_%1_HOME"_qs.arg(tag.left(tag.indexOf(u':')).toUpper());
        Attacked h;
        const QByteArray home = QFile::encodeName(h.home());
        fillDocuments(h, "work");
        fillDocuments(h, "media/music");
        fillDocuments(h, ".cache/docs");
        for (const char *file :
             {"media/other", ".ssh/id_ed25519", ".config/google-chrome/Default/Cookies",
              ".config/Trash/files/t", ".cache/data/Trash/files/t", ".cache/st/mole/keep"})
            h.file(file, 3000);
        h.symlink(h.at("Documents"), "docslink");
        h.symlink(".config", "configlink");
        if (!userDirs.isEmpty())
            h.text(".config/user-dirs.dirs", userDirs.replace("%H", home));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(variable, QFile::decodeName(value.replace("%H", home)));
        const bool unsafeDefault = value.isNull();
        if (unsafeDefault) {
            environment.remove(variable);
            if (userDirs.isEmpty()) {  // ~/.cache a link to the documents
                h.remove(".cache");
                h.symlink(h.at("Documents"), ".cache");
            }
        }
        h.file(".cache/junk/data", 9000);  // what the default cache folder holds
        // Everything but the default cache folder's contents and the plan's
        // folder must stay; all of it when the default is unsafe too.
        const auto survivors = [&] {
            QMap<QByteArray, QByteArray> print = FakeHome::fingerprint(home);
            print.removeIf([&](auto it) {
                return it.key().startsWith("/.local/state") ||
                       (!unsafeDefault && it.key().startsWith("/.cache"));
            });
            return print;
        };
        const QMap<QByteArray, QByteArray> before = survivors();
        for (const QStringList &command : {kDryRun, kClean}) {
            MoleRun result(command, {}, environment);
            QVERIFY(result.finish());
            QVERIFY2(result.errors.contains(variable.toUtf8() +
                                            (unsafeDefault ? " is not used either" : " ignored")),
                     result.errors.constData());
            QVERIFY2(!result.errors.contains(home), "the note repeats no path");
        }
        QCOMPARE(survivors(), before);
        if (!unsafeDefault && variable == u"XDG_CACHE_HOME"_qs)  // the default took its place
            QVERIFY(!h.has(".cache/junk"));
    }

    // Between the dry run and the clean, an entry of the plan is replaced:
    // by the user's documents, by a link to them, by a hard link to one of
    // them, or it is gone. Nothing of what took its place is touched, the
    // change is reported, and the other entries are still removed. A program
    // started meanwhile still uses its cache: that item is skipped.
    void swapsAfterTheDryRun_data() {
        QTest::addColumn<QByteArray>("swap");
        QTest::addColumn<QByteArray>("reported");
        const QByteArray changed = "changed since the scan";
        QTest::newRow("folder replaced by Documents") << QByteArray("documents") << changed;
        QTest::newRow("folder replaced by a link") << QByteArray("link") << changed;
        QTest::newRow("cache folder replaced by a link")
            << QByteArray("cache link") << QByteArray();
        QTest::newRow("file replaced by a hard link") << QByteArray("hard link") << changed;
        QTest::newRow("Trash entry replaced by a link") << QByteArray("trash link") << changed;
        QTest::newRow("browser cache replaced by Documents") << QByteArray("browser") << changed;
        QTest::newRow("folder gone")
            << QByteArray("gone") << QByteArray("~/.cache/app \xc2\xb7 already gone");
        const QByteArray running = " is running \xc2\xb7 cache skipped";
        QTest::newRow("program started: user cache")
            << QByteArray("run fakeapp .cache/fakeapp") << "\xe2\x9a\xa0 fakeapp" + running;
        QTest::newRow("program started: reverse-domain cache")
            << QByteArray("run fakeview .cache/org.example.Fakeview")
            << "\xe2\x9a\xa0 org.example.Fakeview" + running;
        QTest::newRow("program started: browser")
            << QByteArray("run firefox .cache/mozilla/cache2") << "\xe2\x9a\xa0 Firefox" + running;
    }
    void swapsAfterTheDryRun() {
        QFETCH(QByteArray, swap);
        QFETCH(QByteArray, reported);
        Attacked h;
        for (const char *file :
             {".cache/app/inner/data", ".cache/blob.bin", ".cache/mozilla/cache2/x",
              ".cache/plain/x", ".cache/fakeapp/x", ".cache/org.example.Fakeview/x"})
            h.file(file, 9000);
        h.trashed("old/x");
        QVERIFY(MoleRun(kDryRun).finish());
        QByteArray documents = h.at("Documents");
        const QMap<QByteArray, QByteArray> before = h.documents();
        const auto moveDocumentsTo = [&](const QByteArray &place) {
            QVERIFY(::rename(h.at(place).constData(), h.at(place + ".old").constData()) == 0);
            QVERIFY(::rename(documents.constData(), h.at(place).constData()) == 0);
            documents = h.at(place);
        };
        const QByteArray letter = documents + "/letter.txt";
        std::unique_ptr<RunningApp> program;
        if (swap.startsWith("run "))
            program = std::make_unique<RunningApp>(QString::fromUtf8(swap.split(' ')[1]));
        if (swap == "documents" || swap == "browser") {
            moveDocumentsTo(swap == "browser" ? ".cache/mozilla" : ".cache/app");
        } else if (swap == "link" || swap == "trash link" || swap == "gone") {
            const QByteArray place =
                swap == "trash link" ? ".local/share/Trash/files/old" : ".cache/app";
            h.remove(place);
            if (swap != "gone")
                h.symlink(documents, place);
        } else if (swap == "cache link") {
            QVERIFY(::rename(h.at(".cache").constData(), h.at(".cache-old").constData()) == 0);
            h.symlink(documents, ".cache");
        } else if (swap == "hard link") {
            QVERIFY(::unlink(h.at(".cache/blob.bin").constData()) == 0);
            QVERIFY(::link(letter.constData(), h.at(".cache/blob.bin").constData()) == 0);
        }
        MoleRun result(kClean);
        QVERIFY(result.finish());
        QCOMPARE(FakeHome::fingerprint(documents), before);
        QVERIFY2(result.output.contains(reported), result.output.constData());
        if (swap != "cache link")
            QVERIFY(!h.has(".cache/plain"));
        if (swap == "hard link")
            QVERIFY(h.has(".cache/blob.bin"));
        if (program)
            QVERIFY(h.has(swap.split(' ')[2] + "/x"));
    }

    // The folder is swapped for the user's documents after the engine
    // opened it and while it lists it (the engine is held inside that
    // system call). What it opened is emptied; the documents that took its
    // name are not, and its removal is reported as a failure.
    void swapWhileTheFolderIsBeingRemoved() {
        if (QStandardPaths::findExecutable(u"strace"_qs).isEmpty())
            QSKIP("needs strace to hold the engine inside a system call");
        Attacked h;
        h.file(".npm/_cacache/index/a", 9000);
        h.file(".npm/_cacache/content/b", 9000);
        QVERIFY(MoleRun(kDryRun).finish());
        const QMap<QByteArray, QByteArray> before = h.documents();
        // The first directory listing of a run without running-program
        // checks is that of the first item's folder, right after it was opened.
        MoleRun engine(kClean,
                       u"strace -f -qq -o /dev/null -e trace=getdents64 -e "
                       "inject=getdents64:delay_enter=1500000:when=1"_qs.split(u' '));
        QVERIFY(engine.waitFor("Developer caches\n"));
        QTest::qSleep(500);  // well inside the held listing
        QVERIFY(::rename(h.at(".npm/_cacache").constData(), h.at(".npm/moved").constData()) == 0);
        QVERIFY(::rename(h.at("Documents").constData(), h.at(".npm/_cacache").constData()) == 0);
        QVERIFY(engine.finish(30000));
        if (engine.errors.contains("ptrace"))
            QSKIP("strace cannot trace here");
        QCOMPARE(FakeHome::fingerprint(h.at(".npm/_cacache")), before);
        QVERIFY2(!h.has(".npm/moved/index/a"), engine.output.constData());
        QVERIFY2(
            engine.output.contains("~/.npm/_cacache \xc2\xb7 failed: moved during the removal"),
            engine.output.constData());
    }

    // A racing thread keeps swapping folders of the tree being removed for
    // links to the documents (and back). Whatever the timing, the links are
    // never followed.
    void racingSwapsToLinks() {
        Attacked h;
        const QByteArray documents = h.at("Documents");
        const QMap<QByteArray, QByteArray> before = h.documents();
        for (int round = 0; round < 12; ++round) {
            for (int d = 0; d < 8; ++d)
                for (int f = 0; f < 30; ++f)
                    h.file(".cache/app/d" + QByteArray::number(d) + "/s/f" + QByteArray::number(f),
                           500);
            QVERIFY(MoleRun(kDryRun).finish());
            std::atomic<bool> stop = false;
            std::thread racer([&] {
                for (unsigned turn = round; !stop;) {
                    ++turn;
                    const QByteArray place =
                        turn % 5 == 0 ? h.at(".cache/app")
                                      : h.at(".cache/app/d" + QByteArray::number(turn % 8) +
                                             (turn % 2 ? "/s" : ""));
                    const QByteArray aside = place + ".aside";
                    if (::rename(place.constData(), aside.constData()) != 0) {
                        std::this_thread::sleep_for(std::chrono::microseconds(100));
                        continue;
                    }
                    ::symlink(turn % 3 ? documents.constData() : "../../../Documents",
                              place.constData());
                    std::this_thread::sleep_for(std::chrono::microseconds(50 + turn % 200));
                    ::unlink(place.constData());
                    ::rename(aside.constData(), place.constData());
                }
            });
            const bool finished = MoleRun(kClean).finish();
            stop = true;
            racer.join();
            QVERIFY(finished);
            QCOMPARE(h.documents(), before);
            for (const char *left : {".cache/app", ".cache/app.aside"}) h.remove(left);
        }
    }

    // A plan that anyone but the user could have written, or that names
    // what no scan lists, is refused with its reason; the clean scans afresh
    // and the documents the plan names stay. So it does without a fresh
    // plan for this home.
    void tamperedPlansAreRefused_data() {
        QTest::addColumn<QByteArray>("tamper");
        QTest::addColumn<QByteArray>("reason");
        const auto row = [](const char *name, const char *tamper, const char *reason) {
            QTest::newRow(name) << QByteArray(tamper) << QByteArray(reason);
        };
        row("owned by nobody", "owner", "another user");
        row("world-writable", "0666", "others may change it");
        row("group-writable", "0620", "others may change it");
        row("a link to a plan", "link", "symbolic link");
        row("a FIFO", "fifo", "not a regular file");
        row("names Documents", "Documents", "never lists");
        row("names a file in Documents", "Documents/letter.txt", "never lists");
        row("names the home", "home", "never lists");
        row("names the cache folder", ".cache", "never lists");
        row("names ~/.ssh", ".ssh", "never lists");
        row("names the plan's folder", ".local/state/mole", "never lists");
        row("names a path outside the home", "outside", "never lists");
        row("climbs out of the home", "climb", "never lists");
        row("a Trash entry outside the Trash", "trash flag", "never lists");
        row("names Documents with a NUL after it", "nul", "never lists");
        row("none", "none", "");
        row("a day old", "old", "");
        row("made for another home", "another home", "");
        row("garbled", "garbled", "");
    }
    void tamperedPlansAreRefused() {
        QFETCH(QByteArray, tamper);
        QFETCH(QByteArray, reason);
        Attacked h;
        h.file(".ssh/id_ed25519", 400);
        h.file(".cache/app/data", 9000);
        const QByteArray home = QFile::encodeName(h.home());
        const QByteArray named = tamper == "home"         ? home
                                 : tamper == "outside"    ? h.canary() + "/folder"
                                 : tamper == "climb"      ? h.at(".cache/../Documents")
                                 : tamper == "trash flag" ? h.at(".cache/app")
                                 : tamper.startsWith('.') || tamper.startsWith("Documents/")
                                     ? h.at(tamper)
                                     : h.at("Documents");
        // Without a reason, only the header is wrong and the plan names nothing.
        const QByteArray header =
            "mole-clean-plan 2\nhome " + (tamper == "another home" ? "/elsewhere" : home) +
            "\ncreated " + QByteArray::number(tamper == "old" ? 1000 : qint64(::time(nullptr))) +
            "\n";
        const QByteArray plan = header + (tamper == "garbled" ? "section\n" : "") +
                                (reason.isEmpty() ? QByteArray()
                                                  : "section User%20caches\nitem 9000 victim\n" +
                                                        planTarget(named, tamper == "trash flag") +
                                                        (tamper == "nul" ? "%00x" : "") + "\n");
        const QByteArray file = h.at(".local/state/mole/clean-plan");
        h.folder(".local/state/mole");
        if (tamper == "fifo") {
            QVERIFY(::mkfifo(file.constData(), 0600) == 0);
        } else if (tamper == "link") {
            h.text("elsewhere-plan", plan);
            h.symlink(h.at("elsewhere-plan"), ".local/state/mole/clean-plan");
        } else if (tamper != "none") {
            h.text(".local/state/mole/clean-plan", plan);
            QVERIFY(::chmod(file.constData(),
                            tamper.startsWith('0') ? mode_t(tamper.toUInt(nullptr, 8)) : 0600) ==
                    0);
        }
        if (tamper == "owner")
            QVERIFY(::chown(file.constData(), 65534, 65534) == 0);
        const QMap<QByteArray, QByteArray> documents = h.documents(),
                                           ssh = FakeHome::fingerprint(h.at(".ssh"));
        MoleRun result(kClean);
        QVERIFY(result.finish(10000));
        QVERIFY2(reason.isEmpty() || (result.output.contains("Saved plan not used \xc2\xb7 ") &&
                                      result.output.contains(reason)),
                 result.output.constData());
        QCOMPARE(h.documents(), documents);
        QCOMPARE(FakeHome::fingerprint(h.at(".ssh")), ssh);
        QVERIFY(h.has(".local/state"));
        QVERIFY(!h.has(".cache/app"));  // the fresh scan's own finding
    }

    // A FIFO, socket or device wherever a command reads or writes a file
    // makes no command wait: each finishes within seconds.
    void specialFilesNeverStallACommand_data() {
        QTest::addColumn<QByteArray>("place");
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<QStringList>("command");
        QList<QStringList> commands = {kDryRun, kClean};
        for (const char *command : {"optimize --dry-run", "uninstall --list",
                                    "uninstall --dry-run notes", "status --json"})
            commands.append(QString::fromLatin1(command).split(u' '));
        for (const char *kind : {"fifo", "socket", "device"})
            for (const char *place :
                 {".local/share/Trash/directorysizes", ".local/state/mole/clean-plan",
                  ".local/state/mole/clean-plan.new", ".local/share/applications/evil.desktop",
                  ".local/share/applications/linked.desktop", ".config/autostart/evil.desktop",
                  ".config/autostart/notes.desktop", ".config/user-dirs.dirs", "core"})
                for (const QStringList &command : commands)
                    if (kind == QByteArray("fifo") || command.size() == 1 ||
                        command.contains(u"--list"_qs))
                        QTest::addRow("%s as %s, %s", kind, place, qPrintable(command.join(u' ')))
                            << QByteArray(place) << QByteArray(kind) << command;
    }
    void specialFilesNeverStallACommand() {
        QFETCH(QByteArray, place);
        QFETCH(QByteArray, kind);
        QFETCH(QStringList, command);
        Attacked h;
        h.file(".cache/app/data", 9000);
        h.trashed("old/x");
        h.program("apps/notes/bin/notes", 100);
        h.text(".local/share/applications/notes.desktop",
               "[Desktop Entry]\nType=Application\nName=Notes\nExec=" +
                   h.at("apps/notes/bin/notes") + "\n");
        for (const char *folder : {".local/state/mole", ".config/autostart"}) h.folder(folder);
        const QByteArray special = place.contains("linked") ? "special" : place;
        if (!makeSpecial(h.at(special), kind))
            QSKIP("cannot make such a file here");
        if (place.contains("linked"))
            h.symlink(h.at(special), place);
        QVERIFY2(MoleRun(command).finish(10000), "the command hung");
        if (!place.contains("state/mole"))  // the plan's own names are the engine's to replace
            QVERIFY(h.has(special));        // a special file is never removed in passing
        QVERIFY(h.has("Documents/letter.txt"));
    }

    // A stop mid-clean ends the run after the item in hand: the reader of
    // the report going away (an app that died leaves no orphan deleting on)
    // or SIGTERM (the app's Stop). No item is left half removed, the rest
    // stays, and a stopped run reports exactly what went and ends with its
    // total.
    void stopMidClean_data() {
        QTest::addColumn<QByteArray>("stop");
        QTest::newRow("reader gone before the start") << QByteArray("closed");
        QTest::newRow("reader gone after the first line") << QByteArray("reader");
        QTest::newRow("SIGTERM during a large item") << QByteArray("SIGTERM");
    }
    void stopMidClean() {
        QFETCH(QByteArray, stop);
        FakeHome h;
        const auto big = [](int i) { return ".cache/big" + QByteArray::number(i); };
        for (int i = 0; i < 3; ++i)
            for (int d = 0; d < 60; ++d)
                for (int f = 0; f < 60; ++f)
                    h.file(big(i) + "/d" + QByteArray::number(d) + "/f" + QByteArray::number(f),
                           100);
        QVERIFY(MoleRun(kDryRun).finish());
        QMap<QByteArray, QByteArray> whole[3];
        for (int i = 0; i < 3; ++i) whole[i] = FakeHome::fingerprint(h.at(big(i)));
        // The reader goes away: a pipe with no reader left, or `head` after one line.
        const QString reader =
            stop == "closed" ? u"f=$(mktemp -u) && mkfifo $f && exec 3<>$f 4>$f 3<&- && rm $f "
                               "|| exit 99; exec \"$0\" \"$@\" >&4 4>&-"_qs
                             : u"\"$0\" \"$@\" | head -n 1 >/dev/null; exit ${PIPESTATUS[0]}"_qs;
        MoleRun engine(
            kClean, stop == "SIGTERM" ? QStringList() : QStringList{u"bash"_qs, u"-c"_qs, reader});
        if (stop == "SIGTERM") {
            QVERIFY(engine.waitFor("\n"));  // the section line: the first item is under way
            engine.terminate();
        }
        QVERIFY(engine.finish(30000));
        int left = 0;
        for (int i = 0; i < 3; ++i) {
            left += h.has(big(i));
            QVERIFY(!h.has(big(i)) || FakeHome::fingerprint(h.at(big(i))) == whole[i]);
        }
        QVERIFY2(stop == "closed" ? left == 3 : left >= 2, engine.output.constData());
        QCOMPARE(engine.exitCode(), 1);  // the engine's own, not the shell's
        if (stop == "SIGTERM") {
            QCOMPARE(engine.output.count("\n\xe2\x9c\x93 big"), 3 - left);
            QVERIFY(engine.output.contains("Stopped"));
            QVERIFY(engine.output.trimmed().split('\n').last().startsWith("Space freed: "));
        }
    }

    // A tree far deeper than the descriptor limit (1,024 soft and hard, as
    // desktops set it) is measured and removed whole.
    void deepTreeUnderTheDescriptorLimit() {
        Attacked h;
        h.folder(".cache/deep");
        int fd = ::open(h.at(".cache/deep").constData(), O_RDONLY | O_DIRECTORY);
        for (int level = 0; level < 3000 && fd >= 0; ++level) {
            if (level % 100 == 0) {
                const int file = ::openat(fd, "f", O_WRONLY | O_CREAT, 0644);
                QVERIFY(::write(file, "data", 4) == 4);
                ::close(file);
            }
            QVERIFY(::mkdirat(fd, "d", 0755) == 0);
            const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = next;
        }
        QVERIFY(fd >= 0);
        ::close(fd);
        const QStringList limited = {u"prlimit"_qs, u"--nofile=1024"_qs, u"--"_qs};
        MoleRun dry(kDryRun, limited);
        QVERIFY(dry.finish());
        QVERIFY2(dry.output.contains("deep"), dry.output.constData());
        MoleRun clean(kClean, limited);
        QVERIFY(clean.finish());
        QVERIFY2(!h.has(".cache/deep"), clean.output.right(2000).constData());
        QVERIFY2(!clean.output.contains("\xe2\x9c\x97"), clean.output.right(2000).constData());
        QCOMPARE(clean.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestMoleHostile)
#include "tst_mole_hostile.moc"
