#include "EngineProcess.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Byte names are written with POSIX calls: they may not be valid UTF-8.
void writeFile(const QByteArray &path, qsizetype bytes) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY2(fd >= 0, path.constData());
    const QByteArray data(bytes, 'x');
    QCOMPARE(::write(fd, data.constData(), size_t(data.size())), ssize_t(data.size()));
    ::close(fd);
}

void makeDir(const QByteArray &path) {
    QVERIFY2(::mkdir(path.constData(), 0755) == 0, path.constData());
}

void makeHardLink(const QByteArray &target, const QByteArray &path) {
    QVERIFY2(::link(target.constData(), path.constData()) == 0, path.constData());
}

void makeSymlink(const QByteArray &target, const QByteArray &path) {
    QVERIFY2(::symlink(target.constData(), path.constData()) == 0, path.constData());
}

// Runs the analysis as the app does and decodes the one report line, after
// checking that the app's line filters leave the output whole.
QJsonObject analyze(const QString &path) {
    const EngineResult result = runEngine({u"analyze"_qs, u"--json"_qs, path});
    if (!result.finished || result.exitCode != 0) {
        QTest::qFail("the analysis failed", __FILE__, __LINE__);
        return {};
    }
    const QStringList lines = appLines(result.output);
    if (lines.size() != 1 || !survivesAppFilters(lines.first())) {
        QTest::qFail("the report is not one line the app keeps", __FILE__, __LINE__);
        return {};
    }
    return parseObject(lines.first());
}

QJsonObject entryNamed(const QJsonObject &report, const QString &name) {
    for (const QJsonValue &entry : report[u"entries"_qs].toArray())
        if (entry[u"name"_qs].toString() == name)
            return entry.toObject();
    return {};
}

qint64 sumOfEntries(const QJsonObject &report) {
    qint64 sum = 0;
    for (const QJsonValue &entry : report[u"entries"_qs].toArray())
        sum += entry[u"size"_qs].toInteger();
    return sum;
}

}  // namespace

class TestMoleAnalyze : public QObject {
    Q_OBJECT

private:
    TestEnvironment m_env;
    QTemporaryDir m_tree;
    QByteArray m_root;
    QJsonObject m_report;

    QByteArray at(const char *relative) const { return m_root + '/' + relative; }

private Q_SLOTS:
    // One awkward tree, analysed once: folders of many shapes and sizes,
    // sparse and empty files, deep nesting, links of both kinds, odd names.
    void initTestCase() {
        QVERIFY(m_tree.isValid());
        m_root = QFile::encodeName(m_tree.path());

        makeDir(at("photos"));
        for (int i = 0; i < 40; ++i)
            writeFile(at("photos/") + QByteArray::number(i) + ".jpg", 3000 * i + 1);
        makeDir(at("photos/raw"));
        writeFile(at("photos/raw/big.raw"), 900'000);

        makeDir(at("deep"));
        QByteArray deep = at("deep");
        for (int level = 0; level < 200; ++level) {
            deep += "/d";
            makeDir(deep);
            writeFile(deep + "/f", 100);
        }

        makeDir(at("sparse"));
        const int fd = ::open(at("sparse/hole.bin").constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::ftruncate(fd, 50'000'000), 0);
        ::close(fd);
        writeFile(at("sparse/empty"), 0);

        makeDir(at("linked"));  // three names of one file: counted once
        writeFile(at("linked/a"), 300'000);
        makeHardLink(at("linked/a"), at("linked/b"));
        makeHardLink(at("linked/a"), at("linked/c"));

        makeDir(at("loops"));  // links that would loop or escape if followed
        makeSymlink("..", at("loops/up"));
        makeSymlink("self", at("loops/self"));
        makeSymlink("/usr", at("loops/usr"));
        writeFile(at("loops/real"), 5000);
        makeSymlink("photos", at("photos-link"));

        makeDir(at("empty"));
        writeFile(at("top.txt"), 12'345);

        m_report = analyze(m_tree.path());
        QVERIFY(!m_report.isEmpty());
    }

    void reportShape() {
        QCOMPARE(m_report[u"path"_qs].toString(), m_tree.path());
        QVERIFY(m_report[u"entries"_qs].isArray());
        QVERIFY(m_report[u"large_files"_qs].isArray());
        QVERIFY(m_report[u"total_size"_qs].isDouble());
        for (const QJsonValue &value : m_report[u"entries"_qs].toArray()) {
            const QJsonObject entry = value.toObject();
            QVERIFY(entry[u"name"_qs].isString());
            QCOMPARE(entry[u"path"_qs].toString(),
                     m_tree.path() + u'/' + entry[u"name"_qs].toString());
            const QJsonValue size = entry[u"size"_qs];
            QVERIFY(size.isDouble() && size.toDouble() == double(size.toInteger()) &&
                    size.toInteger() >= 0);
            QVERIFY(entry[u"is_dir"_qs].isBool());
            QVERIFY(entry[u"cleanable"_qs].isBool());
            QVERIFY(entry[u"insight"_qs].isBool());
            QVERIFY(!entry.contains(u"last_access"_qs) || entry[u"last_access"_qs].isString());
        }
    }

    void entriesLargestFirst() {
        qint64 previous = std::numeric_limits<qint64>::max();
        for (const QJsonValue &entry : m_report[u"entries"_qs].toArray()) {
            QVERIFY(entry[u"size"_qs].toInteger() <= previous);
            previous = entry[u"size"_qs].toInteger();
        }
    }

    void sizesAgreeWithDu_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isDir");
        for (const char *name : {"photos", "deep", "sparse", "linked", "loops", "empty"})
            QTest::newRow(name) << QString::fromLatin1(name) << true;
        QTest::newRow("top.txt") << u"top.txt"_qs << false;
        QTest::newRow("photos-link") << u"photos-link"_qs << false;
    }
    void sizesAgreeWithDu() {
        QFETCH(QString, name);
        QFETCH(bool, isDir);
        const QJsonObject entry = entryNamed(m_report, name);
        QVERIFY2(!entry.isEmpty(), qPrintable(name));
        QCOMPARE(entry[u"is_dir"_qs].toBool(), isDir);
        const qint64 du = duBytes(m_tree.path() + u'/' + name);
        QVERIFY2(
            qAbs(entry[u"size"_qs].toInteger() - du) <= 4096,
            qPrintable(
                u"%1: %2 against du %3"_qs.arg(name).arg(entry[u"size"_qs].toInteger()).arg(du)));
    }

    void totalIsTheFolderAndItsEntries() {
        const qint64 total = m_report[u"total_size"_qs].toInteger();
        QVERIFY(qAbs(total - duBytes(m_tree.path())) <= 4096);
        QVERIFY(total >= sumOfEntries(m_report));
    }

    // A file linked from two folders is counted in one of them only, so the
    // children add up to what du counts for the whole tree.
    void hardLinksAcrossFoldersCountOnce() {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        makeDir(root + "/one");
        makeDir(root + "/two");
        writeFile(root + "/one/movie.mkv", 2'000'000);
        makeHardLink(root + "/one/movie.mkv", root + "/two/movie.mkv");
        const QJsonObject report = analyze(dir.path());
        const qint64 one = entryNamed(report, u"one"_qs)[u"size"_qs].toInteger();
        const qint64 two = entryNamed(report, u"two"_qs)[u"size"_qs].toInteger();
        QVERIFY(qMax(one, two) >= 2'000'000);
        QVERIFY(qMin(one, two) < 100'000);
        QVERIFY(qAbs(report[u"total_size"_qs].toInteger() - duBytes(dir.path())) <= 4096);
    }

    void largestFilesBiggestFirst() {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        QByteArray folder = root;
        for (int i = 1; i <= 25; ++i) {
            if (i % 5 == 0) {
                folder += "/sub" + QByteArray::number(i);
                makeDir(folder);
            }
            writeFile(folder + "/file" + QByteArray::number(i), i * 40'960);
        }
        const QJsonArray large = analyze(dir.path())[u"large_files"_qs].toArray();
        QCOMPARE(large.size(), 20);
        QCOMPARE(large.first()[u"name"_qs].toString(), u"file25"_qs);
        QCOMPARE(large.first()[u"path"_qs].toString(), QFile::decodeName(folder + "/file25"));
        QCOMPARE(large.last()[u"name"_qs].toString(), u"file6"_qs);
        for (qsizetype i = 1; i < large.size(); ++i) {
            QVERIFY(large[i][u"size"_qs].toInteger() <= large[i - 1][u"size"_qs].toInteger());
            QCOMPARE(large[i][u"is_dir"_qs].toBool(), false);
        }
    }

    // Every name reaches the app intact through its line splitting and
    // filters; bytes that are not UTF-8 arrive as U+FFFD.
    void awkwardNames_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("isDir");
        const auto row = [](const char *label, const QByteArray &name, const QString &expected,
                            bool isDir) { QTest::newRow(label) << name << expected << isDir; };
        row("spaces", "with  spaces ", u"with  spaces "_qs, false);
        row("newline", "line\nbreak", u"line\nbreak"_qs, false);
        row("carriage return", "carriage\rreturn", u"carriage\rreturn"_qs, false);
        row("tab and quotes", "tab\t\"quoted\" \\", u"tab\t\"quoted\" \\"_qs, false);
        row("not UTF-8", "bad \xff\xfe bytes", u"bad \uFFFD\uFFFD bytes"_qs, false);
        row("line separator", "para\xe2\x80\xa8graph", u"para\u2028graph"_qs, false);
        row("next line", "next\xc2\x85line", u"next\u0085line"_qs, false);
        row("emoji", "smile \xf0\x9f\x98\x80", u"smile \U0001F600"_qs, false);
        row("engine name", "Mole notes.txt", u"Mole notes.txt"_qs, false);
        row("command phrase", "mo clean.sh", u"mo clean.sh"_qs, false);
        row("other command", "run mo analyze now", u"run mo analyze now"_qs, false);
        row("engine folder", "Mole", u"Mole"_qs, true);
    }
    void awkwardNames() {
        QFETCH(QByteArray, name);
        QFETCH(QString, expected);
        QFETCH(bool, isDir);
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.path()) + '/' + name;
        if (isDir) {
            makeDir(path);
            writeFile(path + "/Mole inside", 10'000);
        } else {
            writeFile(path, 10'000);
        }
        writeFile(QFile::encodeName(dir.path()) + "/plain", 1);
        // Qt cannot name bytes that are not UTF-8, so remove them here.
        const auto removeOddName = qScopeGuard([&] {
            ::unlink((path + "/Mole inside").constData());
            ::rmdir(path.constData());
            ::unlink(path.constData());
        });
        const QJsonObject report = analyze(dir.path());
        QCOMPARE(report[u"entries"_qs].toArray().size(), 2);
        const QJsonObject entry = entryNamed(report, expected);
        QVERIFY2(!entry.isEmpty(), "the entry is missing");
        QCOMPARE(entry[u"path"_qs].toString(), dir.path() + u'/' + expected);
        QVERIFY(entry[u"size"_qs].toInteger() >= 10'000);
        if (!isDir) {
            const QJsonArray large = report[u"large_files"_qs].toArray();
            QVERIFY(!large.isEmpty());
            QCOMPARE(large.first()[u"name"_qs].toString(), expected);
        }
    }

    // Root reads everything, so there the engine runs as "nobody".
    void unreadableFoldersAreSkipped() {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path());
        QCOMPARE(::chmod(root.constData(), 0755), 0);
        makeDir(root + "/locked");
        writeFile(root + "/locked/secret", 500'000);
        writeFile(root + "/open.txt", 20'000);
        QCOMPARE(::chmod((root + "/locked").constData(), 0), 0);
        const auto restore = qScopeGuard([&] { ::chmod((root + "/locked").constData(), 0755); });
        const QStringList prefix = asNobody();
        if (prefix.isEmpty() && ::access((root + "/locked").constData(), R_OK) == 0)
            QSKIP("permissions do not stop this user");
        const EngineResult result = runEngineAs(prefix, {u"analyze"_qs, u"--json"_qs, dir.path()});
        QCOMPARE(result.exitCode, 0);
        const QJsonObject report = parseObject(appLines(result.output).value(0));
        const QJsonObject locked = entryNamed(report, u"locked"_qs);
        QVERIFY(!locked.isEmpty());
        QVERIFY(locked[u"size"_qs].toInteger() <= 4096);  // only the folder itself
        QVERIFY(entryNamed(report, u"open.txt"_qs)[u"size"_qs].toInteger() >= 20'000);
        QCOMPARE(report[u"unreadable_folders"_qs].toInteger(), 1);
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
        const QByteArray home = QFile::encodeName(m_env.home());
        for (const char *folder : {"node_modules", "Documents"}) {
            QDir().mkpath(QFile::decodeName(home + '/' + folder));
            writeFile(home + '/' + folder + "/file", 1000);
        }
        writeFile(home + "/.cache/thumb", 1000);
        writeFile(home + "/disk.qcow2", 1000);
        const QJsonObject entry = entryNamed(analyze(m_env.home()), name);
        QVERIFY(!entry.isEmpty());
        QCOMPARE(entry[u"cleanable"_qs].toBool(), cleanable);
        QCOMPARE(entry[u"insight"_qs].toBool(), insight);
    }

    // /dev holds mount points of kernel file systems (devpts, a tmpfs for
    // shared memory): they are not storage and are left out of the report.
    void kernelMountsAreLeftOut() {
        struct stat devStat {};
        QCOMPARE(::stat("/dev", &devStat), 0);
        QStringList mountPoints;
        for (const QString &name :
             QDir(u"/dev"_qs).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
            struct stat child {};
            if (::lstat(QFile::encodeName(u"/dev/"_qs + name).constData(), &child) == 0 &&
                S_ISDIR(child.st_mode) && child.st_dev != devStat.st_dev)
                mountPoints << name;
        }
        if (mountPoints.isEmpty())
            QSKIP("nothing is mounted inside /dev here");
        const QJsonObject report = analyze(u"/dev"_qs);
        QVERIFY(report[u"entries"_qs].isArray());
        for (const QString &name : mountPoints)
            QVERIFY2(entryNamed(report, name).isEmpty(), qPrintable(name));
    }

    void badPaths_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("relative") << u"relative/folder"_qs;
        QTest::newRow("empty") << QString();
        QTest::newRow("missing") << u"/no/such/folder/anywhere"_qs;
        QTest::newRow("a file") << u"/etc/hostname"_qs;
        QTest::newRow("a link") << u"LINK"_qs;
    }
    void badPaths() {
        QFETCH(QString, path);
        if (path == u"LINK"_qs)
            path = m_tree.path() + u"/photos-link"_qs;
        const EngineResult result = runEngine({u"analyze"_qs, u"--json"_qs, path});
        QVERIFY(result.finished);
        QVERIFY(result.exitCode != 0);
        const QStringList lines = appLines(result.output);
        QCOMPARE(lines.size(), 1);
        QVERIFY(!lines.first().contains(u'{'));
    }
};

QTEST_GUILESS_MAIN(TestMoleAnalyze)
#include "tst_mole_analyze.moc"
