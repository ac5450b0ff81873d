#include "EngineProcess.h"
#include "LoopMounts.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QJsonArray>
#include <QTemporaryDir>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <memory>

namespace {

// A folder built with POSIX calls on byte names: they may not be valid UTF-8.
struct Tree {
    QTemporaryDir dir;
    QByteArray root = QFile::encodeName(dir.path());

    ~Tree() { QProcess::execute(u"rm"_qs, {u"-rf"_qs, dir.path()}); }  // Qt skips odd names
    QString path() const { return dir.path(); }
    QByteArray at(const QByteArray &name) const { return root + '/' + name; }
    void folder(const QByteArray &name) { QVERIFY2(::mkdir(at(name), 0755) == 0, name); }
    void hardLink(const char *to, const char *name) { QCOMPARE(::link(at(to), at(name)), 0); }
    void symlink(const char *to, const char *name) { QCOMPARE(::symlink(to, at(name)), 0); }
    void file(const QByteArray &name, qsizetype bytes) {
        const int fd = ::open(at(name), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY2(fd >= 0, name);
        QCOMPARE(::write(fd, QByteArray(bytes, 'x').constData(), size_t(bytes)), ssize_t(bytes));
        ::close(fd);
    }
};

QJsonObject analyze(const QString &path, const QStringList &prefix = {}) {
    return engineReport({u"analyze"_qs, u"--json"_qs, path}, prefix);
}

QJsonObject entryNamed(const QJsonObject &report, const QString &name) {
    for (const QJsonValue &entry : report[u"entries"_qs].toArray())
        if (entry[u"name"_qs].toString() == name)
            return entry.toObject();
    return {};
}

qint64 sizeOf(const QJsonObject &report, const QString &name) {
    return entryNamed(report, name)[u"size"_qs].toInteger(-1);
}

// The report of `path` walked by 1 to 32 threads, with each stat path forced
// and with the engine's own choice; empty unless all are the same.
QJsonObject sameEveryWay(const QString &path) {
    const auto restore = qScopeGuard([] {
        qunsetenv("MOLE_ANALYZE_THREADS");
        qunsetenv("MOLE_ANALYZE_STATS");
    });
    QJsonObject first;
    const std::pair<const char *, const char *> ways[] = {
        {"1", "plain"}, {"2", "ring"}, {"5", "plain"}, {"32", "ring"}, {"32", ""}};
    for (const auto &[threads, stats] : ways) {
        qputenv("MOLE_ANALYZE_THREADS", threads);
        qputenv("MOLE_ANALYZE_STATS", stats);
        const QJsonObject report = analyze(path);
        if (!first.isEmpty() && report != first) {
            qWarning("%s threads, stats '%s': another report", threads, stats);
            return {};
        }
        first = report;
    }
    return first;
}

}  // namespace

class TestMoleAnalyze : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    Tree m_tree;
    QJsonObject m_report, m_home;
    QTemporaryDir m_mountDir;
    std::unique_ptr<LoopMounts> m_mounts;
    QString m_mountsMissing;  // why the mounted layout could not be built

    // <dir>/root: a btrfs subvolume, with another mounted at home/ and one
    // created (not mounted) at home/ann/box; an ext4 image at data/, a
    // tmpfs at scratch/.
    void buildMountedLayout() {
        m_mountsMissing = LoopMounts::unavailable({u"mkfs.btrfs"_qs, u"mkfs.ext4"_qs, u"btrfs"_qs});
        if (!m_mountsMissing.isEmpty())
            return;
        m_mounts = std::make_unique<LoopMounts>();
        LoopMounts &m = *m_mounts;
        const QString dir = m_mountDir.path(), root = dir + u"/root"_qs;
        const QString btrfs = m.image(dir + u"/btrfs.img"_qs, 128, {u"mkfs.btrfs"_qs, u"-q"_qs});
        const QString ext4 = m.image(dir + u"/ext4.img"_qs, 16, {u"mkfs.ext4"_qs, u"-q"_qs});
        const auto subvolume = [&m](const QString &at) {
            return m.run(u"btrfs"_qs, {u"subvolume"_qs, u"create"_qs, at});
        };
        const auto mountSubvolume = [&](const QString &name, const QString &at) {
            return m.mount(btrfs, at, {u"-o"_qs, u"subvol="_qs + name});
        };
        if (btrfs.isEmpty() || ext4.isEmpty() || !m.mount(btrfs, dir + u"/top"_qs) ||
            !subvolume(dir + u"/top/root"_qs) || !subvolume(dir + u"/top/home"_qs) ||
            !mountSubvolume(u"root"_qs, root) || !mountSubvolume(u"home"_qs, root + u"/home"_qs) ||
            !QDir().mkpath(root + u"/home/ann"_qs) || !subvolume(root + u"/home/ann/box"_qs) ||
            !m.mount(ext4, root + u"/data"_qs) ||
            !m.mount(u"tmpfs"_qs, root + u"/scratch"_qs, {u"-t"_qs, u"tmpfs"_qs})) {
            m_mountsMissing = u"cannot mount the images: "_qs + m.error();
            return;
        }
        for (const char *file : {"home/ann/photo.bin", "home/ann/box/inside.bin", "data/x.bin",
                                 "scratch/y.bin", "etc/conf"})
            writeFile(root + u'/' + QString::fromLatin1(file), QByteArray(300'000, 'x'));
    }

private Q_SLOTS:
    // One awkward tree, analysed once: folders of many shapes and sizes,
    // sparse and empty files, deep nesting, links of both kinds. And a home.
    void initTestCase() {
        Tree &t = m_tree;
        for (const char *folder : {"photos", "photos/raw", "sparse", "linked", "loops", "empty"})
            t.folder(folder);
        for (int i = 0; i < 40; ++i)
            t.file("photos/" + QByteArray::number(i) + ".jpg", 3000 * i + 1);
        t.file("photos/raw/big.raw", 900'000);
        QByteArray deep = "deep";
        for (int level = 0; level <= 200; ++level, deep += "/d") {
            t.folder(deep);
            t.file(deep + "/f", 100);
        }
        t.file("sparse/hole.bin", 0);
        QCOMPARE(::truncate(t.at("sparse/hole.bin"), 50'000'000), 0);
        t.file("sparse/empty", 0);
        t.file("linked/a", 300'000);  // three names of one file: counted once
        t.hardLink("linked/a", "linked/b");
        t.hardLink("linked/a", "linked/c");
        // Links that would loop or escape if followed.
        for (const auto &[name, to] : {std::pair{"loops/up", ".."},
                                       {"loops/self", "self"},
                                       {"loops/usr", "/usr"},
                                       {"photos-link", "photos"}})
            t.symlink(to, name);
        t.file("loops/real", 5000);
        t.file("top.txt", 12'345);
        m_report = analyze(t.path());
        for (const QString &file :
             {u"node_modules/file"_qs, u"Documents/file"_qs, u".cache/thumb"_qs, u"disk.qcow2"_qs})
            writeFile(m_env.home() + u'/' + file, QByteArray(1000, 'x'));
        m_home = analyze(m_env.home());
    }

    void cleanupTestCase() { m_mounts.reset(); }

    // The folder's children, largest first, each and all together as du
    // measures them; links are never followed.
    void sizesAgreeWithDu_data() {
        QTest::addColumn<QString>("name");  // empty: the whole folder
        QTest::addColumn<bool>("isDir");
        QTest::newRow("whole folder") << QString() << true;
        for (const char *name : {"photos", "deep", "sparse", "linked", "loops", "empty"})
            QTest::newRow(name) << QString::fromLatin1(name) << true;
        QTest::newRow("top.txt") << u"top.txt"_qs << false;
        QTest::newRow("photos-link") << u"photos-link"_qs << false;
    }
    void sizesAgreeWithDu() {
        QFETCH(QString, name);
        QFETCH(bool, isDir);
        qint64 size = m_report[u"total_size"_qs].toInteger(-1), previous = size;
        if (name.isEmpty()) {
            QCOMPARE(m_report[u"path"_qs].toString(), m_tree.path());
            for (const QJsonValue &entry : m_report[u"entries"_qs].toArray()) {
                const QString child = entry[u"name"_qs].toString();
                QCOMPARE(entry[u"path"_qs].toString(), m_tree.path() + u'/' + child);
                const qint64 bytes = entry[u"size"_qs].toInteger(-1);  // -1 unless whole
                QVERIFY2(bytes >= 0 && bytes <= previous, qPrintable(child));
                previous = bytes;
            }
        } else {
            const QJsonObject entry = entryNamed(m_report, name);
            QCOMPARE(entry[u"is_dir"_qs].toBool(!isDir), isDir);
            size = entry[u"size"_qs].toInteger();
        }
        const qint64 du = duBytes(m_tree.path() + u'/' + name);
        QVERIFY2(qAbs(size - du) <= 4096, qPrintable(u"%1 against du %2"_qs.arg(size).arg(du)));
    }

    // Every name reaches the app intact through its line splitting and
    // filters, as the UTF-8 it is; bytes that are not UTF-8 arrive as U+FFFD.
    void awkwardNames_data() {
        QTest::addColumn<QByteArray>("name");  // a trailing slash makes a folder
        QTest::newRow("newline") << QByteArray("line\nbreak");
        QTest::newRow("tab, quotes") << QByteArray("tab\t\"quoted\" \\");
        QTest::newRow("not UTF-8") << QByteArray("bad \xff\xfe bytes");
        QTest::newRow("line separator") << QByteArray("para\xe2\x80\xa8graph");
        QTest::newRow("engine name") << QByteArray("Mole notes.txt");
        QTest::newRow("command") << QByteArray("mo clean.sh");
        QTest::newRow("engine folder") << QByteArray("Mole/");
    }
    void awkwardNames() {
        QFETCH(QByteArray, name);
        Tree t;
        const bool isDir = name.endsWith('/');
        const QString expected = QString::fromUtf8(isDir ? name.chopped(1) : name);
        if (isDir)
            t.folder(name);
        t.file(isDir ? name + "Mole inside" : name, 10'000);
        t.file("plain", 1);
        const QJsonObject report = analyze(t.path());
        QCOMPARE(report[u"entries"_qs].toArray().size(), 2);
        const QJsonObject entry = entryNamed(report, expected);
        QCOMPARE(entry[u"path"_qs].toString(), t.path() + u'/' + expected);
        QVERIFY(entry[u"size"_qs].toInteger() >= 10'000);
        if (!isDir)
            QCOMPARE(report[u"large_files"_qs][0][u"name"_qs].toString(), expected);
    }

    // Equal sizes, shared hard links and folders of 0 to 60 files (whose
    // batches may be stat'ed one way or the other in one walk): the same tree
    // gives the same report however many threads walk it and whichever way
    // it stats, and so does the awkward tree. A file linked from three
    // folders counts in one of them only, and is shown at a path in that
    // child. The 20 largest files come biggest first, with full paths.
    void sameReportEveryRun() {
        Tree t;
        const QByteArray folders[] = {"a", "b", "b/deep", "c", "z"};
        for (const QByteArray &folder : folders) t.folder(folder);
        QStringList tied;
        for (int i = 0; i < 30; ++i) {
            const QByteArray name = folders[i % 4] + "/tie" + QByteArray::number(i);
            t.file(name, 40'960);
            tied << t.path() + u'/' + QString::fromLatin1(name);
        }
        for (int f = 0; f < 150; ++f) {
            const QByteArray folder = "b/f" + QByteArray::number(f);
            t.folder(folder);
            for (int i = 0; i < f * 7 % 61; ++i)
                t.file(folder + "/" + QByteArray::number(i), (f + i) % 9 * 700);
            if (f % 9 == 1)
                t.hardLink(folder + "/0", "b/link" + QByteArray::number(f));
        }
        t.file("z/big", 500'000);
        t.hardLink("z/big", "a/big");
        t.hardLink("z/big", "c/big");
        QString owner;  // the first of a, c and z in the folder's listing
        DIR *listing = ::opendir(t.root);
        while (dirent *entry = ::readdir(listing))
            if (owner.isEmpty() && qstrlen(entry->d_name) == 1 && strchr("acz", entry->d_name[0]))
                owner = QString::fromLatin1(entry->d_name);
        ::closedir(listing);
        QCOMPARE(sameEveryWay(m_tree.path()), m_report);
        const QJsonObject report = sameEveryWay(t.path());
        QCOMPARE(report[u"total_size"_qs].toInteger(), duBytes(t.path()));
        const QJsonArray large = report[u"large_files"_qs].toArray();
        QCOMPARE(large.size(), 20);
        QCOMPARE(large[0][u"path"_qs].toString(), t.path() + u'/' + owner + u"/big"_qs);
        QCOMPARE(large[0][u"name"_qs].toString(), u"big"_qs);
        QCOMPARE(large[0][u"is_dir"_qs].toBool(true), false);
        for (const QString &child : {u"a"_qs, u"c"_qs, u"z"_qs})
            QCOMPARE(sizeOf(report, child) > 500'000, child == owner);
        tied.sort();
        for (qsizetype i = 1; i < large.size(); ++i)
            QCOMPARE(large[i][u"path"_qs].toString(), tied[i - 1]);
    }

    // Access times as UTC dates, across leap days and centuries; a folder
    // shows the newest of the files inside.
    void lastAccess_data() {
        QTest::addColumn<qint64>("older");
        QTest::addColumn<qint64>("newer");
        QTest::newRow("first second") << qint64(0) << qint64(1);
        QTest::newRow("leap day 2000") << qint64(951'700'000) << qint64(951'782'400);
        QTest::newRow("end of a day") << qint64(1'000'000'000) << qint64(1'700'006'399);
        QTest::newRow("2100, no leap day") << qint64(4'107'542'399) << qint64(4'107'542'400);
    }
    void lastAccess() {
        QFETCH(qint64, older);
        QFETCH(qint64, newer);
        Tree t;
        t.folder("folder");
        for (const auto &[name, seconds] :
             {std::pair{"folder/old", older}, {"folder/new", newer}, {"file", newer}}) {
            t.file(name, 10);
            const timespec times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
            QCOMPARE(::utimensat(AT_FDCWD, t.at(name), times, 0), 0);
        }
        const QJsonObject report = analyze(t.path());
        const QString expected =
            QDateTime::fromSecsSinceEpoch(newer, Qt::UTC).toString(Qt::ISODate);
        for (const QString &name : {u"folder"_qs, u"file"_qs})
            QCOMPARE(entryNamed(report, name)[u"last_access"_qs].toString(), expected);
    }

    // Folders the walk cannot open: one it may not read, or may list but not
    // enter, counts as itself only and is reported. With only a few file
    // descriptors allowed, a deep tree whose every level leaves a folder
    // waiting is still measured in full.
    void foldersHardToOpen_data() {
        QTest::addColumn<int>("mode");         // of the folder "locked"
        QTest::addColumn<int>("descriptors");  // 0: no limit
        QTest::newRow("cannot be listed") << 0 << 0;
        QTest::newRow("listed, not entered") << 0744 << 0;
        QTest::newRow("few descriptors") << 0755 << 40;
    }
    void foldersHardToOpen() {
        QFETCH(int, mode);
        QFETCH(int, descriptors);
        Tree t;
        QCOMPARE(::chmod(t.root, 0755), 0);
        QByteArray deep = "locked";
        for (int level = 0; level < 150; ++level, deep += "/d") {
            t.folder(deep);
            t.folder(deep + "/side");
            t.file(deep + "/side/f", 5000);
        }
        t.file("locked/secret", 500'000);
        t.file("open.txt", 20'000);
        QCOMPARE(::chmod(t.at("locked"), mode_t(mode)), 0);
        const auto restore = qScopeGuard([&] { ::chmod(t.at("locked"), 0755); });
        QStringList prefix = asNobody();  // root would read it anyway
        if (descriptors > 0)
            prefix = {u"prlimit"_qs, u"--nofile=%1"_qs.arg(descriptors), u"--"_qs};
        if (descriptors > 0 && QStandardPaths::findExecutable(u"prlimit"_qs).isEmpty())
            QSKIP("prlimit is not installed");
        if (descriptors == 0 && prefix.isEmpty() && ::access(t.at("locked"), R_OK) == 0)
            QSKIP("permissions do not stop this user");
        const QJsonObject report = analyze(t.path(), prefix);
        QCOMPARE(report[u"unreadable_folders"_qs].toInteger(), descriptors > 0 ? 0 : 1);
        if (descriptors > 0) {
            QCOMPARE(report[u"total_size"_qs].toInteger(), duBytes(t.path()));
        } else {
            const qint64 locked = sizeOf(report, u"locked"_qs);
            QVERIFY(locked >= 0 && locked <= 4096);
            QVERIFY(sizeOf(report, u"open.txt"_qs) >= 20'000);
        }
    }

    // Other file systems below the folder: btrfs subvolumes (mounted or
    // not) and local disk images are measured, kernel views left out.
    void mountedFileSystems_data() {
        QTest::addColumn<QString>("folder");  // below the layout's root
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("measured");
        QTest::newRow("btrfs subvolume mounted") << QString() << u"home"_qs << true;
        QTest::newRow("btrfs subvolume inside") << u"/home/ann"_qs << u"box"_qs << true;
        QTest::newRow("ext4 image") << QString() << u"data"_qs << true;
        QTest::newRow("plain folder") << QString() << u"etc"_qs << true;
        QTest::newRow("tmpfs") << QString() << u"scratch"_qs << false;
    }
    void mountedFileSystems() {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(bool, measured);
        if (!m_mounts && m_mountsMissing.isEmpty())
            buildMountedLayout();
        if (!m_mountsMissing.isEmpty())
            QSKIP(qPrintable(m_mountsMissing));
        const QString path = m_mountDir.path() + u"/root"_qs + folder;
        const QJsonObject report = analyze(path);
        const QJsonObject entry = entryNamed(report, name);
        QCOMPARE(!entry.isEmpty(), measured);
        if (measured)
            QCOMPARE(entry[u"size"_qs].toInteger(), duBytes(path + u'/' + name));
        else
            QVERIFY(report[u"total_size"_qs].toInteger() < duBytes(path));
    }

    // For a person at a terminal: a table of sizes and shares, with names
    // made harmless; piped, the same command prints the report.
    void tableAtATerminal() {
        Tree t;
        t.folder("photos");
        t.file("photos/a.jpg", 300'000);
        t.file("evil\x1b[2Jname", 50'000);
        const auto [exitCode, output] = runEngineAtTerminal({u"analyze"_qs, t.path()});
        QCOMPARE(exitCode, 0);
        QVERIFY2(output.contains("photos/") && output.contains("%") &&
                     output.contains("evil?[2Jname") && !output.contains('\x1b') &&
                     !output.contains('{'),
                 output.constData());
        QCOMPARE(engineReport({u"analyze"_qs, t.path()})[u"path"_qs].toString(), t.path());
    }

    // Folders the cleaner empties, and things worth a look, in the home.
    void flags_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("cleanable");
        QTest::addColumn<bool>("insight");
        QTest::newRow("cache") << u".cache"_qs << true << false;
        QTest::newRow("dependencies") << u"node_modules"_qs << false << true;
        QTest::newRow("disk image") << u"disk.qcow2"_qs << false << true;
        QTest::newRow("documents") << u"Documents"_qs << false << false;
    }
    void flags() {
        QFETCH(QString, name);
        QFETCH(bool, cleanable);
        QFETCH(bool, insight);
        const QJsonObject entry = entryNamed(m_home, name);
        QCOMPARE(entry[u"cleanable"_qs].toBool(!cleanable), cleanable);
        QCOMPARE(entry[u"insight"_qs].toBool(!insight), insight);
    }

    // One line of explanation, no report.
    void badPaths_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("relative") << u"relative/folder"_qs;
        QTest::newRow("empty") << QString();
        QTest::newRow("missing") << u"/no/such/folder/anywhere"_qs;
        QTest::newRow("a file") << u"/etc/hostname"_qs;
        QTest::newRow("a link") << m_tree.path() + u"/photos-link"_qs;
    }
    void badPaths() {
        QFETCH(QString, path);
        const auto [exitCode, output] = runEngine({u"analyze"_qs, u"--json"_qs, path});
        QVERIFY(exitCode > 0);
        const QStringList lines = appLines(output);
        QCOMPARE(lines.size(), 1);
        QVERIFY(!lines.first().contains(u'{'));
    }
};

QTEST_GUILESS_MAIN(TestMoleAnalyze)
#include "tst_mole_analyze.moc"
