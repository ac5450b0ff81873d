#include <QTest>

#include "engine/Size.h"

class SizeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("bytes");  // -1: no size
        QTest::newRow("bytes") << u"512 B"_qs << qint64(512);
        QTest::newRow("terabytes") << u"3 TB"_qs << qint64(3000000000000);
        QTest::newRow("no space") << u"1.5KB"_qs << qint64(1500);
        QTest::newRow("inside words") << u"(about 7 GB)"_qs << qint64(7000000000);
        QTest::newRow("tab between") << u"4\tMB"_qs << qint64(4000000);
        QTest::newRow("two spaces") << u"4  MB"_qs << qint64(-1);
        QTest::newRow("thousands comma") << u"1,234.5 MB"_qs << qint64(234500000);
        QTest::newRow("first size counts") << u"1 MB of 2 GB"_qs << qint64(1000000);
        QTest::newRow("truncated") << u"1.9999 KB"_qs << qint64(1999);
        QTest::newRow("no boundary") << u"12 MBs"_qs << qint64(-1);
        QTest::newRow("lower case") << u"12 mb"_qs << qint64(-1);
        QTest::newRow("binary unit") << u"12 KiB"_qs << qint64(-1);
        QTest::newRow("empty") << QString() << qint64(-1);
        QTest::newRow("beyond 64 bits") << u"99999999999 TB"_qs << qint64(-1);
        QTest::newRow("too long to read") << (QString(400, u'9') + u" B"_qs) << qint64(0);
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(qint64, bytes);
        QCOMPARE(Size::parse(text), bytes < 0 ? std::nullopt : std::optional<qint64>(bytes));
    }

    void format_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << u"0 bytes"_qs;
        QTest::newRow("one") << qint64(1) << u"1 byte"_qs;
        QTest::newRow("999") << qint64(999) << u"999 bytes"_qs;
        QTest::newRow("1 KB") << qint64(1000) << u"1 KB"_qs;
        QTest::newRow("KB rounds") << qint64(1500) << u"2 KB"_qs;
        QTest::newRow("KB to MB") << qint64(999600) << u"1 MB"_qs;
        QTest::newRow("MB one digit") << qint64(1550000) << u"1.6 MB"_qs;
        QTest::newRow("GB two digits") << qint64(1234567890) << u"1.23 GB"_qs;
        QTest::newRow("MB to GB") << qint64(999960000) << u"1 GB"_qs;
        QTest::newRow("TB") << qint64(2500000000000) << u"2.5 TB"_qs;
        QTest::newRow("negative") << qint64(-1500000000) << u"-1.5 GB"_qs;
    }
    void format() {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(Size::format(bytes), text);
    }

    void formatUsesTheLocaleDecimalSeparator() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(Size::format(1500000000), u"1,5 GB"_qs);
        QCOMPARE(Size::format(2000000), u"2 MB"_qs);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
};

QTEST_GUILESS_MAIN(SizeTest)
#include "tst_size.moc"
