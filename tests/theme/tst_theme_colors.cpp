#include <QApplication>
#include <QDBusConnection>
#include <QSignalSpy>
#include <QTest>

#include "support/TestEnvironment.h"
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

}  // namespace

class ColorsTest : public QObject {
    Q_OBJECT
    TestEnvironment env;

private Q_SLOTS:
    void cleanup() { Theme::instance().setForcedAppearance(std::nullopt); }

    void forcedAppearanceFromArgumentsOrEnvironment_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("environment");
        QTest::addColumn<int>("expected");  // -1 none, else Appearance
        QTest::newRow("nothing") << QStringList{u"app"_qs} << QByteArray() << -1;
        QTest::newRow("argument") << QStringList{u"app"_qs, u"--appearance=dark"_qs} << QByteArray()
                                  << 1;
        QTest::newRow("argument beats environment")
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

    void switchingAppearanceRecoloursAndRepaints() {
        Theme &theme = Theme::instance();
        QWidget window;
        auto *child = new PaintCounter(&window);
        auto *label = new Label(u"Text"_qs, textStyle(14, QFont::Normal, Color::gray900), &window);
        window.resize(200, 100);
        theme.setForcedAppearance(Appearance::light);
        theme.follow(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(child->paints > 0);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0x666666));
        QCOMPARE(window.palette().color(QPalette::Window), QColor(0xFAFAFA));

        QSignalSpy changed(&theme, &Theme::appearanceChanged);
        child->paints = 0;
        theme.setForcedAppearance(Appearance::dark);
        QCOMPARE(changed.size(), 1);
        QTRY_VERIFY(child->paints > 0);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0xA1A1A1));
        QCOMPARE(window.palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(window.palette().color(QPalette::WindowText), QColor(0xEDEDED));
        // Setting the same appearance again changes nothing.
        theme.setForcedAppearance(Appearance::dark);
        QCOMPARE(changed.size(), 1);
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
