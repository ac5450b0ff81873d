#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

#include "engine/Engine.h"
#include "spacelens/SpaceModel.h"
#include "spacelens/SpaceRows.h"
#include "spacelens/SpaceView.h"
#include "support/ScriptedEngine.h"
#include "support/TestEnvironment.h"
#include "support/TrashCheck.h"

namespace {

struct Child {
    QString name;
    qint64 size;
    bool folder;
};

DiskEntry entryOf(const QString &folder, const Child &c) {
    return {c.name,       (folder == u"/" ? QString() : folder) + u'/' + c.name,
            c.size,       c.folder,
            std::nullopt, std::nullopt,
            std::nullopt};
}

// The engine's JSON for a folder holding these children.
QString reportJson(const QString &folder, const QList<Child> &children) {
    QStringList entries;
    for (const Child &c : children) {
        const DiskEntry e = entryOf(folder, c);
        entries.append(u"{\"name\":\"%1\",\"path\":\"%2\",\"size\":%3,\"is_dir\":%4}"_qs.arg(
            e.name, e.path, QString::number(e.size), c.folder ? u"true"_qs : u"false"_qs));
    }
    return u"{\"path\":\"%1\",\"entries\":[%2]}"_qs.arg(folder, entries.join(u','));
}

// An analysing engine that notes "start <folder>" and "end <folder>" in
// `log` (an empty folder is the whole computer) and answers from `outputs`.
QString analyzer(const QString &log, const QMap<QString, QString> &outputs, double delay = 0) {
    QString script = ScriptedEngine::realTrash() +
                     u"[ \"$1 $2\" = 'analyze --json' ] || exit 1\necho \"start $3\" >> '"_qs +
                     log + u"'\n"_qs;
    if (delay > 0)
        script += u"sleep "_qs + QString::number(delay) + u'\n';
    script += u"case \"$3\" in\n"_qs;
    for (auto it = outputs.cbegin(); it != outputs.cend(); ++it)
        script += u"'"_qs + (it.key() == u"/" ? QString() : it.key()) + u"') "_qs +
                  ScriptedEngine::printLines({it.value()}) + u" ;;\n"_qs;
    return script + u"*) echo 'no report' ;;\nesac\necho \"end $3\" >> '"_qs + log + u"'\n"_qs;
}

QStringList readLog(const QString &log) {
    return QString::fromUtf8(TestEnvironment::readFile(log)).split(u'\n', Qt::SkipEmptyParts);
}

bool settled(const SpaceModel &model) {
    return QTest::qWaitFor([&] { return model.measuring().isEmpty(); }, 10000);
}

const QString kNotInstalled = QString::fromUtf8(EngineError::notInstalled);

}  // namespace

class SpaceModelTest : public QObject {
    Q_OBJECT
    TestEnvironment *env = nullptr;
    QString log;

private Q_SLOTS:
    void init() {
        env = new TestEnvironment;
        log = env->home() + u"/engine.log"_qs;
    }
    void cleanup() { delete env; }

    // The rows Space Lens shows stay a sound item model while the quick
    // listing gives way to the engine's report, folders open, and the
    // whole computer comes back.
    void spaceRowsStaySound() {
        const QString folder = env->home() + u"/big"_qs;
        QList<Child> children, top{{u"big"_qs, 9000, true}, {u"small"_qs, 10, false}};
        for (int i = 0; i < 300; ++i) {
            const QString name = u"f%1"_qs.arg(i);
            children.append({name, qint64(i) * 100, i % 5 == 0});
            QVERIFY(TestEnvironment::writeFile(folder + u'/' + name));
        }
        env->installEngineInResources(analyzer(
            log, {{u"/"_qs, reportJson(u"/"_qs, top)}, {folder, reportJson(folder, children)}},
            0.1));
        SpaceModel model;
        SpaceView view(&model);
        QAbstractItemModelTester tester(view.rows(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.load(false);
        QVERIFY(settled(model));
        QCoreApplication::processEvents();
        model.open(entryOf(env->home(), {u"big"_qs, 9000, true}));
        QVERIFY(settled(model));
        QCoreApplication::processEvents();
        QVERIFY(view.rows()->rowCount() > 200);
        model.setTrail({std::nullopt});  // back to the whole computer
        QVERIFY(settled(model));
        QCoreApplication::processEvents();
        QCOMPARE(view.rows()->rowCount(), 2);
    }

    void cachedReportsStartNoRun() {
        const QList<Child> rootChildren{{u"swap"_qs, 10, false}};
        const QList<Child> aChildren{{u"x"_qs, 1, false}};
        env->installEngineInResources(analyzer(log,
                                               {{u"/"_qs, reportJson(u"/"_qs, rootChildren)},
                                                {u"/A"_qs, reportJson(u"/A"_qs, aChildren)}},
                                               0.2));
        SpaceModel model;
        model.open(std::nullopt);
        QCOMPARE(model.measuring(), QSet<QString>{u"/"_qs});
        QVERIFY(settled(model));
        QCOMPARE(model.report()->entries, QList<DiskEntry>{entryOf(u"/"_qs, rootChildren[0])});

        // Opening a folder twice quickly runs the engine once for it.
        const DiskEntry a = entryOf(u"/"_qs, {u"A"_qs, 5, true});
        model.open(a);
        model.open(a);
        QVERIFY(settled(model));
        QCOMPARE(readLog(log),
                 QStringList({u"start "_qs, u"end "_qs, u"start /A"_qs, u"end /A"_qs}));
        QCOMPARE(model.key(), u"/A"_qs);
        QVERIFY(!model.provisional().contains(u"/A"_qs));

        // Back, and in again: cached, no run; Rescan runs again.
        model.setTrail({std::nullopt});
        QCOMPARE(model.key(), u"/"_qs);
        model.open(a);
        QVERIFY(model.measuring().isEmpty());
        QCOMPARE(model.report()->entries, QList<DiskEntry>{entryOf(u"/A"_qs, aChildren[0])});
        model.load(true);
        QCOMPARE(model.measuring(), QSet<QString>{u"/A"_qs});
        QVERIFY(settled(model));
        QCOMPARE(readLog(log).size(), 6);
    }

    void prefetchMeasuresThreeUnmeasuredFoldersInTurn() {
        QList<Child> root;
        for (const char *name : {"d1", "d2", "d3", "f", "d4", "d5", "d6"})
            root.append({QString::fromLatin1(name), 1, name[0] == 'd'});
        QMap<QString, QString> outputs{{u"/"_qs, reportJson(u"/"_qs, root)}};
        for (const Child &c : root) outputs.insert(u'/' + c.name, reportJson(u'/' + c.name, {}));
        env->installEngineInResources(analyzer(log, outputs, 0.05));
        SpaceModel model;
        // d2 and d4 are measured already.
        for (const char *name : {"d2", "d4"}) {
            model.open(entryOf(u"/"_qs, {QString::fromLatin1(name), 1, true}));
            QVERIFY(settled(model));
            model.setTrail({});
        }
        QFile::remove(log);
        model.load(false);
        QTRY_VERIFY_WITH_TIMEOUT(model.reports().contains(u"/d5"_qs), 10000);
        QVERIFY(settled(model));
        QCOMPARE(readLog(log),
                 QStringList({u"start "_qs, u"end "_qs, u"start /d1"_qs, u"end /d1"_qs,
                              u"start /d3"_qs, u"end /d3"_qs, u"start /d5"_qs, u"end /d5"_qs}));
    }

    void failures_data() {
        QTest::addColumn<QString>("output");  // of the folder that fails
        QTest::addColumn<QString>("where");   // "screen", "prefetch", "left"
        QTest::addColumn<QString>("error");
        QTest::newRow("no JSON on screen") << u"Error: gone"_qs << u"screen"_qs << kNotInstalled;
        QTest::newRow("bad JSON on screen")
            << u"{\"path\":\"/B\"}"_qs << u"screen"_qs << u"missing key entries"_qs;
        QTest::newRow("no engine at all") << QString() << u"screen"_qs << kNotInstalled;
        QTest::newRow("a prefetched child") << u"Error: gone"_qs << u"prefetch"_qs << QString();
        QTest::newRow("a folder the user left") << u"Error: gone"_qs << u"left"_qs << QString();
    }
    void failures() {
        QFETCH(QString, output);
        QFETCH(QString, where);
        QFETCH(QString, error);
        if (!output.isNull())
            env->installEngineInResources(analyzer(
                log, {{u"/"_qs, reportJson(u"/"_qs, {{u"B"_qs, 1, true}})}, {u"/B"_qs, output}},
                0.1));
        SpaceModel model;
        const DiskEntry b = entryOf(u"/"_qs, {u"B"_qs, 1, true});
        if (where == u"screen") {
            model.open(b);
        } else {
            model.load(false);
            if (where == u"left") {
                model.open(b);
                model.setTrail({});
            }
        }
        QVERIFY(settled(model));
        QTRY_VERIFY(where == u"screen" || readLog(log).contains(u"end /B"_qs));
        QCOMPARE(model.error().value_or(QString()), error);
        if (where == u"screen" && !output.isNull()) {
            QVERIFY(!model.reports().contains(u"/B"_qs));
            QTRY_VERIFY(model.report().has_value());  // the quick listing stays
        }
        model.setTrail({});
        model.load(false);  // a new load clears the error
        QVERIFY(!model.error());
        QVERIFY(settled(model));
    }

    void quickListOrderAndSizes() {
        const QString dir = env->home() + u"/list"_qs;
        QDir().mkpath(dir + u"/b"_qs);
        QDir().mkpath(dir + u"/A"_qs);
        QDir().mkpath(dir + u"/folder10"_qs);
        QDir().mkpath(dir + u"/folder9"_qs);
        QDir().mkpath(dir + u"/folder100"_qs);  // differs from the next inside a number
        QDir().mkpath(dir + u"/folder19"_qs);
        QFile small(dir + u"/.hidden"_qs), large(dir + u"/large"_qs), sparse(dir + u"/sparse"_qs);
        QVERIFY(small.open(QIODevice::WriteOnly) && large.open(QIODevice::WriteOnly) &&
                sparse.open(QIODevice::WriteOnly));
        small.write("0123456789");
        large.write(QByteArray(200'000, 'x'));
        QVERIFY(sparse.resize(1'000'000'000));  // a gigabyte that takes no room
        small.close(), large.close(), sparse.close();
        QVERIFY(QFile::link(dir + u"/A"_qs, dir + u"/link"_qs));

        const DiskReport report = SpaceModel::quickList(dir);
        QCOMPARE(report.path, dir);
        QVERIFY(!report.largeFiles && !report.totalSize);
        QStringList names;
        for (const DiskEntry &e : report.entries) {
            names.append(e.name);
            QCOMPARE(e.path, dir + u'/' + e.name);
            QCOMPARE(e.isFolder(), e.size < 0);
            QVERIFY(!e.insight && !e.cleanable && !e.lastAccess);
        }
        // Folders by name as people sort them; files by room taken, largest first.
        QCOMPARE(names.mid(0, 6), QStringList({u"A"_qs, u"b"_qs, u"folder9"_qs, u"folder10"_qs,
                                               u"folder19"_qs, u"folder100"_qs}));
        QCOMPARE(names.at(6), u"large"_qs);
        QCOMPARE(names.size(), 10);
        const auto sizeOf = [&](const QString &name) {
            return report.entries.at(names.indexOf(name)).size;
        };
        QVERIFY(sizeOf(u"large"_qs) >= 200'000);
        QVERIFY(sizeOf(u".hidden"_qs) > 0);
        QVERIFY(sizeOf(u"sparse"_qs) < 1'000'000);  // allocated, not apparent
        QVERIFY(sizeOf(u"link"_qs) >= 0);           // a link is a file, never followed

        QCOMPARE(SpaceModel::quickList(dir + u"/none"_qs).entries.size(), 0);
        const DiskReport root = SpaceModel::quickList(u"/"_qs);
        QVERIFY(!root.entries.isEmpty());
        QCOMPARE(root.entries.first().path, u'/' + root.entries.first().name);
    }

    void openShowsTheQuickListingWhileMeasuring() {
        const QString dir = env->home() + u"/slow"_qs;
        QDir().mkpath(dir + u"/sub"_qs);
        env->installEngineInResources(
            analyzer(log, {{dir, reportJson(dir, {{u"sub"_qs, 4096, true}})}}, 0.5));
        SpaceModel model;
        model.open(DiskEntry{u"slow"_qs, dir, -1, true, {}, {}, {}});
        QTRY_VERIFY(model.provisional().contains(dir));
        QCOMPARE(model.report()->entries.first().size, DiskEntry::unmeasured);
        QVERIFY(settled(model));
        QVERIFY(!model.provisional().contains(dir));
        QCOMPARE(model.report()->entries.first().size, 4096);
    }

    void trashDropsTheEntryEverywhereButKeepsTotals() {
        const QString big = env->home() + u"/Downloads/big.iso"_qs;
        QVERIFY(TestEnvironment::writeFile(big, QByteArray(10'000, 'x')));
        const QString json =
            u"{\"path\":\"/\",\"entries\":[{\"name\":\"big.iso\",\"path\":\"%1\","
            "\"size\":10000},{\"name\":\"o\",\"path\":\"/o\",\"size\":1}],"
            "\"large_files\":[{\"name\":\"big.iso\",\"path\":\"%1\",\"size\":10000}],"
            "\"total_size\":20001}"_qs.arg(big);
        env->installEngineInResources(analyzer(log, {{u"/"_qs, json}}));
        SpaceModel model;
        model.open(std::nullopt);
        QVERIFY(settled(model));
        const DiskEntry entry = model.report()->entries.first();

        QSignalSpy reports(&model, &SpaceModel::reportsChanged);
        model.trash(entry);
        QVERIFY(reports.wait());
        QCOMPARE(model.report()->entries.size(), 1);
        QCOMPARE(model.report()->entries.first().path, u"/o"_qs);
        QVERIFY(model.report()->largeFiles->isEmpty());
        QCOMPARE(model.report()->totalSize, std::optional<qint64>(20001));
        QVERIFY(!model.error());
        QCOMPARE(TrashCheck::problemWith(big), QString());

        // Refused (the home itself): the folder's error; nothing else changes.
        QSignalSpy error(&model, &SpaceModel::errorChanged);
        model.trash(DiskEntry{u"home"_qs, env->home(), 1, true, {}, {}, {}});
        QVERIFY(error.wait());
        QVERIFY(model.error() && !model.error()->isEmpty());
        QCOMPARE(reports.size(), 1);
        QVERIFY(QFileInfo::exists(env->home() + u"/Downloads"_qs));

        // A name the report could not carry is not taken for gone.
        error.clear();
        model.trash(DiskEntry{u"x\ufffd"_qs, env->home() + u"/x\ufffd"_qs, 1, false, {}, {}, {}});
        QCOMPARE(error.size(), 1);
        QCOMPARE(reports.size(), 1);
    }

    // A folder's files leave the largest-files list with it, and a dangling
    // link can go like any entry.
    void trashTakesWhatIsInsideAndDanglingLinks() {
        const QString folder = env->home() + u"/Films"_qs;
        const QString film = folder + u"/film.mkv"_qs;
        const QString link = env->home() + u"/dangling"_qs;
        QVERIFY(TestEnvironment::writeFile(film, QByteArray(10'000, 'x')));
        QVERIFY(QFile::link(env->home() + u"/nowhere"_qs, link));
        const QString json =
            u"{\"path\":\"/\",\"entries\":[{\"name\":\"Films\",\"path\":\"%1\",\"size\":10000,"
            "\"is_dir\":true},{\"name\":\"dangling\",\"path\":\"%3\",\"size\":0}],"
            "\"large_files\":[{\"name\":\"film.mkv\",\"path\":\"%2\",\"size\":10000},"
            "{\"name\":\"Films2\",\"path\":\"%1x\",\"size\":5}],\"total_size\":10005}"_qs.arg(
                folder, film, link);
        env->installEngineInResources(analyzer(log, {{u"/"_qs, json}}));
        SpaceModel model;
        model.open(std::nullopt);
        QVERIFY(settled(model));
        QSignalSpy reports(&model, &SpaceModel::reportsChanged);
        model.trash(model.report()->entries.at(0));
        QVERIFY(reports.wait());
        QCOMPARE(model.report()->largeFiles->size(), 1);
        QCOMPARE(model.report()->largeFiles->first().path, folder + u"x"_qs);
        model.trash(model.report()->entries.at(0));
        QVERIFY(reports.wait());
        QVERIFY(model.report()->entries.isEmpty());
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(TrashCheck::problemWith(link), QString());
        QVERIFY(!model.error());
    }
};

QTEST_MAIN(SpaceModelTest)
#include "tst_space_model.moc"
