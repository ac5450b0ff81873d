#include <QSignalSpy>
#include <QTest>

#include "support/TestEnvironment.h"
#include "theme/Theme.h"
#include "theme/controls/Badge.h"
#include "theme/controls/ConfirmButton.h"
#include "theme/controls/GButton.h"
#include "theme/controls/Spinner.h"
#include "theme/controls/StatusDot.h"

namespace {

enum class Activation { mouse, keyboard };

void activate(QWidget *button, Activation how) {
    if (how == Activation::mouse)
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    else
        QTest::keyClick(button, Qt::Key_Space);
}

// A confirm button on screen, ready for input.
struct Shown {
    ConfirmButton button{u"Clean"_qs, u"Confirm: Empty Trash & Clean"_qs, u"sparkles"_qs};
    QSignalSpy confirmed{&button, &ConfirmButton::confirmed};
    Shown() {
        button.show();
        button.setFocus();
    }
};

}  // namespace

class ControlsTest : public QObject {
    Q_OBJECT
    TestEnvironment env;

private Q_SLOTS:
    void initTestCase() { Theme::instance().setForcedAppearance(Appearance::light); }

    void activations_data() {
        QTest::addColumn<Activation>("how");
        QTest::newRow("mouse") << Activation::mouse;
        QTest::newRow("keyboard") << Activation::keyboard;
    }

    void confirmFirstActivationArms_data() { activations_data(); }
    void confirmFirstActivationArms() {
        QFETCH(Activation, how);
        Shown shown;
        ConfirmButton &b = shown.button;
        QCOMPARE(b.kind(), GButton::Kind::primary);
        QCOMPARE(b.iconName(), u"sparkles"_qs);
        QCOMPARE(b.accessibleDescription(), u"Asks for confirmation"_qs);
        QCOMPARE(b.sizeHint().height(), 32);

        activate(&b, how);
        QVERIFY(b.isArmed());
        QCOMPARE(b.title(), u"Confirm: Empty Trash & Clean"_qs);
        QCOMPARE(b.iconName(), u"warning"_qs);
        QCOMPARE(b.kind(), GButton::Kind::error);
        QCOMPARE(b.accessibleDescription(), u"Activate again to confirm"_qs);
        QCOMPARE(shown.confirmed.size(), 0);
    }

    void confirmSecondActivationRunsOnce_data() { activations_data(); }
    void confirmSecondActivationRunsOnce() {
        QFETCH(Activation, how);
        Shown shown;
        ConfirmButton &b = shown.button;
        activate(&b, how);
        activate(&b, how);
        QCOMPARE(shown.confirmed.size(), 1);
        QVERIFY(!b.isArmed());
        QCOMPARE(b.title(), u"Clean"_qs);
        QCOMPARE(b.kind(), GButton::Kind::primary);
        // A third activation only arms again.
        activate(&b, how);
        QCOMPARE(shown.confirmed.size(), 1);
        QVERIFY(b.isArmed());
    }

    void confirmLapsesWithoutRunning() {
        Shown shown;
        ConfirmButton &b = shown.button;
        QSignalSpy armed(&b, &ConfirmButton::armedChanged);
        b.setConfirmWindow(30);
        activate(&b, Activation::mouse);
        QVERIFY(b.isArmed());
        QVERIFY(armed.wait(2000));
        QVERIFY(!b.isArmed());
        QCOMPARE(b.title(), u"Clean"_qs);
        QCOMPARE(b.iconName(), u"sparkles"_qs);
        QCOMPARE(shown.confirmed.size(), 0);
        // After the lapse a click arms anew instead of confirming.
        activate(&b, Activation::mouse);
        QVERIFY(b.isArmed());
        QCOMPARE(shown.confirmed.size(), 0);
    }

    void confirmTitlesCanChange() {
        Shown shown;
        ConfirmButton &b = shown.button;
        b.setTitles(u"Clean 2 GB"_qs, u"Confirm: Clean 2 GB"_qs);
        QCOMPARE(b.title(), u"Clean 2 GB"_qs);
        activate(&b, Activation::mouse);
        b.setTitles(u"Clean 3 GB"_qs, u"Confirm: Clean 3 GB"_qs);
        QCOMPARE(b.title(), u"Confirm: Clean 3 GB"_qs);
        QVERIFY(b.isArmed());
        b.disarm();
        QCOMPARE(b.title(), u"Clean 3 GB"_qs);
    }

    void confirmEscapeDisarms() {
        Shown shown;
        ConfirmButton &b = shown.button;
        activate(&b, Activation::mouse);
        QTest::keyClick(&b, Qt::Key_Escape);
        QVERIFY(!b.isArmed());
        QCOMPARE(b.kind(), GButton::Kind::primary);
        // The next activation arms again; nothing ran.
        activate(&b, Activation::mouse);
        QVERIFY(b.isArmed());
        QCOMPARE(shown.confirmed.size(), 0);
    }

    void loadingButtonIgnoresInput_data() { activations_data(); }
    void loadingButtonIgnoresInput() {
        QFETCH(Activation, how);
        GButton b(u"Scan"_qs);
        b.setIconName(u"search"_qs);
        b.show();
        b.setFocus();
        QSignalSpy clicked(&b, &QAbstractButton::clicked);
        b.setLoading(true);
        activate(&b, how);
        QCOMPARE(clicked.size(), 0);
        QVERIFY(!b.isInteractive());
        QCOMPARE(b.hoverAmount(), 0.0);
        b.setLoading(false);
        activate(&b, how);
        QCOMPARE(clicked.size(), 1);
    }

    void focusIsDrawnOnlyWhenReachedByKeyboard() {
        QWidget window;
        auto *first = new GButton(u"First"_qs, GButton::Kind::primary, &window);
        auto *second = new GButton(u"Second"_qs, GButton::Kind::secondary, &window);
        second->move(100, 0);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::mouseClick(first, Qt::LeftButton, {}, first->rect().center());
        QVERIFY(first->hasFocus());
        QVERIFY(!first->showsFocus());
        QTest::keyClick(first, Qt::Key_Tab);
        QVERIFY(second->hasFocus());
        QVERIFY(second->showsFocus());
    }

    void disabledButtonShowsNoHover() {
        GButton b(u"Scan"_qs, GButton::Kind::secondary);
        b.show();
        b.setEnabled(false);
        b.pinState(true, true);
        QCOMPARE(b.hoverAmount(), 0.0);
        QCOMPARE(b.pressAmount(), 0.0);
        b.setEnabled(true);
        QCOMPARE(b.hoverAmount(), 1.0);
    }

    void buttonColoursPerKind_data() {
        QTest::addColumn<GButton::Kind>("kind");
        QTest::addColumn<qreal>("hover");
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("background");
        const auto alpha = [](QRgb rgb, qreal a) {
            QColor c(rgb);
            c.setAlphaF(float(a));
            return c;
        };
        // Light appearance.
        QTest::newRow("primary idle")
            << GButton::Kind::primary << 0.0 << QColor(0xFFFFFF) << QColor(0x171717);
        QTest::newRow("primary hovered")
            << GButton::Kind::primary << 1.0 << QColor(0xFFFFFF) << alpha(0x171717, 0.85);
        QTest::newRow("secondary idle")
            << GButton::Kind::secondary << 0.0 << QColor(0x171717) << QColor(0xFFFFFF);
        QTest::newRow("secondary hovered")
            << GButton::Kind::secondary << 1.0 << QColor(0x171717) << QColor(0xF2F2F2);
        QTest::newRow("tertiary idle")
            << GButton::Kind::tertiary << 0.0 << QColor(0x171717) << alpha(0, 0);
        QTest::newRow("tertiary hovered")
            << GButton::Kind::tertiary << 1.0 << QColor(0x171717) << alpha(0, 0.04);
        QTest::newRow("error idle")
            << GButton::Kind::error << 0.0 << QColor(Qt::white) << QColor(0xD8323C);
        QTest::newRow("error hovered")
            << GButton::Kind::error << 1.0 << QColor(Qt::white) << alpha(0xD8323C, 0.85);
    }
    void buttonColoursPerKind() {
        QFETCH(GButton::Kind, kind);
        QFETCH(qreal, hover);
        QFETCH(QColor, text);
        QFETCH(QColor, background);
        const GButton::Colors c = GButton::colors(kind, hover);
        QCOMPARE(c.text.rgba(), text.rgba());
        QCOMPARE(c.background.rgb(), background.rgb());
        QVERIFY(qAbs(c.background.alphaF() - background.alphaF()) < 0.01);
        QCOMPARE(c.outline.alpha() > 0, kind == GButton::Kind::secondary);
    }

    void badgeNeutralVersusTinted_data() {
        QTest::addColumn<Appearance>("appearance");
        QTest::newRow("light") << Appearance::light;
        QTest::newRow("dark") << Appearance::dark;
    }
    void badgeNeutralVersusTinted() {
        QFETCH(Appearance, appearance);
        Theme &theme = Theme::instance();
        theme.setForcedAppearance(appearance);
        const Badge::Colors neutral = Badge::colors(Color::gray900);
        QCOMPARE(neutral.text, theme.color(Color::gray1000));
        QCOMPARE(neutral.fill, theme.color(Color::gray100));
        for (Color tint : {Color::green, Color::amber, Color::red, Color::blue, Color::gray600}) {
            const Badge::Colors tinted = Badge::colors(tint);
            QCOMPARE(tinted.text, theme.color(tint));
            QCOMPARE(tinted.fill.rgb(), theme.color(tint).rgb());
            QVERIFY(qAbs(tinted.fill.alphaF() - 0.14) < 0.01);
        }
        theme.setForcedAppearance(Appearance::light);
    }

    void pulseHonoursReducedMotion_data() {
        QTest::addColumn<bool>("pulsing");
        QTest::addColumn<bool>("reduced");
        QTest::addColumn<bool>("halo");
        QTest::newRow("pulsing") << true << false << true;
        QTest::newRow("pulsing, reduced motion") << true << true << false;
        QTest::newRow("still") << false << false << false;
    }
    void pulseHonoursReducedMotion() {
        QFETCH(bool, pulsing);
        QFETCH(bool, reduced);
        QFETCH(bool, halo);
        Theme::instance().setReducedMotion(reduced);
        StatusDot dot(Color::green, pulsing);
        QCOMPARE(dot.showsHalo(), halo);
        QCOMPARE(dot.size(), QSize(12, 12));
        Theme::instance().setReducedMotion(false);
    }

    void spinnerIsAnnouncedAsLoading() {
        Spinner spinner(12);
        QCOMPARE(spinner.accessibleName(), u"Loading"_qs);
        QCOMPARE(spinner.size(), QSize(12, 12));
    }

    void buttonWidthFollowsItsLabel() {
        GButton plain(u"Scan"_qs);
        GButton withIcon(u"Scan"_qs);
        withIcon.setIconName(u"search"_qs);
        // Icon 15 and spacing 6 more; 12 padding each side around the label.
        QCOMPARE(withIcon.sizeHint().width() - plain.sizeHint().width(), 21);
        QCOMPARE(GButton(QString()).sizeHint().width(), 24);
        QCOMPARE(plain.sizeHint().height(), 32);
    }
};

QTEST_MAIN(ControlsTest)
#include "tst_theme_controls.moc"
