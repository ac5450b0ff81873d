#include "FakeHome.h"
#include "LoopMounts.h"

#include <QDateTime>
#include <QJsonArray>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

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

}  // namespace

class TestMoleAnalyze : public QObject {
    Q_OBJECT
    FakeHome m_home;  // byte names: they may not be valid UTF-8
    const QString m_path = m_home.home();
    QJsonObject m_report;
    QTemporaryDir m_mountDir;
    const QString m_mountRoot = m_mountDir.path() + u"/root"_qs;
    LoopMounts m_mounts;
    QString m_mountsMissing;  // why the mounted layout could not be built
    QJsonObject m_mounted;    // its report

    // A btrfs subvolume with another mounted at home/ and one created (not
    // mounted) at box/; an ext4 image at data/, a tmpfs at scratch/. Returns
    // why it cannot be built, or nothing.
    QString buildMountedLayout() {
        const QString missing =
            LoopMounts::unavailable({u"mkfs.btrfs"_qs, u"mkfs.ext4"_qs, u"btrfs"_qs});
        if (!missing.isEmpty())
            return missing;
        LoopMounts &m = m_mounts;
        const QString dir = m_mountDir.path(), root = m_mountRoot;
        const QString btrfs = m.image(dir + u"/btrfs.img"_qs, 128, {u"mkfs.btrfs"_qs, u"-q"_qs});
        const QString ext4 = m.image(dir + u"/ext4.img"_qs, 16, {u"mkfs.ext4"_qs, u"-q"_qs});
        const auto subvolume = [&m](const QString &at) {
            return m.run({u"btrfs"_qs, u"subvolume"_qs, u"create"_qs, at});
        };
        if (btrfs.isEmpty() || ext4.isEmpty() || !m.mount(btrfs, dir + u"/top"_qs) ||
            !subvolume(dir + u"/top/root"_qs) || !subvolume(dir + u"/top/home"_qs) ||
            !m.mount(btrfs, root, {u"-o"_qs, u"subvol=root"_qs}) ||
            !m.mount(btrfs, root + u"/home"_qs, {u"-o"_qs, u"subvol=home"_qs}) ||
            !subvolume(root + u"/box"_qs) || !m.mount(ext4, root + u"/data"_qs) ||
            !m.mount(u"tmpfs"_qs, root + u"/scratch"_qs, {u"-t"_qs, u"tmpfs"_qs}))
            return u"cannot mount the images: "_qs + m.error();
        for (const char *file :
             {"home/photo.bin", "box/inside.bin", "data/x.bin", "scratch/y.bin", "etc/conf"})
            writeFile(root + u'/' + QString::fromLatin1(file), QByteArray(300'000, 'x'));
        m_mounted = analyze(root);
        return {};
    }

private Q_SLOTS:
    // One awkward home, analysed once: folders of many shapes and sizes,
    // sparse and empty files, deep nesting, links of both kinds, hard links
    // within and across folders, folders of 0 to 60 files (whose batches may
    // be stat'ed one way or the other in one walk), awkward names, set
    // access times, folders it may not open, and things the cleaner or a
    // person would look at.
    void initTestCase() {
        FakeHome &h = m_home;
        const auto hardLink = [&h](const char *to, const char *name) {
            QCOMPARE(::link(h.at(to), h.at(name)), 0);
        };
        const auto accessedAt = [&h](const QByteArray &name, qint64 seconds) {
            h.file(name, 10);
            const timespec times[2] = {{time_t(seconds), 0}, {0, UTIME_OMIT}};
            QCOMPARE(::utimensat(AT_FDCWD, h.at(name), times, 0), 0);
        };
        for (const char *folder : {"empty", "node_modules", "Documents"}) h.folder(folder);
        for (int i = 0; i < 40; ++i)
            h.file("photos/" + QByteArray::number(i) + ".jpg", 3000 * i + 1);
        h.file("photos/raw/big.raw", 900'000);
        QByteArray deep = "deep";
        for (int level = 0; level <= 200; ++level, deep += "/d")
            h.file(deep + "/side/f", 100);  // every level leaves a folder waiting
        h.file("sparse/hole.bin", 0);
        QCOMPARE(::truncate(h.at("sparse/hole.bin"), 50'000'000), 0);
        h.file("sparse/empty", 0);
        h.file("linked/a", 300'000);  // three names of one file: counted once
        hardLink("linked/a", "linked/b");
        hardLink("linked/a", "linked/c");
        // Links that would loop or escape if followed.
        h.symlink("..", "loops/up");
        h.symlink("self", "loops/self");
        h.symlink("/usr", "loops/usr");
        h.symlink("photos", "photos-link");
        h.file("loops/real", 5000);
        accessedAt("top.txt", kAccessTimes[2].first);
        h.file("disk.qcow2", 1000);
        for (const QByteArray &name : kAwkwardNames) h.file(name, 150'000);
        for (const auto &[older, newer] : kAccessTimes) {
            accessedAt("when " + QByteArray::number(newer) + "/old", older);
            accessedAt("when " + QByteArray::number(newer) + "/new", newer);
        }
        // Equal sizes in several folders, and one file linked from three.
        for (int i = 0; i < 8; ++i)
            h.file(QByteArray("abcz").mid(i % 4, 1) + "/tie" + QByteArray::number(i), 250'000);
        h.file("z/big", 1'000'000);
        hardLink("z/big", "a/big");
        hardLink("z/big", "c/big");
        for (int f = 0; f < 150; ++f) {
            const QByteArray folder = "b/f" + QByteArray::number(f);
            h.folder(folder);
            for (int i = 0; i < f * 7 % 61; ++i)
                h.file(folder + "/" + QByteArray::number(i), (f + i) % 9 * 700);
        }
        hardLink("b/f1/0", "b/link");
        for (const char *locked : {"unlistable/secret", "unsearchable/secret"})
            h.file(locked, 500'000);
        QCOMPARE(::chmod(h.at("unlistable"), 0), 0);
        QCOMPARE(::chmod(h.at("unsearchable"), 0744), 0);
        // Piped, the plain command prints the report too.
        m_report = engineReport({u"analyze"_qs, m_path});
        m_mountsMissing = buildMountedLayout();
    }
    void cleanupTestCase() {
        for (const char *locked : {"unlistable", "unsearchable"}) ::chmod(m_home.at(locked), 0755);
    }

    // First, before other cases resolve the home's links and so move their
    // access times: however many threads walk the home, whichever way they
    // stat and however few descriptors they have, the report is the same.
    void sameReportEveryWay_data() {
        QTest::addColumn<QString>("way");  // what the engine is started under
        for (const char *way : {"env MOLE_ANALYZE_THREADS=1 MOLE_ANALYZE_STATS=plain",
                                "env MOLE_ANALYZE_THREADS=2 MOLE_ANALYZE_STATS=ring",
                                "env MOLE_ANALYZE_THREADS=5 MOLE_ANALYZE_STATS=plain",
                                "env MOLE_ANALYZE_THREADS=32 MOLE_ANALYZE_STATS=ring",
                                "env MOLE_ANALYZE_THREADS=32", "prlimit --nofile=40 --"})
            QTest::newRow(way) << QString::fromLatin1(way);
    }
    void sameReportEveryWay() {
        QFETCH(QString, way);
        QCOMPARE(analyze(m_path, way.split(u' ')), m_report);
    }

    // The total is du's; the children come largest first. A file linked from
    // three folders counts in one of them only, and is listed at a path in
    // that child. The 20 largest files come biggest first, equal sizes by
    // path, awkward names among them.
    void sameReportEveryRun() {
        QCOMPARE(m_report[u"path"_qs].toString(), m_path);
        QVERIFY(qAbs(m_report[u"total_size"_qs].toInteger() - duBytes(m_path)) <= 4096);
        const auto bigger = [](const QJsonValue &a, const QJsonValue &b) {
            const qint64 x = a[u"size"_qs].toInteger(), y = b[u"size"_qs].toInteger();
            return x != y ? x > y : a[u"path"_qs].toString() < b[u"path"_qs].toString();
        };
        const QJsonArray entries = m_report[u"entries"_qs].toArray();
        const QJsonArray files = m_report[u"large_files"_qs].toArray();
        QVERIFY(std::is_sorted(entries.begin(), entries.end(), bigger));
        QVERIFY(std::is_sorted(files.begin(), files.end(), bigger));
        QStringList owners, large;
        for (const QString &child : {u"a"_qs, u"c"_qs, u"z"_qs})
            if (sizeOf(m_report, child) > 1'000'000)
                owners << child;
        QCOMPARE(owners.size(), 1);
        for (const QJsonValue &file : files) large << file[u"path"_qs].toString();
        QCOMPARE(large.size(), 20);
        QCOMPARE(large.filter(QRegularExpression(u"/(linked/.|big)$"_qs)),
                 (QStringList{m_path + u'/' + owners[0] + u"/big"_qs, m_path + u"/linked/a"_qs}));
        for (const QByteArray &name : kAwkwardNames)
            QVERIFY(large.contains(m_path + u'/' + QString::fromUtf8(name)));
    }

    // Each child as the app receives it: its name and path intact, a real
    // folder or not, its size as du measures it (links are never followed),
    // the newest access time of the files inside as a UTC date, and the flags
    // for what the cleaner empties and what is worth a look.
    void entries_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("accessed");  // -1: not checked
        QTest::addColumn<bool>("cleanable");
        QTest::addColumn<bool>("insight");
        const auto row = [](const QString &name, qint64 accessed = -1, bool cleanable = false,
                            bool insight = false) {
            QTest::newRow(name.toUtf8().toPercentEncoding(" .-"))
                << name << accessed << cleanable << insight;
        };
        for (const char *name : {"photos", "deep", "sparse", "linked", "loops", "empty", "b",
                                 "photos-link", "Documents"})
            row(QString::fromLatin1(name));
        row(u".cache"_qs, -1, true);
        row(u"node_modules"_qs, -1, false, true);
        row(u"disk.qcow2"_qs, -1, false, true);
        row(u"top.txt"_qs, kAccessTimes[2].first);
        for (const auto &[older, newer] : kAccessTimes) row(u"when %1"_qs.arg(newer), newer);
        for (const QByteArray &name : kAwkwardNames) row(QString::fromUtf8(name));
    }
    void entries() {
        QFETCH(QString, name);
        QFETCH(qint64, accessed);
        QFETCH(bool, cleanable);
        QFETCH(bool, insight);
        const QJsonObject entry = entryNamed(m_report, name);
        const QString path = m_path + u'/' + name;
        const QFileInfo file(path);
        QCOMPARE(entry[u"path"_qs].toString(), path);
        QCOMPARE(entry[u"is_dir"_qs].toBool(!file.isDir()), file.isDir() && !file.isSymLink());
        // A name that is not UTF-8 cannot be reached by its shown path.
        const qint64 size = entry[u"size"_qs].toInteger(),
                     du = file.exists() ? duBytes(path) : 150'000;
        QVERIFY2(qAbs(size - du) <= 4096, qPrintable(u"%1 against du %2"_qs.arg(size).arg(du)));
        if (accessed >= 0)
            QCOMPARE(entry[u"last_access"_qs].toString(),
                     QDateTime::fromSecsSinceEpoch(accessed, Qt::UTC).toString(Qt::ISODate));
        QCOMPARE(entry[u"cleanable"_qs].toBool(!cleanable), cleanable);
        QCOMPARE(entry[u"insight"_qs].toBool(!insight), insight);
    }

    // A folder the walk may not list, or may list but not enter, counts as
    // itself only and is reported.
    void foldersHardToOpen() {
        const QStringList nobody = asNobody();  // root would read them anyway
        if (::geteuid() == 0 && nobody.isEmpty())
            QSKIP("cannot run as another user than root");
        m_home.openToOthers();
        const QJsonObject report = analyze(m_path, nobody);
        QCOMPARE(report[u"unreadable_folders"_qs].toInteger(), 2);
        for (const QString &locked : {u"unlistable"_qs, u"unsearchable"_qs})
            QVERIFY(sizeOf(report, locked) >= 0 && sizeOf(report, locked) <= 4096);
    }

    // Other file systems below the folder: btrfs subvolumes (mounted or
    // not) and local disk images are measured, kernel views left out.
    void mountedFileSystems_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("measured");
        QTest::newRow("btrfs subvolume mounted") << u"home"_qs << true;
        QTest::newRow("btrfs subvolume inside") << u"box"_qs << true;
        QTest::newRow("ext4 image") << u"data"_qs << true;
        QTest::newRow("plain folder") << u"etc"_qs << true;
        QTest::newRow("tmpfs") << u"scratch"_qs << false;
    }
    void mountedFileSystems() {
        QFETCH(QString, name);
        QFETCH(bool, measured);
        if (!m_mountsMissing.isEmpty())
            QSKIP(qPrintable(m_mountsMissing));
        const QJsonObject entry = entryNamed(m_mounted, name);
        QCOMPARE(!entry.isEmpty(), measured);
        if (measured)
            QCOMPARE(entry[u"size"_qs].toInteger(), duBytes(m_mountRoot + u'/' + name));
        else
            QVERIFY(m_mounted[u"total_size"_qs].toInteger() < duBytes(m_mountRoot));
    }
};

QTEST_GUILESS_MAIN(TestMoleAnalyze)
#include "tst_mole_analyze.moc"
