#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QTest>
#include <QThreadPool>

#include "permissions/ui/AccessView.h"
#include "platform/Relaunch.h"
#include "platform/UserDefaults.h"
#include "support/AppFixture.h"
#include "support/RealInput.h"
#include "support/TestEnvironment.h"
#include "theme/controls/GButton.h"

using RowState = AccessModel::RowState;

// The access screen, the platform checks behind it, and its relaunch.
class AccessTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { qputenv("XDG_CURRENT_DESKTOP", ""); }  // no real settings app is started

    // The relaunch starts the app (an AppImage, not its mount that goes away
    // when we quit) by exactly its path, whatever the path holds: spaces,
    // quotes, expansions, backslashes, command separators, a line break.
    void relaunchStartsExactlyTheAppImage() {
        TestEnvironment env;
        const QString path = env.home() +
                             u"/My Apps/it's \"hi\" $HOME ${PATH} `touch pwned` $(touch pwned)"
                             "/back\\slash\\\"; touch pwned && b | c\nline/Bright loft"_qs;
        // The stand-in app records how it was started, in a fixed place.
        env.writeScript(path, u"printf '%s' \"$0\" > \""_qs + env.home() + u"/started\"\n"_qs);
        qputenv("APPIMAGE", QFile::encodeName(path));
        const Relaunch::Command command = Relaunch::command(Relaunch::target());
        qunsetenv("APPIMAGE");
        QProcess shell;
        shell.setWorkingDirectory(env.home());
        shell.start(command.program, command.arguments);
        QVERIFY(shell.waitForFinished(10000));
        QCOMPARE(shell.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(TestEnvironment::readFile(env.home() + u"/started"_qs)), path);
        QVERIFY(!QFile::exists(env.home() + u"/pwned"_qs));
    }

    // The first-run screen by clicks. Open Settings starts the desktop's
    // settings on its applications page and waits for access, the row's
    // detail wrapping beside the drag chip and the row growing to hold every
    // line of it. The poll then sees access turned on (not a cached answer):
    // any one of the probed folders (home, cache, config) listable is
    // enough. Allow asks every target and remembers that it asked.
    void accessIsWaitedForAndAutomationAsked() {
        AppFixture app;
        const QString bin = app.env().home() + u"/bin"_qs;
        app.env().writeScript(bin + u"/gnome-control-center"_qs,
                              u"echo \"$@\" > '"_qs + bin + u"/opened'\n"_qs);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin) + ':' + path);
        qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
        app.setAccess(false);
        AccessView view;
        view.resize(980, 570);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(!view.continueButton()->isEnabled());

        QVERIFY(RealInput::click(view.openSettingsButton()));
        QTRY_COMPARE(TestEnvironment::readFile(bin + u"/opened"_qs), "applications\n");
        qputenv("PATH", path);
        QCOMPARE(view.model()->fullDiskAccessRow(), RowState::waiting);
        QCOMPARE(view.openSettingsButton()->title(), u"Open Again"_qs);
        QVERIFY(view.restartButton()->isVisible());
        QCoreApplication::processEvents();
        int wrapped = 0;
        for (QLabel *label : view.findChildren<QLabel *>()) {
            if (!label->isVisible() || !label->wordWrap())
                continue;
            const int needed = label->heightForWidth(label->width());
            wrapped += needed > label->fontMetrics().height() * 3 / 2;
            QVERIFY2(label->height() >= needed, qPrintable(label->text()));
        }
        QVERIFY(wrapped > 0);  // the case this is about did happen

        QVERIFY(QDir().mkpath(app.env().home() + u"/missing/.config"_qs));
        QTRY_COMPARE_WITH_TIMEOUT(view.model()->fullDiskAccessRow(), RowState::granted,
                                  3 * AccessModel::pollMs);
        QVERIFY(view.continueButton()->isEnabled());
        QCOMPARE(view.continueButton()->kind(), GButton::Kind::secondary);  // automation not asked
        QVERIFY(!view.openSettingsButton()->isVisible());
        QVERIFY(!view.restartButton()->isVisible());
        QCOMPARE(view.model()->automationRow(), RowState::needed);

        QVERIFY(RealInput::click(view.allowButton()));
        QTRY_VERIFY(!view.model()->isAsking());
        QVERIFY(UserDefaults::flag(UserDefaults::automationAsked));
        QCOMPARE(view.model()->automationRow(), RowState::granted);
        QVERIFY(!view.allowButton()->isVisible());
        QCOMPARE(view.continueButton()->kind(), GButton::Kind::primary);

        // A new view (a new run of the app) has lost the answers, not the flag.
        AccessView later;
        QCOMPARE(later.model()->automationRow(), RowState::partial);
    }

    // A screen closed while its questions are out: the answers are dropped,
    // not a crash (QFuture::then asserts on a context that is gone).
    void answersForAModelThatIsGoneAreDropped() {
        AppFixture app;
        {
            AccessModel model;
            model.requestAutomation();
            QVERIFY(model.isAsking());
        }
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(!UserDefaults::flag(UserDefaults::automationAsked));
    }
};

QTEST_MAIN(AccessTest)
#include "tst_access.moc"
