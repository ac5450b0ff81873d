#include <QApplication>
#include <QDBusConnection>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "support/TestEnvironment.h"
#include "theme/DesktopSettings.h"
#include "theme/Text.h"
#include "theme/Theme.h"

namespace {

// Counts its paints, to see an appearance switch reach every widget.
class PaintCounter : public QWidget {
public:
    using QWidget::QWidget;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
};

QColor rgba(QRgb rgb, qreal alpha) {
    QColor c(rgb);
    c.setAlphaF(float(alpha));
    return c;
}

}  // namespace

class ColorsTest : public QObject {
    Q_OBJECT
    TestEnvironment env;

private Q_SLOTS:
    void cleanup() { Theme::instance().setForcedAppearance(std::nullopt); }

    void namedColoursResolvePerAppearance_data() {
        QTest::addColumn<Color>("color");
        QTest::addColumn<QColor>("dark");
        QTest::addColumn<QColor>("light");
        QTest::newRow("bg100") << Color::bg100 << QColor(0x0A0A0A) << QColor(0xFFFFFF);
        QTest::newRow("bg200") << Color::bg200 << QColor(Qt::black) << QColor(0xFAFAFA);
        QTest::newRow("gray400") << Color::gray400 << QColor(0x2E2E2E) << QColor(0xEAEAEA);
        QTest::newRow("gray900") << Color::gray900 << QColor(0xA1A1A1) << QColor(0x666666);
        QTest::newRow("gray1000") << Color::gray1000 << QColor(0xEDEDED) << QColor(0x171717);
        QTest::newRow("alpha100") << Color::alpha100 << rgba(0xFFFFFF, 0.06)
                                  << rgba(0x000000, 0.04);
        QTest::newRow("border") << Color::border << rgba(0xFFFFFF, 0.14) << rgba(0x000000, 0.08);
        QTest::newRow("amber") << Color::amber << QColor(0xFFB224) << QColor(0xC77700);
        QTest::newRow("red") << Color::red << QColor(0xE5484D) << QColor(0xD8323C);
    }
    void namedColoursResolvePerAppearance() {
        QFETCH(Color, color);
        QFETCH(QColor, dark);
        QFETCH(QColor, light);
        QCOMPARE(resolve(color, Appearance::dark).rgba(), dark.rgba());
        QCOMPARE(resolve(color, Appearance::light).rgba(), light.rgba());
        Theme::instance().setForcedAppearance(Appearance::dark);
        QCOMPARE(Theme::instance().color(color).rgba(), dark.rgba());
        Theme::instance().setForcedAppearance(Appearance::light);
        QCOMPARE(Theme::instance().color(color).rgba(), light.rgba());
    }

    void forcedAppearanceFromArgumentsOrEnvironment_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("environment");
        QTest::addColumn<int>("expected");  // -1 none, else Appearance
        QTest::newRow("nothing") << QStringList{u"app"_qs} << QByteArray() << -1;
        QTest::newRow("argument dark")
            << QStringList{u"app"_qs, u"--appearance=dark"_qs} << QByteArray() << 1;
        QTest::newRow("argument light")
            << QStringList{u"--appearance=light"_qs} << QByteArray("dark") << 0;
        QTest::newRow("environment") << QStringList{u"app"_qs} << QByteArray("dark") << 1;
        QTest::newRow("unknown word")
            << QStringList{u"--appearance=sepia"_qs} << QByteArray() << -1;
    }
    void forcedAppearanceFromArgumentsOrEnvironment() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, environment);
        QFETCH(int, expected);
        qputenv("BRIGHTLOFT_APPEARANCE", environment);
        const std::optional<Appearance> forced = Theme::forcedAppearance(arguments);
        qunsetenv("BRIGHTLOFT_APPEARANCE");
        QCOMPARE(forced ? int(*forced) : -1, expected);
    }

    void portalColorSchemeValues_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("expected");  // -1 not understood, 0 light, 1 dark
        QTest::newRow("no preference") << QVariant(0u) << 0;
        QTest::newRow("dark") << QVariant(1u) << 1;
        QTest::newRow("light") << QVariant(2u) << 0;
        QTest::newRow("future value") << QVariant(3u) << -1;
        QTest::newRow("not a number") << QVariant(u"dark"_qs) << -1;
    }
    void portalColorSchemeValues() {
        QFETCH(QVariant, value);
        QFETCH(int, expected);
        const std::optional<bool> dark = DesktopSettings::prefersDark(value);
        QCOMPARE(dark ? int(*dark) : -1, expected);
    }

    void switchingAppearanceRepaintsEveryWidget() {
        QWidget window;
        auto *child = new PaintCounter(&window);
        auto *label = new Label(u"Text"_qs, textStyle(14, QFont::Normal, Color::gray900), &window);
        window.resize(200, 100);
        Theme::instance().setForcedAppearance(Appearance::light);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(child->paints > 0);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0x666666));

        QSignalSpy changed(&Theme::instance(), &Theme::appearanceChanged);
        child->paints = 0;
        Theme::instance().setForcedAppearance(Appearance::dark);
        QCOMPARE(changed.size(), 1);
        QTRY_VERIFY(child->paints > 0);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0xA1A1A1));

        // Setting the same appearance again changes nothing.
        Theme::instance().setForcedAppearance(Appearance::dark);
        QCOMPARE(changed.size(), 1);
    }

    void followedWindowsTakeThePalette() {
        QWidget window;
        Theme::instance().setForcedAppearance(Appearance::light);
        Theme::instance().follow(&window);
        QCOMPARE(window.palette().color(QPalette::Window), QColor(0xFAFAFA));
        Theme::instance().setForcedAppearance(Appearance::dark);
        QCOMPARE(window.palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(window.palette().color(QPalette::WindowText), QColor(0xEDEDED));
    }

    void paletteChangeDecidesWithoutPortal() {
        if (QDBusConnection::sessionBus().isConnected())
            QSKIP("a session bus may carry the desktop's own colour scheme");
        const QPalette original = QGuiApplication::palette();
        QPalette dark = original;
        dark.setColor(QPalette::Window, QColor(0x202020));
        dark.setColor(QPalette::WindowText, QColor(0xF0F0F0));
        QApplication::setPalette(dark);
        QTRY_COMPARE(Theme::instance().appearance(), Appearance::dark);
        QApplication::setPalette(original);
        QTRY_COMPARE(Theme::instance().appearance(), Theme::appearanceOf(original));
        // A forced appearance wins over the palette.
        QApplication::setPalette(dark);
        Theme::instance().setForcedAppearance(Appearance::light);
        QCOMPARE(Theme::instance().appearance(), Appearance::light);
        QApplication::setPalette(original);
    }
};

QTEST_MAIN(ColorsTest)
#include "tst_theme_colors.moc"
