#include "EngineProcess.h"
#include "LoopMounts.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QJsonArray>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Names that reach the app intact through its line splitting and filters, as
// the UTF-8 they are; bytes that are not UTF-8 arrive as U+FFFD.
const QByteArray kAwkwardNames[] = {"line\nbreak",        "tab\t\"quoted\" \\",
                                    "bad \xff\xfe bytes", "para\xe2\x80\xa8graph",
                                    "Mole notes.txt",     "mo clean.sh"};
// Access times (older, newer) across leap days and centuries.
const std::pair<qint64, qint64> kAccessTimes[] = {{0, 1},
                                                  {951'700'000, 951'782'400},
                                                  {1'000'000'000, 1'700'006'399},
                                                  {4'107'542'399, 4'107'542'400}};

// A folder built with POSIX calls on byte names: they may not be valid UTF-8.
struct Tree {
    QTemporaryDir dir;
    QString path = dir.path();

    ~Tree() { QProcess::execute(u"rm"_qs, {u"-rf"_qs, dir.path()}); }  // Qt skips odd names
    QByteArray at(const QByteArray &name) const { return QFile::encodeName(path) + '/' + name; }
    void folder(const QByteArray &name) { QVERIFY2(::mkdir(at(name), 0755) == 0, name); }
    void link(const char *to, const char *name) { QCOMPARE(::link(at(to), at(name)), 0); }
    void symlink(const char *to, const char *name) { QCOMPARE(::symlink(to, at(name)), 0); }
    void file(const QByteArray &name, qsizetype bytes, qint64 accessed = -1) {
        const int fd = ::open(at(name), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY2(fd >= 0, name);
        QCOMPARE(::write(fd, QByteArray(bytes, 'x').constData(), size_t(bytes)), ssize_t(bytes));
        ::close(fd);
        const timespec times[2] = {{time_t(accessed), 0}, {0, UTIME_OMIT}};
        QVERIFY(accessed < 0 || ::utimensat(AT_FDCWD, at(name), times, 0) == 0);
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
    for (const auto &[threads, stats] :
         {std::pair{"1", "plain"}, {"2", "ring"}, {"5", "plain"}, {"32", "ring"}, {"32", ""}}) {
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
    Tree m_home;  // at the temporary home
    QJsonObject m_report;
    QTemporaryDir m_mountDir;
    LoopMounts m_mounts;
    QString m_mountsMissing;  // why the mounted layout could not be built

    // <dir>/root: a btrfs subvolume, with another mounted at home/ and one
    // created (not mounted) at home/ann/box; an ext4 image at data/, a
    // tmpfs at scratch/. Returns why it cannot be built, or nothing.
    QString buildMountedLayout() {
        const QString missing =
            LoopMounts::unavailable({u"mkfs.btrfs"_qs, u"mkfs.ext4"_qs, u"btrfs"_qs});
        if (!missing.isEmpty())
            return missing;
        LoopMounts &m = m_mounts;
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
            !m.mount(u"tmpfs"_qs, root + u"/scratch"_qs, {u"-t"_qs, u"tmpfs"_qs}))
            return u"cannot mount the images: "_qs + m.error();
        for (const char *file : {"home/ann/photo.bin", "home/ann/box/inside.bin", "data/x.bin",
                                 "scratch/y.bin", "etc/conf"})
            writeFile(root + u'/' + QString::fromLatin1(file), QByteArray(300'000, 'x'));
        return {};
    }

private Q_SLOTS:
    // One awkward home, analysed once: folders of many shapes and sizes,
    // sparse and empty files, deep nesting, links of both kinds, hard links
    // within and across folders, folders of 0 to 60 files (whose batches may
    // be stat'ed one way or the other in one walk), awkward names, set
    // access times, and things the cleaner or a person would look at.
    void initTestCase() {
        Tree &t = m_home;
        t.path = m_env.home();
        for (const char *folder : {"photos", "photos/raw", "sparse", "linked", "loops", "empty",
                                   "a", "b", "b/deep", "c", "z", "node_modules", "Documents"})
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
        t.link("linked/a", "linked/b");
        t.link("linked/a", "linked/c");
        // Links that would loop or escape if followed.
        for (const auto &[name, to] : {std::pair{"loops/up", ".."},
                                       {"loops/self", "self"},
                                       {"loops/usr", "/usr"},
                                       {"photos-link", "photos"}})
            t.symlink(to, name);
        t.file("loops/real", 5000);
        t.file("top.txt", 12'345, kAccessTimes[2].first);
        t.file("evil\x1b[2Jname", 50'000);
        t.file("disk.qcow2", 1000);
        for (const QByteArray &name : kAwkwardNames) t.file(name, 150'000);
        for (const auto &[older, newer] : kAccessTimes) {
            const QByteArray folder = "when " + QByteArray::number(newer);
            t.folder(folder);
            t.file(folder + "/old", 10, older);
            t.file(folder + "/new", 10, newer);
        }
        // Equal sizes in several folders, and one file linked from three.
        for (int i = 0; i < 8; ++i)
            t.file(QByteArray("abcz").mid(i % 4, 1) + "/tie" + QByteArray::number(i), 250'000);
        t.file("z/big", 1'000'000);
        t.link("z/big", "a/big");
        t.link("z/big", "c/big");
        for (int f = 0; f < 150; ++f) {
            const QByteArray folder = "b/deep/f" + QByteArray::number(f);
            t.folder(folder);
            for (int i = 0; i < f * 7 % 61; ++i)
                t.file(folder + "/" + QByteArray::number(i), (f + i) % 9 * 700);
        }
        t.link("b/deep/f1/0", "b/link");
        // Piped, the plain command prints the report too.
        m_report = engineReport({u"analyze"_qs, t.path});
        m_mountsMissing = buildMountedLayout();
    }

    // The folder's children, largest first, each and all together as du
    // measures them; links are never followed.
    void sizesAgreeWithDu_data() {
        QTest::addColumn<QString>("name");  // empty: the whole folder
        QTest::newRow("whole folder") << QString();
        for (const char *name : {"photos", "deep", "sparse", "linked", "loops", "empty", "b",
                                 "top.txt", "photos-link"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void sizesAgreeWithDu() {
        QFETCH(QString, name);
        qint64 size = m_report[u"total_size"_qs].toInteger(-1), previous = size;
        const QString path = m_home.path + u'/' + name;
        if (name.isEmpty()) {
            QCOMPARE(m_report[u"path"_qs].toString(), m_home.path);
            for (const QJsonValue &entry : m_report[u"entries"_qs].toArray()) {
                const QString child = entry[u"name"_qs].toString();
                QCOMPARE(entry[u"path"_qs].toString(), m_home.path + u'/' + child);
                const qint64 bytes = entry[u"size"_qs].toInteger(-1);  // -1 unless whole
                QVERIFY2(bytes >= 0 && bytes <= previous, qPrintable(child));
                previous = bytes;
            }
        } else {
            const QJsonObject entry = entryNamed(m_report, name);
            QCOMPARE(entry[u"is_dir"_qs].toBool(),
                     QFileInfo(path).isDir() && !QFileInfo(path).isSymLink());
            size = entry[u"size"_qs].toInteger();
        }
        const qint64 du = duBytes(path);
        QVERIFY2(qAbs(size - du) <= 4096, qPrintable(u"%1 against du %2"_qs.arg(size).arg(du)));
    }

    // Each awkward name arrives as itself, as an entry and among the largest files.
    void awkwardNames_data() {
        QTest::addColumn<QString>("name");
        for (const QByteArray &name : kAwkwardNames)
            QTest::newRow(name.toPercentEncoding(" \"\\")) << QString::fromUtf8(name);
    }
    void awkwardNames() {
        QFETCH(QString, name);
        const QJsonObject entry = entryNamed(m_report, name);
        QCOMPARE(entry[u"path"_qs].toString(), m_home.path + u'/' + name);
        QVERIFY(entry[u"size"_qs].toInteger() >= 150'000);
        QStringList large;
        for (const QJsonValue &file : m_report[u"large_files"_qs].toArray())
            large << file[u"name"_qs].toString();
        QVERIFY2(large.contains(name), qPrintable(large.join(u" | "_qs)));
    }

    // However many threads walk the home and whichever way they stat, the
    // report is the same. A file linked from three folders counts in one of
    // them only, and is listed at a path in that child. The 20 largest files
    // come biggest first, equal sizes by path.
    void sameReportEveryRun() {
        QCOMPARE(sameEveryWay(m_home.path), m_report);
        QStringList owners;
        for (const QString &child : {u"a"_qs, u"c"_qs, u"z"_qs})
            if (sizeOf(m_report, child) > 1'000'000)
                owners << child;
        QCOMPARE(owners.size(), 1);
        const QJsonArray large = m_report[u"large_files"_qs].toArray();
        QCOMPARE(large.size(), 20);
        QCOMPARE(large[0][u"path"_qs].toString(), m_home.path + u'/' + owners[0] + u"/big"_qs);
        QCOMPARE(large[0][u"is_dir"_qs].toBool(true), false);
        for (qsizetype i = 1; i < large.size(); ++i) {
            const qint64 size = large[i][u"size"_qs].toInteger();
            const qint64 before = large[i - 1][u"size"_qs].toInteger();
            QVERIFY2(size < before || (size == before && large[i - 1][u"path"_qs].toString() <
                                                             large[i][u"path"_qs].toString()),
                     qPrintable(large[i][u"path"_qs].toString()));
        }
    }

    // Access times as UTC dates; a folder shows the newest of the files inside.
    void lastAccess_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("seconds");
        for (const auto &[older, newer] : kAccessTimes)
            QTest::newRow(qPrintable(QString::number(newer))) << u"when %1"_qs.arg(newer) << newer;
        QTest::newRow("a file") << u"top.txt"_qs << kAccessTimes[2].first;
    }
    void lastAccess() {
        QFETCH(QString, name);
        QFETCH(qint64, seconds);
        QCOMPARE(entryNamed(m_report, name)[u"last_access"_qs].toString(),
                 QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate));
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
        QCOMPARE(::chmod(QFile::encodeName(t.path), 0755), 0);
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
        const QStringList prefix =  // as root, as nobody: root would read it anyway
            descriptors ? QStringList{u"prlimit"_qs, u"--nofile=%1"_qs.arg(descriptors), u"--"_qs}
                        : asNobody();
        if (!descriptors && prefix.isEmpty() && ::access(t.at("locked"), R_OK) == 0)
            QSKIP("permissions do not stop this user");
        const QJsonObject report = analyze(t.path, prefix);
        QCOMPARE(report[u"unreadable_folders"_qs].toInteger(), descriptors ? 0 : 1);
        if (descriptors) {
            QCOMPARE(report[u"total_size"_qs].toInteger(), duBytes(t.path));
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
    // made harmless.
    void tableAtATerminal() {
        const auto [exitCode, output] = runEngineAtTerminal({u"analyze"_qs, m_home.path});
        QCOMPARE(exitCode, 0);
        QVERIFY2(output.contains("photos/") && output.contains("%") &&
                     output.contains("evil?[2Jname") && !output.contains('\x1b') &&
                     !output.contains('{'),
                 output.constData());
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
        const QJsonObject entry = entryNamed(m_report, name);
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
        QTest::newRow("a link") << m_home.path + u"/photos-link"_qs;
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
