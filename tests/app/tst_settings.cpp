#include <QMainWindow>
#include <QTest>

#include "app/SettingsView.h"
#include "app/Updater.h"
#include "platform/InfoDictionary.h"
#include "platform/UserDefaults.h"
#include "support/AppFixture.h"
#include "support/RealInput.h"
#include "theme/controls/GButton.h"
#include "theme/controls/Status.h"
#include "theme/controls/Switch.h"

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

    void defaultsOnAFirstLaunch_data() {
        QTest::addColumn<bool>("access");
        QTest::newRow("file access") << true;
        QTest::newRow("no file access") << false;
    }
    void defaultsOnAFirstLaunch() {
        QFETCH(bool, access);
        AppFixture app;
        app.setAccess(access);
        SettingsView view;
        view.show();
        QCOMPARE(view.fullDiskAccessStatus()->text(), access ? u"On"_qs : u"Off"_qs);
        QCOMPARE(view.fullDiskAccessStatus()->tint(), access ? Color::green : Color::red);
        // This build names no update feed: no controller, both controls off.
        QVERIFY(InfoDictionary::feedUrl().isEmpty());
        QVERIFY(!Updater::controller());
        QVERIFY(!view.autoUpdateSwitch()->isChecked());
        QVERIFY(!view.autoUpdateSwitch()->isEnabled());
        QVERIFY(!view.checkNowButton()->isEnabled());
    }

    // A settings file written by hand or by something else: only a clear
    // true or false counts, anything else reads as absent.
    void storedFlagsReadStrictly_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("fallback");
        QTest::addColumn<bool>("read");
        QTest::newRow("true") << QByteArray("true") << false << true;
        QTest::newRow("false") << QByteArray("false") << true << false;
        QTest::newRow("one") << QByteArray("1") << false << true;
        QTest::newRow("upper case") << QByteArray("TRUE") << false << true;
        QTest::newRow("a word") << QByteArray("banana") << false << false;
        QTest::newRow("a word, Settings' default") << QByteArray("banana") << true << true;
        QTest::newRow("empty") << QByteArray("") << true << true;
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

    void runAgainBringsTheMainWindowForward_data() {
        QTest::addColumn<bool>("minimised");
        QTest::newRow("main window shown") << false;
        QTest::newRow("main window minimised") << true;
    }
    void runAgainBringsTheMainWindowForward() {
        QFETCH(bool, minimised);
        AppFixture app;
        UserDefaults::setFlag(UserDefaults::setupDone, true);
        QMainWindow main;
        main.show();
        if (minimised)
            main.showMinimized();
        std::unique_ptr<QWidget> settings(SettingsView::createWindow());
        settings->show();
        QApplication::setActiveWindow(settings.get());
        QVERIFY(QTest::qWaitForWindowActive(settings.get()));

        QVERIFY(RealInput::click(settings->findChild<SettingsView *>()->runAgainButton()));
        QVERIFY(!UserDefaults::flag(UserDefaults::setupDone, true));
        if (minimised) {
            QCOMPARE(QApplication::activeWindow(), settings.get());
        } else {
            QTRY_COMPARE(QApplication::activeWindow(), &main);
        }
    }
};

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
