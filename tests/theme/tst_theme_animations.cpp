#include <QTest>
#include <QWidget>

#include "support/TestEnvironment.h"
#include "theme/Animated.h"
#include "theme/Theme.h"

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
