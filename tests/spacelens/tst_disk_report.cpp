#include <QTest>

#include "engine/Engine.h"
#include "spacelens/DiskReport.h"

namespace {

DiskEntry entry(const QString &path, qint64 size) {
    return {path.section(u'/', -1), path,         size,        std::nullopt,
            std::nullopt,           std::nullopt, std::nullopt};
}

}  // namespace

class DiskReportTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decodes_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("error");  // empty: decodes
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("largeFiles");  // -1: absent
        QTest::addColumn<qint64>("total");    // -1: absent
        QTest::newRow("bare root")
            << u"{\"path\":\"/\",\"entries\":[]}"_qs << u""_qs << 0 << -1 << qint64(-1);
        QTest::newRow("after progress text, unknown keys ignored")
            << u"Scanning…\n{\"path\":\"/h\",\"entries\":[{\"name\":\"a\",\"path\":\"/h/a\","
               "\"size\":-1,\"extra\":1}],\"large_files\":[],\"total_size\":42,\"x\":[]}"_qs
            << u""_qs << 1 << 0 << qint64(42);
        QTest::newRow("no JSON at all")
            << u"analysis failed"_qs << QString::fromUtf8(EngineError::notInstalled) << 0 << -1
            << qint64(-1);
        QTest::newRow("entry without size")
            << u"{\"path\":\"/\",\"entries\":[{\"name\":\"a\",\"path\":\"/a\"}]}"_qs
            << u"entries: missing key size"_qs << 0 << -1 << qint64(-1);
        QTest::newRow("flag of the wrong type")
            << u"{\"path\":\"/\",\"entries\":[{\"name\":\"a\",\"path\":\"/a\",\"size\":1,"
               "\"is_dir\":\"yes\"}]}"_qs
            << u"entries: isDir: expected a boolean"_qs << 0 << -1 << qint64(-1);
        QTest::newRow("trailing text")
            << u"{\"path\":\"/\",\"entries\":[]}\ndone"_qs << u"*"_qs << 0 << -1 << qint64(-1);
    }
    void decodes() {
        QFETCH(QString, output);
        QFETCH(QString, error);
        QFETCH(int, entries);
        QFETCH(int, largeFiles);
        QFETCH(qint64, total);
        try {
            const DiskReport report = DiskReport::fromOutput(output);
            QVERIFY2(error.isEmpty(), "decoded although it should fail");
            QCOMPARE(report.entries.size(), entries);
            QCOMPARE(report.largeFiles ? int(report.largeFiles->size()) : -1, largeFiles);
            QCOMPARE(report.totalSize.value_or(-1), total);
        } catch (const Json::Error &e) {
            QVERIFY2(!error.isEmpty(), e.what());
            if (error != u"*")
                QCOMPARE(QString::fromUtf8(e.what()), error);
        }
    }

    void entryFields() {
        const DiskReport report = DiskReport::fromOutput(
            u"{\"path\":\"/h\",\"entries\":[{\"name\":\"a\",\"path\":\"/h/a\",\"size\":7,"
            "\"is_dir\":true,\"insight\":false,\"cleanable\":true,\"last_access\":\"2 days\"}]}"_qs);
        const DiskEntry expected{u"a"_qs, u"/h/a"_qs, 7, true, false, true, u"2 days"_qs};
        QCOMPARE(report.entries.first(), expected);
        QVERIFY(report.entries.first().isFolder());
        QVERIFY(!entry(u"/h/b"_qs, 1).isFolder());  // absent counts as a file
    }

    void sameIdentityDifferentValue() {
        DiskEntry a = entry(u"/h/a"_qs, 10);
        DiskEntry b = a;
        b.cleanable = false;
        QVERIFY(a != b);
        QCOMPARE(a.path, b.path);
        QVERIFY(qHash(a) != qHash(b));
        b.cleanable.reset();
        QCOMPARE(qHash(a), qHash(b));
        a.insight = false;  // absent and false differ in the hash too
        QVERIFY(qHash(a) != qHash(b));
    }
};

QTEST_GUILESS_MAIN(DiskReportTest)
#include "tst_disk_report.moc"
