#include <QTest>

#include "app/SettingsView.h"
#include "platform/UserDefaults.h"
#include "support/AppFixture.h"

// What Settings reads from files others may have written.
class SettingsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void engineVersionFile_data() {
        QTest::addColumn<QByteArray>("contents");  // null: no file
        QTest::addColumn<QString>("version");
        QTest::newRow("trailing newline") << QByteArray("1.2.3\n") << u"1.2.3"_qs;
        QTest::newRow("white space around") << QByteArray(" \t2.0\r\n\n") << u"2.0"_qs;
        QTest::newRow("missing file") << QByteArray() << QString();
    }
    void engineVersionFile() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, version);
        AppFixture app;
        if (!contents.isNull())
            QVERIFY(TestEnvironment::writeFile(app.env().resources() + u"/engine/VERSION"_qs,
                                               contents));
        QCOMPARE(SettingsView::engineVersion(app.env().resources()), version);
        QCOMPARE(SettingsView::engineVersion(QString()), QString());
        // The credit names the engine's version only when it is known.
        QCOMPARE(SettingsView().creditLine().section(u" · v"_qs, 1), version);
    }

    // A settings file written by hand or by something else: only a clear
    // true or false counts, anything else reads as absent.
    void storedFlagsReadStrictly_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("fallback");
        QTest::addColumn<bool>("read");
        QTest::newRow("true") << QByteArray("true") << false << true;
        QTest::newRow("one") << QByteArray("1") << false << true;
        QTest::newRow("a word") << QByteArray("banana") << false << false;
        QTest::newRow("a word, Settings' default") << QByteArray("banana") << true << true;
        QTest::newRow("a list") << QByteArray("a, b") << false << false;
    }
    void storedFlagsReadStrictly() {
        QFETCH(QByteArray, stored);
        QFETCH(bool, fallback);
        QFETCH(bool, read);
        AppFixture app;
        const QString file = UserDefaults::location();
        QVERIFY(TestEnvironment::writeFile(file, "[General]\nsetupDone=" + stored + "\n"));
        QCOMPARE(UserDefaults::flag(UserDefaults::setupDone, fallback), read);
    }
};

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
