// The deleting commands in homes set up as an attacker (or an unlucky
// accident) would: XDG variables that point at the user's own folders,
// entries swapped while they are removed, tampered plans, special files
// wherever the engine reads, a reader that goes away, trees deeper than the
// descriptor limit. Each case has its own temporary home, a canary folder
// outside it, and fingerprints of everything that must survive.
#include "FakeHome.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <thread>

#include "EngineChild.h"
#include "EngineProcess.h"

namespace {

// Files outside the home that no command may touch.
class Canary {
public:
    Canary() {
        const QByteArray root = QFile::encodeName(m_dir.path());
        ::mkdir(root + "/folder", 0755);
        TestEnvironment::writeFile(m_dir.path() + u"/folder/precious.txt"_qs, "keep me");
        TestEnvironment::writeFile(m_dir.path() + u"/top.txt"_qs, "keep me too");
        m_print = FakeHome::fingerprint(root);
    }
    QByteArray path() const { return QFile::encodeName(m_dir.path()); }
    bool intact() const { return FakeHome::fingerprint(path()) == m_print; }

private:
    QTemporaryDir m_dir;
    QMap<QByteArray, QByteArray> m_print;
};

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

// A home holding the user's documents, beside a canary outside it.
struct Attacked : FakeHome {
    Canary canary;
    Attacked() { fillDocuments(*this); }
};

QProcessEnvironment environmentWith(const QList<QPair<QString, QString>> &variables) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto &[name, value] : variables) environment.insert(name, value);
    return environment;
}

EngineResult run(const QStringList &arguments,
                 const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                 int timeoutMs = 60000) {
    EngineChild::Options options;
    options.environment = environment;
    return runEngineChild(arguments, options, timeoutMs);
}

bool exists(const QByteArray &path) {
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

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
    // is ignored with a note, and the default folder is used instead.
    void xdgVariablesLeadingToUserFolders_data() {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QByteArray>("value");  // "%H" is the home
        QTest::addColumn<QByteArray>("userDirs");
        const QByteArray none;
        const QString cache = u"XDG_CACHE_HOME"_qs, data = u"XDG_DATA_HOME"_qs,
                      config = u"XDG_CONFIG_HOME"_qs, state = u"XDG_STATE_HOME"_qs;
        QTest::newRow("cache: a link to Documents") << cache << QByteArray("%H/docslink") << none;
        QTest::newRow("cache: a link to ~/.config") << cache << QByteArray("%H/configlink") << none;
        QTest::newRow("cache: below a link")
            << cache << QByteArray("%H/configlink/google-chrome") << none;
        QTest::newRow("cache: the home") << cache << QByteArray("%H") << none;
        QTest::newRow("cache: the home, spelt oddly") << cache << QByteArray("%H/./") << none;
        QTest::newRow("cache: Documents") << cache << QByteArray("%H/Documents") << none;
        QTest::newRow("cache: inside Documents") << cache << QByteArray("%H/Documents/app") << none;
        QTest::newRow("cache: climbing into Documents")
            << cache << QByteArray("%H/.cache/../Documents") << none;
        QTest::newRow("cache: relative") << cache << QByteArray("Documents") << none;
        QTest::newRow("cache: ~/.config") << cache << QByteArray("%H/.config") << none;
        QTest::newRow("cache: ~/.local, holding data and state")
            << cache << QByteArray("%H/.local") << none;
        QTest::newRow("cache: ~/.ssh") << cache << QByteArray("%H/.ssh") << none;
        QTest::newRow("cache: a user-dirs folder")
            << cache << QByteArray("%H/work") << QByteArray("XDG_DOCUMENTS_DIR=\"$HOME/work\"\n");
        QTest::newRow("cache: holding a user-dirs folder")
            << cache << QByteArray("%H/media")
            << QByteArray("# comment\nXDG_MUSIC_DIR=\"$HOME/media/music\"\n");
        QTest::newRow("cache: an absolute user-dirs folder")
            << cache << QByteArray("%H/work") << QByteArray("XDG_DOCUMENTS_DIR=\"%H/work\"\n");
        QTest::newRow("data: Documents") << data << QByteArray("%H/Documents") << none;
        QTest::newRow("data: a link to Documents") << data << QByteArray("%H/docslink") << none;
        QTest::newRow("data: ~/.config") << data << QByteArray("%H/.config") << none;
        QTest::newRow("data: inside the cache") << data << QByteArray("%H/.cache/data") << none;
        QTest::newRow("config: Documents") << config << QByteArray("%H/Documents") << none;
        QTest::newRow("config: a link to Documents") << config << QByteArray("%H/docslink") << none;
        QTest::newRow("config: the home") << config << QByteArray("%H") << none;
        QTest::newRow("state: Documents") << state << QByteArray("%H/Documents") << none;
        QTest::newRow("state: inside the cache") << state << QByteArray("%H/.cache/st") << none;
    }
    void xdgVariablesLeadingToUserFolders() {
        QFETCH(QString, variable);
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, userDirs);
        Attacked h;
        const QByteArray home = QFile::encodeName(h.home());
        fillDocuments(h, "work");
        fillDocuments(h, "media/music");
        h.file("media/other", 3000);
        h.file(".ssh/id_ed25519", 400);
        h.file(".config/google-chrome/Default/Cookies", 3000);
        h.file(".config/Trash/files/t", 3000);
        h.file(".cache/data/Trash/files/t", 3000);
        h.file(".cache/st/mole/keep", 3000);
        h.symlink(h.at("Documents"), "docslink");
        h.symlink(".config", "configlink");
        if (!userDirs.isEmpty())
            h.text(".config/user-dirs.dirs", userDirs.replace("%H", home));
        h.file(".cache/junk/data", 9000);  // what the default cache folder holds
        // Everything but the default cache folder's contents and the plan's
        // folder must stay.
        auto survivors = [&] {
            QMap<QByteArray, QByteArray> print = FakeHome::fingerprint(home);
            for (auto it = print.begin(); it != print.end();)
                it = it.key().startsWith("/.cache") || it.key().startsWith("/.local/state")
                         ? print.erase(it)
                         : std::next(it);
            return print;
        };
        const QMap<QByteArray, QByteArray> before = survivors();
        const QProcessEnvironment environment =
            environmentWith({{variable, QFile::decodeName(value.replace("%H", home))}});

        for (const QStringList &command :
             {QStringList{u"clean"_qs, u"--dry-run"_qs}, QStringList{u"clean"_qs}}) {
            const EngineResult result = run(command, environment);
            QVERIFY(result.finished);
            QVERIFY2(result.errors.contains(variable.toUtf8() + " ignored"),
                     result.errors.constData());
            QVERIFY2(!result.errors.contains(home), "the note repeats no path");
        }
        QCOMPARE(survivors(), before);
        QVERIFY(h.canary.intact());
        if (variable == u"XDG_CACHE_HOME"_qs)  // the default took its place
            QVERIFY(!h.has(".cache/junk"));
    }

    // When even the default folder would hold a user folder, the category
    // is left alone rather than emptied.
    void unsafeDefaultFolderIsSkipped_data() {
        QTest::addColumn<bool>("link");
        QTest::newRow("the default holds a user-dirs folder") << false;
        QTest::newRow("the default is a link to Documents") << true;
    }
    void unsafeDefaultFolderIsSkipped() {
        QFETCH(bool, link);
        Attacked h;
        if (link) {
            QVERIFY(::rmdir(h.at(".cache").constData()) == 0);
            h.file("Documents/junk/data", 9000);
            h.symlink(h.at("Documents"), ".cache");
        } else {
            fillDocuments(h, ".cache/docs");
            h.file(".cache/junk/data", 9000);
            h.text(".config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/.cache/docs\"\n");
        }
        const QMap<QByteArray, QByteArray> before = FakeHome::fingerprint(h.at(".cache/"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"XDG_CACHE_HOME"_qs);
        QVERIFY(run({u"clean"_qs, u"--dry-run"_qs}, environment).finished);
        const EngineResult result = run({u"clean"_qs}, environment);
        QVERIFY(result.errors.contains("XDG_CACHE_HOME is not used either"));
        QCOMPARE(FakeHome::fingerprint(h.at(".cache/")), before);
        QVERIFY(h.canary.intact());
    }

    // Between the dry run and the clean, an entry of the plan is replaced:
    // by the user's documents, by a link to them, by a hard link to one of
    // them. Nothing of what took its place is touched.
    void swapsAfterTheDryRun_data() {
        QTest::addColumn<QByteArray>("swap");
        QTest::newRow("folder replaced by Documents") << QByteArray("documents");
        QTest::newRow("folder replaced by a link") << QByteArray("link");
        QTest::newRow("cache folder replaced by a link") << QByteArray("cache link");
        QTest::newRow("file replaced by a hard link") << QByteArray("hard link");
        QTest::newRow("Trash entry replaced by a link") << QByteArray("trash link");
        QTest::newRow("browser cache replaced by Documents") << QByteArray("browser");
    }
    void swapsAfterTheDryRun() {
        QFETCH(QByteArray, swap);
        Attacked h;
        h.file(".cache/app/inner/data", 9000);
        h.file(".cache/blob.bin", 9000);
        h.file(".cache/mozilla/cache2/x", 9000);
        h.file(".local/share/Trash/files/old/x", 9000);
        h.text(".local/share/Trash/info/old.trashinfo", "[Trash Info]\nPath=/x/old\n");
        QVERIFY(run({u"clean"_qs, u"--dry-run"_qs}).finished);
        QByteArray documents = h.at("Documents");
        const QMap<QByteArray, QByteArray> before = FakeHome::fingerprint(documents);
        auto moveDocumentsTo = [&](const QByteArray &place) {
            QVERIFY(::rename(h.at(place).constData(), h.at(place + ".old").constData()) == 0);
            QVERIFY(::rename(documents.constData(), h.at(place).constData()) == 0);
            documents = h.at(place);
        };
        QByteArray letter = documents + "/letter.txt";
        if (swap == "documents") {
            moveDocumentsTo(".cache/app");
        } else if (swap == "browser") {
            moveDocumentsTo(".cache/mozilla");
        } else if (swap == "link") {
            h.remove(".cache/app");
            h.symlink(documents, ".cache/app");
        } else if (swap == "cache link") {
            QVERIFY(::rename(h.at(".cache").constData(), h.at(".cache-old").constData()) == 0);
            h.symlink(documents, ".cache");
        } else if (swap == "hard link") {
            QVERIFY(::unlink(h.at(".cache/blob.bin").constData()) == 0);
            QVERIFY(::link(letter.constData(), h.at(".cache/blob.bin").constData()) == 0);
        } else if (swap == "trash link") {
            h.remove(".local/share/Trash/files/old");
            h.symlink(documents, ".local/share/Trash/files/old");
        }
        const EngineResult result = run({u"clean"_qs});
        QVERIFY(result.finished);
        QCOMPARE(FakeHome::fingerprint(documents), before);
        QVERIFY(h.canary.intact());
        if (swap != "cache link")
            QVERIFY2(result.output.contains("changed since the scan"), result.output.constData());
        if (swap == "hard link")
            QVERIFY(h.has(".cache/blob.bin"));
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
        QVERIFY(run({u"clean"_qs, u"--dry-run"_qs}).finished);
        const QMap<QByteArray, QByteArray> before = FakeHome::fingerprint(h.at("Documents"));
        EngineChild::Options options;
        // The first directory listing of a run without running-program
        // checks is that of the first item's folder, right after it was opened.
        options.prefix =
            u"strace -f -qq -o /dev/null -e trace=getdents64 -e "
            "inject=getdents64:delay_enter=1500000:when=1"_qs.split(u' ');
        EngineChild engine({u"clean"_qs}, options);
        std::optional<QByteArray> line;
        while ((line = engine.readLine()) && !line->contains("Developer caches")) {
        }
        QVERIFY(line);
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
        QVERIFY(h.canary.intact());
    }

    // A racing thread keeps swapping folders of the tree being removed for
    // links to the documents (and back). Whatever the timing, the links are
    // never followed.
    void racingSwapsToLinks() {
        Attacked h;
        const QByteArray documents = h.at("Documents");
        const QMap<QByteArray, QByteArray> before = FakeHome::fingerprint(documents);
        for (int round = 0; round < 12; ++round) {
            for (int d = 0; d < 8; ++d)
                for (int f = 0; f < 30; ++f)
                    h.file(".cache/app/d" + QByteArray::number(d) + "/s/f" + QByteArray::number(f),
                           500);
            QVERIFY(run({u"clean"_qs, u"--dry-run"_qs}).finished);
            std::atomic<bool> stop = false;
            std::thread racer([&] {
                unsigned turn = round;
                while (!stop) {
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
            const EngineResult result = run({u"clean"_qs});
            stop = true;
            racer.join();
            QVERIFY(result.finished);
            QCOMPARE(FakeHome::fingerprint(documents), before);
            for (const char *left : {".cache/app", ".cache/app.aside"}) h.remove(left);
        }
        QVERIFY(h.canary.intact());
    }

    // A plan that anyone but the user could have written, or that names
    // what no scan lists, is refused with its reason; the clean scans afresh
    // and the documents the plan names stay.
    void tamperedPlansAreRefused_data() {
        QTest::addColumn<QByteArray>("tamper");
        QTest::addColumn<QByteArray>("reason");
        QTest::newRow("owned by nobody") << QByteArray("owner") << QByteArray("another user");
        QTest::newRow("world-writable") << QByteArray("0666") << QByteArray("others may change it");
        QTest::newRow("group-writable") << QByteArray("0620") << QByteArray("others may change it");
        QTest::newRow("a link to a plan") << QByteArray("link") << QByteArray("symbolic link");
        QTest::newRow("a FIFO") << QByteArray("fifo") << QByteArray("not a regular file");
        QTest::newRow("names Documents") << QByteArray("Documents") << QByteArray("never lists");
        QTest::newRow("names a file in Documents")
            << QByteArray("Documents/letter.txt") << QByteArray("never lists");
        QTest::newRow("names the home") << QByteArray("home") << QByteArray("never lists");
        QTest::newRow("names the cache folder")
            << QByteArray(".cache") << QByteArray("never lists");
        QTest::newRow("names ~/.ssh") << QByteArray(".ssh") << QByteArray("never lists");
        QTest::newRow("names the plan's folder")
            << QByteArray(".local/state/mole") << QByteArray("never lists");
        QTest::newRow("names a path outside the home")
            << QByteArray("outside") << QByteArray("never lists");
        QTest::newRow("climbs out of the home") << QByteArray("climb") << QByteArray("never lists");
        QTest::newRow("a Trash entry outside the Trash")
            << QByteArray("trash flag") << QByteArray("never lists");
        QTest::newRow("names Documents with a NUL after it")
            << QByteArray("nul") << QByteArray("never lists");
    }
    void tamperedPlansAreRefused() {
        QFETCH(QByteArray, tamper);
        QFETCH(QByteArray, reason);
        Attacked h;
        h.file(".ssh/id_ed25519", 400);
        h.file(".cache/app/data", 9000);
        const QByteArray home = QFile::encodeName(h.home());
        QByteArray named = h.at("Documents");
        if (tamper == "home")
            named = home;
        else if (tamper == "outside")
            named = h.canary.path() + "/folder";
        else if (tamper == "climb")
            named = h.at(".cache/../Documents");
        else if (tamper == "trash flag")
            named = h.at(".cache/app");
        else if (tamper.startsWith('.') || tamper.startsWith("Documents/"))
            named = h.at(tamper);
        QByteArray plan = "mole-clean-plan 2\nhome " + home + "\ncreated " +
                          QByteArray::number(qint64(::time(nullptr))) +
                          "\nsection User%20caches\nitem 9000 victim\n" +
                          planTarget(named, tamper == "trash flag") +
                          (tamper == "nul" ? "%00x" : "") + "\n";
        const QByteArray file = h.at(".local/state/mole/clean-plan");
        h.folder(".local/state/mole");
        if (tamper == "fifo") {
            QVERIFY(::mkfifo(file.constData(), 0600) == 0);
        } else if (tamper == "link") {
            h.text("elsewhere-plan", plan);
            h.symlink(h.at("elsewhere-plan"), ".local/state/mole/clean-plan");
        } else {
            h.text(".local/state/mole/clean-plan", plan);
            QVERIFY(::chmod(file.constData(), 0600) == 0);
        }
        if (tamper == "owner")
            QVERIFY(::chown(file.constData(), 65534, 65534) == 0);
        if (tamper.startsWith('0'))
            QVERIFY(::chmod(file.constData(), mode_t(tamper.toUInt(nullptr, 8))) == 0);
        const QMap<QByteArray, QByteArray> documents = FakeHome::fingerprint(h.at("Documents"));
        const QMap<QByteArray, QByteArray> ssh = FakeHome::fingerprint(h.at(".ssh"));

        const EngineResult result =
            run({u"clean"_qs}, QProcessEnvironment::systemEnvironment(), 10000);
        QVERIFY(result.finished);
        QVERIFY2(result.output.contains("Saved plan not used \xc2\xb7 ") &&
                     result.output.contains(reason),
                 result.output.constData());
        QCOMPARE(FakeHome::fingerprint(h.at("Documents")), documents);
        QCOMPARE(FakeHome::fingerprint(h.at(".ssh")), ssh);
        QVERIFY(h.has(".local/state"));
        QVERIFY(h.canary.intact());
        QVERIFY(!h.has(".cache/app"));  // the fresh scan's own finding
    }

    // A FIFO, socket or device wherever a command reads or writes a file
    // makes no command wait: each finishes within seconds.
    void specialFilesNeverStallACommand_data() {
        QTest::addColumn<QByteArray>("place");
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<QStringList>("command");
        const QList<QByteArray> places = {".local/share/Trash/directorysizes",
                                          ".local/state/mole/clean-plan",
                                          ".local/state/mole/clean-plan.new",
                                          ".local/share/applications/evil.desktop",
                                          ".local/share/applications/linked.desktop",
                                          ".config/autostart/evil.desktop",
                                          ".config/autostart/notes.desktop",
                                          ".config/user-dirs.dirs",
                                          "core"};
        const QList<QStringList> commands = {{u"clean"_qs, u"--dry-run"_qs},
                                             {u"clean"_qs},
                                             {u"optimize"_qs, u"--dry-run"_qs},
                                             {u"uninstall"_qs, u"--list"_qs},
                                             {u"uninstall"_qs, u"--dry-run"_qs, u"notes"_qs},
                                             {u"status"_qs, u"--json"_qs}};
        for (const QByteArray &kind :
             {QByteArray("fifo"), QByteArray("socket"), QByteArray("device")})
            for (const QByteArray &place : places)
                for (const QStringList &command : commands)
                    if (kind == "fifo" || command.size() == 1 || command.contains(u"--list"_qs))
                        QTest::addRow("%s as %s, %s", kind.constData(), place.constData(),
                                      qPrintable(command.join(u' ')))
                            << place << kind << command;
    }
    void specialFilesNeverStallACommand() {
        QFETCH(QByteArray, place);
        QFETCH(QByteArray, kind);
        QFETCH(QStringList, command);
        Attacked h;
        h.file(".cache/app/data", 9000);
        h.file(".local/share/Trash/files/old/x", 9000);
        h.text(".local/share/Trash/info/old.trashinfo", "[Trash Info]\nPath=/x/old\n");
        h.program("apps/notes/bin/notes", 100);
        h.text(".local/share/applications/notes.desktop",
               "[Desktop Entry]\nType=Application\nName=Notes\nExec=" +
                   h.at("apps/notes/bin/notes") + "\n");
        h.folder(".local/share/Trash");
        h.folder(".local/state/mole");
        h.folder(".config/autostart");
        h.folder(".local/share/applications");
        const QByteArray special = place.contains("linked") ? h.at("special") : h.at(place);
        if (!makeSpecial(special, kind))
            QSKIP("cannot make such a file here");
        if (place.contains("linked"))
            h.symlink(special, place);
        const EngineResult result = run(command, QProcessEnvironment::systemEnvironment(), 10000);
        QVERIFY2(result.finished && result.milliseconds < 10000, "the command hung");
        if (!place.contains("state/mole"))  // the plan's own names are the engine's to replace
            QVERIFY(exists(special));       // a special file is never removed in passing
        QVERIFY(h.has("Documents/letter.txt"));
        QVERIFY(h.canary.intact());
    }

    // Lines of Trash/directorysizes that name no entry of Trash/files (an
    // absolute path, one that climbs out, one with a slash) are dropped when
    // the file is tidied; lines of entries still there stay.
    void directorySizesNamingOtherPlaces() {
        FakeHome h;
        h.file(".local/share/Trash/files/old/x", 9000);
        h.text(".local/share/Trash/info/old.trashinfo", "[Trash Info]\nPath=/x/old\n");
        h.file("Documents/letter.txt", 100);
        QVERIFY(run({u"clean"_qs, u"--dry-run"_qs}).finished);
        h.file(".local/share/Trash/files/later/x", 9000);  // trashed after the dry run
        const QByteArray documents = h.at("Documents");
        h.text(".local/share/Trash/directorysizes",
               "9000 1 later\n9000 1 old\n9000 1 " + documents + "\n9000 1 " +
                   QByteArray(documents).replace("/", "%2F") + "\n9000 1 ..%2Ffiles%2Flater\n" +
                   "9000 1 ..\n9000 1 .\n9000 1 later%2F\n");
        QVERIFY(run({u"clean"_qs}).finished);
        QCOMPARE(
            TestEnvironment::readFile(QFile::decodeName(h.at(".local/share/Trash/directorysizes"))),
            QByteArray("9000 1 later\n"));
    }

    // A program started after the dry run still uses its cache: the clean
    // skips that item with the running note.
    void programStartedAfterTheDryRun_data() {
        QTest::addColumn<QByteArray>("cache");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QByteArray>("label");
        QTest::newRow("user cache")
            << QByteArray(".cache/fakeapp") << u"fakeapp"_qs << QByteArray("fakeapp");
        QTest::newRow("reverse-domain cache")
            << QByteArray(".cache/org.example.Fakeview") << u"fakeview"_qs
            << QByteArray("org.example.Fakeview");
        QTest::newRow("browser") << QByteArray(".cache/mozilla") << u"firefox"_qs
                                 << QByteArray("Firefox");
    }
    void programStartedAfterTheDryRun() {
        QFETCH(QByteArray, cache);
        QFETCH(QString, program);
        QFETCH(QByteArray, label);
        FakeHome h;
        h.file(cache + "/data", 9000);
        h.file(".cache/other/data", 9000);
        QVERIFY(run({u"clean"_qs, u"--dry-run"_qs}).finished);
        RunningApp running(program);
        const EngineResult result = run({u"clean"_qs});
        QVERIFY(h.has(cache + "/data"));
        QVERIFY(!h.has(".cache/other"));
        QVERIFY2(
            result.output.contains("\xe2\x9a\xa0 " + label + " is running \xc2\xb7 cache skipped"),
            result.output.constData());
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
        QVERIFY(run({u"clean"_qs, u"--dry-run"_qs}).finished);
        QMap<QByteArray, QByteArray> whole[3];
        for (int i = 0; i < 3; ++i) whole[i] = FakeHome::fingerprint(h.at(big(i)));
        EngineChild::Options options;
        options.outputClosed = stop == "closed";
        EngineChild engine({u"clean"_qs}, options);
        if (stop != "closed") {
            QVERIFY(engine.readLine());  // the section line: the first item is under way
            if (stop == "SIGTERM")
                ::kill(engine.pid, SIGTERM);
            else
                engine.closeOutput();
        }
        QVERIFY(engine.finish(30000));
        int left = 0;
        for (int i = 0; i < 3; ++i) {
            left += h.has(big(i));
            QVERIFY(!h.has(big(i)) || FakeHome::fingerprint(h.at(big(i))) == whole[i]);
        }
        QVERIFY2(stop == "closed" ? left == 3 : left >= 2, engine.output.constData());
        QVERIFY(engine.exitCode != 0);
        if (stop == "SIGTERM") {
            const QList<QByteArray> lines = engine.output.trimmed().split('\n');
            QCOMPARE(
                std::count_if(lines.begin(), lines.end(),
                              [](const QByteArray &l) { return l.startsWith("\xe2\x9c\x93 big"); }),
                3 - left);
            QVERIFY(engine.output.contains("Stopped"));
            QVERIFY(lines.last().startsWith("Space freed: "));
            QCOMPARE(engine.exitCode, 1);
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
        EngineChild::Options options;
        options.fileLimit = 1024;
        const EngineResult dry = runEngineChild({u"clean"_qs, u"--dry-run"_qs}, options);
        QVERIFY2(dry.output.contains("deep"), dry.output.constData());
        const EngineResult clean = runEngineChild({u"clean"_qs}, options);
        QVERIFY(clean.finished);
        QVERIFY2(!h.has(".cache/deep"), clean.output.right(2000).constData());
        QVERIFY2(!clean.output.contains("\xe2\x9c\x97"), clean.output.right(2000).constData());
        QCOMPARE(clean.exitCode, 0);
        QVERIFY(h.canary.intact());
    }
};

QTEST_GUILESS_MAIN(TestMoleHostile)
#include "tst_mole_hostile.moc"
