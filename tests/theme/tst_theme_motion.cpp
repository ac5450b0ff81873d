#include <QTest>
#include <QWidget>

#include "support/TestEnvironment.h"
#include "theme/Animated.h"
#include "theme/Motion.h"

namespace {

// An independent cubic bezier from (0, 0) to (1, 1): solve x(t) = x by
// bisection, then read y(t).
qreal bezierAt(QPointF c1, QPointF c2, qreal x) {
    const auto coordinate = [](qreal a, qreal b, qreal t) {
        const qreal u = 1 - t;
        return 3 * u * u * t * a + 3 * u * t * t * b + t * t * t;
    };
    qreal lo = 0, hi = 1;
    for (int i = 0; i < 60; ++i) {
        const qreal mid = (lo + hi) / 2;
        (coordinate(c1.x(), c2.x(), mid) < x ? lo : hi) = mid;
    }
    return coordinate(c1.y(), c2.y(), (lo + hi) / 2);
}

}  // namespace

class MotionTest : public QObject {
    Q_OBJECT
    TestEnvironment env;

private Q_SLOTS:
    void curvesFollowTheirBezier_data() {
        QTest::addColumn<QEasingCurve>("curve");
        QTest::addColumn<QPointF>("c1");
        QTest::addColumn<QPointF>("c2");
        QTest::addColumn<int>("durationMs");
        QTest::newRow("out") << Motion::out().curve << QPointF(0.23, 1) << QPointF(0.32, 1) << 200;
        QTest::newRow("press") << Motion::press().curve << QPointF(0.23, 1) << QPointF(0.32, 1)
                               << 140;
        QTest::newRow("hover") << Motion::hover().curve << QPointF(0, 0) << QPointF(0.58, 1) << 120;
    }
    void curvesFollowTheirBezier() {
        QFETCH(QEasingCurve, curve);
        QFETCH(QPointF, c1);
        QFETCH(QPointF, c2);
        QFETCH(int, durationMs);
        QCOMPARE(curve.type(), QEasingCurve::BezierSpline);
        for (qreal x : {0.0, 0.05, 0.1, 0.25, 0.5, 0.75, 0.9, 1.0}) {
            const qreal expected = bezierAt(c1, c2, x);
            QVERIFY2(qAbs(curve.valueForProgress(x) - expected) < 0.01,
                     qPrintable(u"at %1: %2, expected %3"_qs.arg(x)
                                    .arg(curve.valueForProgress(x))
                                    .arg(expected)));
        }
        const Motion motions[] = {Motion::out(), Motion::press(), Motion::hover()};
        QVERIFY(std::any_of(std::begin(motions), std::end(motions), [&](const Motion &m) {
            return m.curve == curve && m.durationMs == durationMs;
        }));
    }

    void outCurveStartsFastAndLandsSoftly() {
        // A curve that silently fell back to linear would give 0.1 and 0.5.
        const QEasingCurve curve = Motion::out().curve;
        QVERIFY(curve.valueForProgress(0.1) > 0.35);
        QVERIFY(curve.valueForProgress(0.5) > 0.95);
        QCOMPARE(curve.valueForProgress(1.0), 1.0);
    }

    void transitionJumpsWhenAnimationsAreOff() {
        // The tests run with BRIGHTLOFT_NO_ANIMATIONS=1.
        QWidget widget;
        Transition value(&widget);
        value.animateTo(1, Motion::out());
        QCOMPARE(value.value(), 1.0);
        value.animateTo(0.25, Motion::hover());
        QCOMPARE(value.value(), 0.25);
    }

    void riseLeavesNoEffectWhenAnimationsAreOff() {
        QWidget widget;
        rise(&widget);
        QVERIFY(!widget.graphicsEffect());
    }
};

QTEST_MAIN(MotionTest)
#include "tst_theme_motion.moc"
