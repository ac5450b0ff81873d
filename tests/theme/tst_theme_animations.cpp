#include <QTest>
#include <QWidget>

#include "support/TestEnvironment.h"
#include "theme/Animated.h"
#include "theme/Theme.h"
#include "theme/controls/GButton.h"
#include "theme/controls/StatusDot.h"

// With animations on: values glide, loops run only while shown.
class AnimationsTest : public QObject {
    Q_OBJECT
    TestEnvironment env;

private Q_SLOTS:
    void initTestCase() {
        // Read once, when the theme is made.
        qunsetenv("BRIGHTLOFT_NO_ANIMATIONS");
        QVERIFY(Theme::instance().animationsEnabled());
    }

    void transitionGlidesToItsTarget() {
        QWidget widget;
        Transition value(&widget);
        value.animateTo(1, Motion::out());
        QCOMPARE(value.target(), 1.0);
        QVERIFY(value.value() < 1);  // not there at once
        QTRY_COMPARE(value.value(), 1.0);
        // Turning back mid-way starts from where it is.
        value.animateTo(0, Motion::hover());
        QTRY_VERIFY(value.value() < 1);
        QTRY_COMPARE(value.value(), 0.0);
    }

    void loopRunsOnlyWhileShownAndWanted() {
        QWidget widget;
        Loop loop(&widget, 300, QEasingCurve(QEasingCurve::Linear));
        QCOMPARE(loop.phase(), 0.0);  // hidden
        widget.show();
        QTRY_VERIFY(loop.phase() > 0);
        loop.setWanted(false);
        QCOMPARE(loop.phase(), 0.0);
        loop.setWanted(true);
        QTRY_VERIFY(loop.phase() > 0);
        widget.hide();
        QCOMPARE(loop.phase(), 0.0);
    }

    void reducedMotionStopsLoops() {
        QWidget widget;
        Loop loop(&widget, 300, QEasingCurve(QEasingCurve::Linear));
        widget.show();
        QTRY_VERIFY(loop.phase() > 0);
        Theme::instance().setReducedMotion(true);
        QCOMPARE(loop.phase(), 0.0);
        Theme::instance().setReducedMotion(false);
        QTRY_VERIFY(loop.phase() > 0);
    }

    void buttonFollowsPointerAndPress() {
        QWidget window;
        window.resize(200, 100);
        auto *button = new GButton(u"Scan"_qs, GButton::Kind::secondary, &window);
        button->move(20, 20);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseMove(&window, QPoint(180, 90));
        QTest::mouseMove(button, button->rect().center());
        QTRY_COMPARE(button->hoverAmount(), 1.0);
        QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
        QTRY_COMPARE(button->pressAmount(), 1.0);
        QTest::mouseRelease(button, Qt::LeftButton, {}, button->rect().center());
        QTRY_COMPARE(button->pressAmount(), 0.0);
        QTest::mouseMove(&window, QPoint(180, 90));
        QTRY_COMPARE(button->hoverAmount(), 0.0);
    }

    void pulseRunsOnlyForPulsingDots() {
        StatusDot still(Color::green, false);
        StatusDot pulsing(Color::green, true);
        still.show();
        pulsing.show();
        const auto *loop = pulsing.findChild<Loop *>();
        QVERIFY(loop);
        QTRY_VERIFY(loop->phase() > 0);
        QCOMPARE(still.findChild<Loop *>()->phase(), 0.0);
    }

    void riseEndsWithoutItsEffect() {
        QWidget widget;
        widget.show();
        rise(&widget);
        QVERIFY(widget.graphicsEffect());
        QTRY_VERIFY(!widget.graphicsEffect());
    }
};

QTEST_MAIN(AnimationsTest)
#include "tst_theme_animations.moc"
