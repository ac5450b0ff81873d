#include <QTest>

#include "app/VersionCompare.h"

class VersionCompareTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void order_data() {
        QTest::addColumn<QString>("older");
        QTest::addColumn<QString>("newer");
        // Pre-release ladder, each step against the next.
        QTest::newRow("alpha < beta") << u"1.0a1"_qs << u"1.0b2"_qs;
        QTest::newRow("beta < release candidate") << u"1.0b2"_qs << u"1.0rc1"_qs;
        QTest::newRow("release candidate < release") << u"1.0rc1"_qs << u"1.0"_qs;
        QTest::newRow("release < patch") << u"1.0"_qs << u"1.0.1"_qs;
        QTest::newRow("alpha < patch") << u"1.0a1"_qs << u"1.0.1"_qs;
        // Numbers are numbers, wherever they stand.
        QTest::newRow("numeric, not text") << u"1.9"_qs << u"1.10"_qs;
        QTest::newRow("candidate of a higher minor") << u"1.9"_qs << u"1.10-rc1"_qs;
        QTest::newRow("beta numbers") << u"2.0b2"_qs << u"2.0b3"_qs;
        QTest::newRow("beta 10 after beta 9") << u"2.0b9"_qs << u"2.0b10"_qs;
        QTest::newRow("beta before its release") << u"2.0b3"_qs << u"2.0"_qs;
        QTest::newRow("longer than 64 bits") << u"9"_qs << u"184467440737095516160"_qs;
        QTest::newRow("build numbers") << u"99"_qs << u"100"_qs;
        QTest::newRow("dated builds") << u"20261031"_qs << u"20261102"_qs;
        // Words and separators.
        QTest::newRow("words ignore case") << u"1.0-Beta"_qs << u"1.0-RC"_qs;
        QTest::newRow("spelled-out tags") << u"1.0 beta 2"_qs << u"1.0 beta 10"_qs;
        QTest::newRow("pre-release of a patch") << u"1.0.0b1"_qs << u"1.0"_qs;
        QTest::newRow("letters below a further part") << u"1.0b1"_qs << u"1.0.1"_qs;
        QTest::newRow("nothing below anything") << QString() << u"0.1"_qs;
    }
    void order() {
        QFETCH(QString, older);
        QFETCH(QString, newer);
        QCOMPARE(compareVersions(older, newer), -1);
        QCOMPARE(compareVersions(newer, older), 1);
    }

    void same_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("identical") << u"2.0b3"_qs << u"2.0b3"_qs;
        QTest::newRow("trailing zero parts") << u"1.2"_qs << u"1.2.0.0"_qs;
        QTest::newRow("leading zeros") << u"1.02"_qs << u"1.2"_qs;
        QTest::newRow("dash or not") << u"1.0-rc1"_qs << u"1.0rc1"_qs;
        QTest::newRow("surrounding space") << u" 1.4 "_qs << u"1.4"_qs;
    }
    void same() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QCOMPARE(compareVersions(a, b), 0);
        QCOMPARE(compareVersions(b, a), 0);
    }
};

QTEST_APPLESS_MAIN(VersionCompareTest)
#include "tst_version_compare.moc"
