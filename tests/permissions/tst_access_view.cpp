#include <QLabel>
#include <QTest>
#include <QThreadPool>

#include "permissions/ui/AccessView.h"
#include "platform/UserDefaults.h"
#include "support/AppFixture.h"
#include "support/RealInput.h"
#include "theme/controls/GButton.h"

using RowState = AccessModel::RowState;
class AccessViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { qputenv("XDG_CURRENT_DESKTOP", ""); }  // no settings app is ever started

    void openingSettingsWaitsAndThePollSeesAccess() {
        AppFixture app;
        app.setAccess(false);
        AccessView view;
        view.resize(980, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(!view.continueButton()->isEnabled());
        QCOMPARE(view.openSettingsButton()->title(), u"Open Settings"_qs);
        QCOMPARE(view.openSettingsButton()->kind(), GButton::Kind::primary);

        QVERIFY(RealInput::click(view.openSettingsButton()));
        QCOMPARE(view.model()->fullDiskAccessRow(), RowState::waiting);
        QCOMPARE(view.openSettingsButton()->title(), u"Open Again"_qs);
        QCOMPARE(view.openSettingsButton()->kind(), GButton::Kind::secondary);
        QVERIFY(view.restartButton()->isVisible());
        QCOMPARE(view.restartButton()->toolTip(),
                 u"Some macOS versions apply Full Disk Access only after a restart"_qs);
        QVERIFY(!view.continueButton()->isEnabled());

        app.setAccess(true);  // the user turned access on
        QTRY_COMPARE_WITH_TIMEOUT(view.model()->fullDiskAccessRow(), RowState::granted,
                                  3 * AccessModel::pollMs);
        QVERIFY(view.continueButton()->isEnabled());
        QCOMPARE(view.continueButton()->kind(), GButton::Kind::secondary);  // automation not asked
        QVERIFY(!view.openSettingsButton()->isVisible());
        QVERIFY(!view.restartButton()->isVisible());
        QCOMPARE(view.model()->automationRow(), RowState::needed);
        QCOMPARE(view.allowButton()->kind(), GButton::Kind::primary);
    }

    // Beside the drag chip and its button the waiting row's detail wraps;
    // the row grows to hold every line of it.
    void wrappedDetailsGetTheirLines() {
        AppFixture app;
        app.setAccess(false);
        AccessView view;
        view.resize(980, 570);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(RealInput::click(view.openSettingsButton()));
        QCoreApplication::processEvents();
        int wrapped = 0;
        for (QLabel *label : view.findChildren<QLabel *>()) {
            if (!label->isVisible() || !label->wordWrap())
                continue;
            const int needed = label->heightForWidth(label->width());
            wrapped += needed > label->fontMetrics().height() * 3 / 2;
            QVERIFY2(label->height() >= needed,
                     qPrintable(label->text() + u": "_qs + QString::number(label->height()) +
                                u" < "_qs + QString::number(needed)));
        }
        QVERIFY(wrapped > 0);  // the case this is about did happen
    }

    void allowAsksEveryTargetAndRemembersIt() {
        AppFixture app;
        AccessView view;
        view.resize(980, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(RealInput::click(view.allowButton()));
        QTRY_VERIFY(!view.model()->isAsking());
        QVERIFY(UserDefaults::flag(UserDefaults::automationAsked));
        QCOMPARE(view.model()->automationRow(), RowState::granted);
        QVERIFY(!view.allowButton()->isVisible());
        QCOMPARE(view.continueButton()->kind(), GButton::Kind::primary);

        // A new view (a new run of the app) has lost the answers, not the flag.
        AccessView later;
        QCOMPARE(later.model()->automationRow(), RowState::partial);
        QCOMPARE(later.allowButton()->kind(), GButton::Kind::secondary);
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

QTEST_MAIN(AccessViewTest)
#include "tst_access_view.moc"
