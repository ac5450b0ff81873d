#include <QTest>

#include "engine/SizeMarkers.h"

using OptionalBytes = std::optional<qint64>;
Q_DECLARE_METATYPE(OptionalBytes)

class SizeMarkersTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sizeAfterTheFirstMarkerInListOrder_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<OptionalBytes>("bytes");
        QTest::newRow("potential space")
            << u"Potential space: 12.5 GB"_qs << OptionalBytes(12'500'000'000);
        QTest::newRow("tracked cleanup")
            << u"Tracked cleanup: 300 MB"_qs << OptionalBytes(300'000'000);
        QTest::newRow("would free wins though freed comes first in the line")
            << u"freed 2 GB so far, would free 1 GB"_qs << OptionalBytes(1'000'000'000);
        QTest::newRow("earlier marker of the list wins over position")
            << u"Tracked cleanup: 4 GB, Potential space: 3 GB"_qs << OptionalBytes(3'000'000'000);
        QTest::newRow("size further on after the marker")
            << u"Potential space: unknown, at least 2 GB"_qs << OptionalBytes(2'000'000'000);
        QTest::newRow("size only before the marker") << u"5 GB freed"_qs << OptionalBytes();
        QTest::newRow("marker without a size") << u"Potential space: unknown"_qs << OptionalBytes();
        QTest::newRow("no marker") << u"Cleaned 3 GB"_qs << OptionalBytes();
        QTest::newRow("markers are case-sensitive") << u"FREED 3 GB"_qs << OptionalBytes();
    }
    void sizeAfterTheFirstMarkerInListOrder() {
        QFETCH(QString, line);
        QFETCH(OptionalBytes, bytes);
        QCOMPARE(SizeMarkers::sizeIn(line), bytes);
    }

    void itemCount_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<OptionalBytes>("count");
        QTest::newRow("count") << u"Potential space: 1 GB | Items: 42"_qs << OptionalBytes(42);
        QTest::newRow("first of two") << u"Items: 7 Items: 9"_qs << OptionalBytes(7);
        QTest::newRow("lower case") << u"items: 42"_qs << OptionalBytes();
        QTest::newRow("no space") << u"Items:42"_qs << OptionalBytes();
        QTest::newRow("beyond 64 bits") << u"Items: 99999999999999999999999"_qs << OptionalBytes();
    }
    void itemCount() {
        QFETCH(QString, line);
        QFETCH(OptionalBytes, count);
        QCOMPARE(SizeMarkers::itemCountIn(line), count);
    }
};

QTEST_GUILESS_MAIN(SizeMarkersTest)
#include "tst_size_markers.moc"
