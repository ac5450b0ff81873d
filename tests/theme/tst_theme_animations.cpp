#include <QGraphicsOpacityEffect>
#include <QTest>
#include <QWidget>

#include "support/TestEnvironment.h"
#include "theme/Animated.h"
#include "theme/Motion.h"
#include "theme/Theme.h"
#include "theme/controls/GButton.h"
#include "theme/controls/Spinner.h"
#include "theme/controls/StatusDot.h"

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
        widget.show();
        fade(&widget, false);
        QVERIFY(widget.isHidden() && !widget.graphicsEffect());
        // Everything below runs with animations on.
        qunsetenv("BRIGHTLOFT_NO_ANIMATIONS");
        delete &Theme::instance();
        QVERIFY(Theme::instance().animationsEnabled());
    }

    void cleanup() { Theme::instance().setReducedMotion(false); }

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

    void pulseRunsOnlyForPulsingDotsWhileMotionIsAllowed() {
        StatusDot still(Color::green, false);
        StatusDot pulsing(Color::green, true);
        still.show();
        pulsing.show();
        const Loop *pulse = pulsing.findChild<Loop *>();
        QTRY_VERIFY(pulse->phase() > 0);
        QVERIFY(pulsing.showsHalo() && !still.showsHalo());
        QCOMPARE(still.findChild<Loop *>()->phase(), 0.0);
        Theme::instance().setReducedMotion(true);
        QVERIFY(!pulsing.showsHalo());
        QCOMPARE(pulse->phase(), 0.0);
    }

    void spinnerKeepsTurningUnderReducedMotion() {
        Theme::instance().setReducedMotion(true);
        Spinner spinner;
        GButton loading(u"Scan"_qs);
        loading.setLoading(true);
        spinner.show();
        loading.show();
        // "Working" is information, not decoration.
        QTRY_VERIFY(spinner.findChild<Loop *>()->phase() > 0);
        QTRY_VERIFY(loading.findChild<Loop *>()->phase() > 0);
    }

    void controlBuiltWithItsLookDoesNotFadeIn() {
        QWidget window;
        window.resize(200, 60);
        auto *button = new GButton(u"Scan"_qs, GButton::Kind::primary, &window);
        button->setIconName(u"search"_qs);
        button->setKind(GButton::Kind::secondary);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage first = button->grab().toImage();
        QTest::qWait(Motion::out().durationMs + 50);
        QCOMPARE(button->grab().toImage(), first);
        // A change on screen still shows.
        button->setKind(GButton::Kind::primary);
        QTRY_VERIFY(button->grab().toImage() != first);
    }

    void riseAndFadeEndWithoutTheirEffect() {
        QWidget parent;
        auto *child = new QWidget(&parent);
        parent.show();
        rise(&parent);
        QVERIFY(parent.graphicsEffect());
        QTRY_VERIFY(!parent.graphicsEffect());
        parent.hide();

        fade(child, false);
        parent.show();
        QVERIFY(child->isHidden());  // stays hidden when its parent shows

        fade(child, true);
        QVERIFY(child->isVisible());
        auto *effect = qobject_cast<QGraphicsOpacityEffect *>(child->graphicsEffect());
        QVERIFY(effect && effect->opacity() < 1);
        QTRY_VERIFY(!child->graphicsEffect());

        // Turning back mid-way: the fade out's end must not hide it.
        fade(child, false);
        QVERIFY(child->isVisible());
        QTest::qWait(50);
        fade(child, true);
        QTRY_VERIFY(!child->graphicsEffect());
        QTest::qWait(250);
        QVERIFY(child->isVisible());

        fade(child, false);
        QTRY_VERIFY(child->isHidden());
        QVERIFY(!child->graphicsEffect());
    }
};

QTEST_MAIN(AnimationsTest)
#include "tst_theme_animations.moc"
