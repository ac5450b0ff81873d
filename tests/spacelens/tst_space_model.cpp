#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTest>

#include "engine/Engine.h"
#include "spacelens/SpaceScene.h"
#include "support/TrashCheck.h"

namespace {

const QString kNotInstalled = QString::fromUtf8(EngineError::notInstalled);

}  // namespace

class SpaceModelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The rows Space Lens shows stay a sound item model while the quick
    // listing gives way to the engine's report, folders open, and the
    // whole computer comes back.
    void spaceRowsStaySound() {
        SpaceScene s(0.1);
        const QString big = s.env.home() + u"/big"_qs;
        QList<DiskEntry> children;
        for (int i = 0; i < 300; ++i) {
            children.append(entry(big + u"/f%1"_qs.arg(i), qint64(i) * 100, i % 5 == 0));
            QVERIFY(TestEnvironment::writeFile(children.last().path));
        }
        s.answer(u"/"_qs, {entry(big, 9000, true), entry(u"/small"_qs, 10)});
        s.answer(big, children);
        s.view.emplace(&s.model);
        QAbstractItemModelTester tester(s.view->rows(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSortFilterProxyModel seen;  // keeps its own rows: misses what goes unannounced
        seen.setSourceModel(s.view->rows());
        QCOMPARE(seen.rowCount(), 0);
        s.model.load(false);
        QVERIFY(s.settle());
        QCOMPARE(seen.rowCount(), 2);
        s.model.open(entry(big, 9000, true));
        QVERIFY(s.settle());
        QVERIFY(seen.rowCount() > 200);
        s.model.setTrail({std::nullopt});  // back to the whole computer
        QVERIFY(s.settle());
        QCOMPARE(seen.rowCount(), 2);
    }

    // Text before the JSON and keys the app does not know are passed over.
    void readsEveryFieldOfTheReport() {
        SpaceScene s;
        s.answer(u"/"_qs,
                 u"Scanning…\n{\"path\":\"/\",\"entries\":[{\"name\":\"a\",\"path\":\"/a\","
                 "\"size\":7,\"is_dir\":true,\"insight\":false,\"cleanable\":true,"
                 "\"last_access\":\"2 days\",\"extra\":1},{\"name\":\"b\",\"path\":\"/b\","
                 "\"size\":-1}],\"large_files\":[],\"total_size\":42,\"x\":[]}"_qs);
        s.model.open(std::nullopt);
        QVERIFY(s.settle());
        const DiskReport expected{u"/"_qs,
                                  {{u"a"_qs, u"/a"_qs, 7, true, false, true, u"2 days"_qs},
                                   {u"b"_qs, u"/b"_qs, -1, {}, {}, {}, {}}},
                                  QList<DiskEntry>(),
                                  qint64(42)};
        QVERIFY(s.model.report() == expected);
    }

    void cachedReportsStartNoRun() {
        SpaceScene s(0.2);
        s.answer(u"/"_qs, {entry(u"/swap"_qs, 10)});
        s.answer(u"/A"_qs, {entry(u"/A/x"_qs, 1)});
        s.model.open(std::nullopt);
        QCOMPARE(s.model.measuring(), QSet<QString>{u"/"_qs});
        QVERIFY(s.settle());
        QCOMPARE(s.model.report()->entries, QList<DiskEntry>{entry(u"/swap"_qs, 10)});

        // Opening a folder twice quickly runs the engine once for it.
        const DiskEntry a = entry(u"/A"_qs, 5, true);
        s.model.open(a);
        s.model.open(a);
        QVERIFY(s.settle());
        QCOMPARE(s.runs(), QStringList({u"start "_qs, u"end "_qs, u"start /A"_qs, u"end /A"_qs}));
        QCOMPARE(s.model.key(), u"/A"_qs);
        QVERIFY(!s.model.provisional().contains(u"/A"_qs));

        // Back, and in again: cached, no run; Rescan runs again.
        s.model.setTrail({std::nullopt});
        QCOMPARE(s.model.key(), u"/"_qs);
        s.model.open(a);
        QVERIFY(s.model.measuring().isEmpty());
        QCOMPARE(s.model.report()->entries, QList<DiskEntry>{entry(u"/A/x"_qs, 1)});
        s.model.load(true);
        QCOMPARE(s.model.measuring(), QSet<QString>{u"/A"_qs});
        QVERIFY(s.settle());
        QCOMPARE(s.runs().size(), 6);
    }

    void prefetchMeasuresThreeUnmeasuredFoldersInTurn() {
        SpaceScene s(0.05);
        QList<DiskEntry> root;
        for (const char *name : {"d1", "d2", "d3", "f", "d4", "d5", "d6"}) {
            root.append(entry(u'/' + QString::fromLatin1(name), 1, name[0] == 'd'));
            s.answer(root.last().path, QList<DiskEntry>());
        }
        s.answer(u"/"_qs, root);
        for (int measured : {1, 4}) {  // d2 and d4 are measured already
            s.model.open(root[measured]);
            QVERIFY(s.settle());
            s.model.setTrail({});
        }
        QFile::remove(s.env.home() + u"/runs.log"_qs);
        s.model.load(false);
        QTRY_VERIFY_WITH_TIMEOUT(s.model.reports().contains(u"/d5"_qs), 10000);
        QVERIFY(s.settle());
        QCOMPARE(s.runs(),
                 QStringList({u"start "_qs, u"end "_qs, u"start /d1"_qs, u"end /d1"_qs,
                              u"start /d3"_qs, u"end /d3"_qs, u"start /d5"_qs, u"end /d5"_qs}));
    }

    void failures_data() {
        QTest::addColumn<QString>("output");  // of the folder that fails; null: no engine
        QTest::addColumn<QString>("where");   // "screen", "prefetch", "left"
        QTest::addColumn<QString>("error");
        const auto bad = [](const char *entry) {
            return u"{\"path\":\"/B\",\"entries\":[{\"name\":\"a\",\"path\":\"/B/a\""_qs +
                   QString::fromLatin1(entry) + u"}]}"_qs;
        };
        QTest::newRow("no JSON") << u"Error: gone"_qs << u"screen"_qs << kNotInstalled;
        QTest::newRow("no entries")
            << u"{\"path\":\"/B\"}"_qs << u"screen"_qs << u"missing key entries"_qs;
        QTest::newRow("an entry without size")
            << bad("") << u"screen"_qs << u"entries: missing key size"_qs;
        QTest::newRow("a flag of the wrong type")
            << bad(",\"size\":1,\"is_dir\":\"yes\"") << u"screen"_qs
            << u"entries: isDir: expected a boolean"_qs;
        QTest::newRow("trailing text")
            << u"{\"path\":\"/B\",\"entries\":[]}\ndone"_qs << u"screen"_qs << u"*"_qs;
        QTest::newRow("no engine at all") << QString() << u"screen"_qs << kNotInstalled;
        QTest::newRow("a prefetched child") << u"Error: gone"_qs << u"prefetch"_qs << QString();
        QTest::newRow("a folder the user left") << u"Error: gone"_qs << u"left"_qs << QString();
    }
    void failures() {
        QFETCH(QString, output);
        QFETCH(QString, where);
        QFETCH(QString, error);
        SpaceScene s(0.1);
        const DiskEntry b = entry(u"/B"_qs, 1, true);
        s.answer(u"/"_qs, {b});
        s.answer(u"/B"_qs, output);
        if (output.isNull())
            QFile::remove(s.env.resources() + u"/engine/mole"_qs);
        if (where != u"prefetch")
            s.model.open(b);
        if (where == u"left")
            s.model.setTrail({});
        if (where != u"screen")
            s.model.load(false);
        QVERIFY(s.settle());
        QTRY_VERIFY(where == u"screen" || s.runs().contains(u"end /B"_qs));
        if (error == u"*")
            QVERIFY(s.model.error() && !s.model.error()->isEmpty());
        else
            QCOMPARE(s.model.error().value_or(QString()), error);
        if (where == u"screen") {
            QVERIFY(!s.model.reports().contains(u"/B"_qs));
            QTRY_VERIFY(s.model.report().has_value());  // the quick listing stays
        }
        s.model.setTrail({});
        s.model.load(false);  // a new load clears the error
        QVERIFY(!s.model.error());
        QVERIFY(s.settle());
    }

    // Until the engine has measured a folder, a plain listing stands in:
    // folders by name as people sort them, then files by the room they
    // take, largest first; links are files, never followed.
    void aQuickListingStandsInWhileMeasuring() {
        SpaceScene s(0.5);
        const QString dir = s.env.home() + u"/list"_qs;
        for (const char *name : {"b", "A", "folder10", "folder9", "folder100", "folder19"})
            QDir().mkpath(dir + u'/' + QString::fromLatin1(name));
        QVERIFY(TestEnvironment::writeFile(dir + u"/.hidden"_qs, "0123456789"));
        QVERIFY(TestEnvironment::writeFile(dir + u"/large"_qs, QByteArray(200'000, 'x')));
        QFile sparse(dir + u"/sparse"_qs);
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(1'000'000'000));
        sparse.close();
        QVERIFY(QFile::link(dir + u"/A"_qs, dir + u"/link"_qs));
        s.answer(dir, {entry(dir + u"/A"_qs, 4096, true)});

        s.model.open(entry(dir, -1, true));
        QTRY_VERIFY(s.model.provisional().contains(dir));
        const DiskReport quick = *s.model.report();
        QVERIFY(!quick.largeFiles && !quick.totalSize);
        QStringList names;
        QHash<QString, qint64> sizes;
        for (const DiskEntry &e : quick.entries) {
            names.append(e.name);
            sizes.insert(e.name, e.size);
            QCOMPARE(e.path, dir + u'/' + e.name);
            QCOMPARE(e.isFolder(), e.size == DiskEntry::unmeasured);
            QVERIFY(!e.insight && !e.cleanable && !e.lastAccess);
        }
        QCOMPARE(names.mid(0, 7), QStringList({u"A"_qs, u"b"_qs, u"folder9"_qs, u"folder10"_qs,
                                               u"folder19"_qs, u"folder100"_qs, u"large"_qs}));
        QCOMPARE(names.size(), 10);
        QVERIFY(sizes[u"large"_qs] >= 200'000);
        QVERIFY(sizes[u".hidden"_qs] > 0);
        QVERIFY(sizes[u"sparse"_qs] < 1'000'000);  // allocated, not apparent
        QVERIFY(sizes[u"link"_qs] >= 0);

        QVERIFY(s.settle());
        QVERIFY(!s.model.provisional().contains(dir));
        QCOMPARE(s.model.report()->entries, QList<DiskEntry>{entry(dir + u"/A"_qs, 4096, true)});
    }

    // A moved entry leaves the report and the largest files, with whatever
    // lay inside it (but not a sibling sharing its name's start); the totals
    // stay as measured. A dangling link goes like any entry.
    void trashDropsTheEntryEverywhereButKeepsTotals() {
        SpaceScene s;
        const QString folder = s.env.home() + u"/Films"_qs, film = folder + u"/film.mkv"_qs;
        const QString link = s.env.home() + u"/dangling"_qs;
        QVERIFY(TestEnvironment::writeFile(film, QByteArray(10'000, 'x')));
        QVERIFY(QFile::link(s.env.home() + u"/nowhere"_qs, link));
        s.answer(u"/"_qs,
                 u"{\"path\":\"/\",\"entries\":[{\"name\":\"Films\",\"path\":\"%1\",\"size\":10000,"
                 "\"is_dir\":true},{\"name\":\"dangling\",\"path\":\"%3\",\"size\":1,"
                 "\"is_dir\":false}],"
                 "\"large_files\":[{\"name\":\"film.mkv\",\"path\":\"%2\",\"size\":10000},"
                 "{\"name\":\"Films2\",\"path\":\"%1x\",\"size\":5}],\"total_size\":10005}"_qs.arg(
                     folder, film, link));
        s.model.open(std::nullopt);
        QVERIFY(s.settle());
        QSignalSpy reports(&s.model, &SpaceModel::reportsChanged);
        s.model.trash(s.model.report()->entries.at(0));
        QVERIFY(reports.wait());
        QCOMPARE(s.model.report()->entries, QList<DiskEntry>{entry(link, 1)});
        QCOMPARE(s.model.report()->largeFiles->size(), 1);
        QCOMPARE(s.model.report()->largeFiles->first().path, folder + u"x"_qs);
        QCOMPARE(s.model.report()->totalSize, std::optional<qint64>(10005));
        QCOMPARE(TrashCheck::problemWith(folder), QString());
        s.model.trash(s.model.report()->entries.at(0));
        QVERIFY(reports.wait());
        QVERIFY(s.model.report()->entries.isEmpty());
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(TrashCheck::problemWith(link), QString());
        QVERIFY(!s.model.error());

        // Refused (the home itself): the folder's error; nothing else changes.
        QSignalSpy error(&s.model, &SpaceModel::errorChanged);
        s.model.trash(entry(s.env.home(), 1, true));
        QVERIFY(error.wait());
        QVERIFY(s.model.error() && !s.model.error()->isEmpty());
        QCOMPARE(reports.size(), 2);
        QVERIFY(QFileInfo::exists(s.env.home() + u"/answers.json"_qs));

        // A name the report could not carry is not taken for gone.
        error.clear();
        s.model.trash(entry(s.env.home() + u"/x\ufffd"_qs, 1));
        QCOMPARE(error.size(), 1);
        QCOMPARE(reports.size(), 2);
    }
};

QTEST_MAIN(SpaceModelTest)
#include "tst_space_model.moc"
