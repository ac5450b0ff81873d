#include <QTest>
#include <QWidget>

#include "support/TestEnvironment.h"
#include "theme/Animated.h"
#include "theme/Motion.h"
#include "theme/Theme.h"
#include "theme/controls/GButton.h"
#include "theme/controls/StatusDot.h"

namespace {

// An independent cubic bezier from (0, 0) to (1, 1): solve x(t) = x by
// bisection, then read y(t).
qreal bezierAt(QPointF c1, QPointF c2, qreal x) {
    const auto at = [](qreal a, qreal b, qreal t) {
        return 3 * (1 - t) * (1 - t) * t * a + 3 * (1 - t) * t * t * b + t * t * t;
    };
    qreal lo = 0, hi = 1;
    for (int i = 0; i < 60; ++i) (at(c1.x(), c2.x(), (lo + hi) / 2) < x ? lo : hi) = (lo + hi) / 2;
    return at(c1.y(), c2.y(), (lo + hi) / 2);
}

}  // namespace

// Curves, and values that glide or jump depending on whether motion is allowed.
class AnimationsTest : public QObject {
    Q_OBJECT
    TestEnvironment env;

private Q_SLOTS:
    void initTestCase() {
        // The switch is read once, when the theme is made: with it set,
        // values jump and rises leave nothing behind.
        qputenv("BRIGHTLOFT_NO_ANIMATIONS", "1");
        delete &Theme::instance();
        QWidget widget;
        Transition value(&widget);
        value.animateTo(0.25, Motion::out());
        QCOMPARE(value.value(), 0.25);
        rise(&widget);
        QVERIFY(!widget.graphicsEffect());
        // Everything below runs with animations on.
        qunsetenv("BRIGHTLOFT_NO_ANIMATIONS");
        delete &Theme::instance();
        QVERIFY(Theme::instance().animationsEnabled());
    }

    void curvesFollowTheirBezier_data() {
        QTest::addColumn<QEasingCurve>("curve");
        QTest::addColumn<QPointF>("c1");
        QTest::addColumn<QPointF>("c2");
        QTest::newRow("out") << Motion::out().curve << QPointF(0.23, 1) << QPointF(0.32, 1);
        QTest::newRow("press") << Motion::press().curve << QPointF(0.23, 1) << QPointF(0.32, 1);
        QTest::newRow("hover") << Motion::hover().curve << QPointF(0, 0) << QPointF(0.58, 1);
    }
    void curvesFollowTheirBezier() {
        QFETCH(QEasingCurve, curve);
        QFETCH(QPointF, c1);
        QFETCH(QPointF, c2);
        // A curve that quietly fell back to linear would miss at once.
        for (qreal x : {0.0, 0.05, 0.1, 0.25, 0.5, 0.75, 0.9, 1.0}) {
            const qreal expected = bezierAt(c1, c2, x);
            QVERIFY2(qAbs(curve.valueForProgress(x) - expected) < 0.01,
                     qPrintable(u"at %1: %2, expected %3"_qs.arg(x)
                                    .arg(curve.valueForProgress(x))
                                    .arg(expected)));
        }
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
        // Reduced motion makes it jump.
        Theme::instance().setReducedMotion(true);
        value.animateTo(0.5, Motion::out());
        QCOMPARE(value.value(), 0.5);
        Theme::instance().setReducedMotion(false);
    }

    void loopRunsOnlyWhileShownWantedAndMotionAllowed() {
        QWidget widget;
        Loop loop(&widget, 300, QEasingCurve(QEasingCurve::Linear));
        QCOMPARE(loop.phase(), 0.0);  // hidden
        widget.show();
        QTRY_VERIFY(loop.phase() > 0);
        loop.setWanted(false);
        QCOMPARE(loop.phase(), 0.0);
        loop.setWanted(true);
        QTRY_VERIFY(loop.phase() > 0);
        Theme::instance().setReducedMotion(true);
        QCOMPARE(loop.phase(), 0.0);
        Theme::instance().setReducedMotion(false);
        QTRY_VERIFY(loop.phase() > 0);
        widget.hide();
        QCOMPARE(loop.phase(), 0.0);
    }

    void buttonFollowsPointerAndPress() {
        QWidget window;
        window.resize(200, 100);
        auto *button = new GButton(u"Scan"_qs, GButton::Kind::secondary, &window);
        button->move(20, 20);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint centre = button->rect().center();
        QTest::mouseMove(&window, QPoint(180, 90));
        QTest::mouseMove(button, centre);
        QTRY_COMPARE(button->hoverAmount(), 1.0);
        QTest::mousePress(button, Qt::LeftButton, {}, centre);
        QTRY_COMPARE(button->pressAmount(), 1.0);
        QTest::mouseRelease(button, Qt::LeftButton, {}, centre);
        QTRY_COMPARE(button->pressAmount(), 0.0);
        QTest::mouseMove(&window, QPoint(180, 90));
        QTRY_COMPARE(button->hoverAmount(), 0.0);
    }

    void pulseRunsOnlyForPulsingDots() {
        StatusDot still(Color::green, false);
        StatusDot pulsing(Color::green, true);
        still.show();
        pulsing.show();
        QTRY_VERIFY(pulsing.findChild<Loop *>()->phase() > 0);
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
