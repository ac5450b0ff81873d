#include <QApplication>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QDialog>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QToolTip>

#include "support/TestEnvironment.h"
#include "theme/Text.h"
#include "theme/Theme.h"

namespace {

const QString kAppearance = u"org.freedesktop.appearance"_qs;
const QString kInterface = u"org.gnome.desktop.interface"_qs;

// Counts its paints, to see an appearance switch reach every widget.
struct PaintCounter : QWidget {
    int paints = 0;
    void paintEvent(QPaintEvent *) override { ++paints; }
};

}  // namespace

// A stand-in for the desktop's settings portal on a private bus.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    uint colorScheme = 1;  // dark

    void change(const QString &group, const QString &key, const QVariant &value) {
        Q_EMIT SettingChanged(group, key, QDBusVariant(value));
    }

public Q_SLOTS:
    // Animations off; the real portal wraps the value in a second variant.
    QDBusVariant Read(const QString &group, const QString &key) {
        QVariant value;
        if (group == kAppearance && key == u"color-scheme")
            value = colorScheme;
        if (group == kInterface && key == u"enable-animations")
            value = false;
        return QDBusVariant(QVariant::fromValue(QDBusVariant(value)));
    }

Q_SIGNALS:
    void SettingChanged(const QString &group, const QString &key, const QDBusVariant &value);
};

// Where the appearance comes from (forced, the desktop's portal, the
// palette) and what a switch does to the widgets.
class AppearanceTest : public QObject {
    Q_OBJECT
    TestEnvironment env;
    QProcess bus;
    FakePortal portal;

private Q_SLOTS:
    void initTestCase() {
        const QString daemon = QStandardPaths::findExecutable(u"dbus-daemon"_qs);
        if (daemon.isEmpty())
            return;  // the portal cases skip
        bus.start(daemon, {u"--session"_qs, u"--nofork"_qs, u"--print-address=1"_qs});
        QVERIFY(bus.waitForStarted());
        QTRY_VERIFY(bus.canReadLine());
        const QByteArray address = bus.readLine().trimmed();
        // Before anything opens the session bus: the theme reads it from here.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QDBusConnection desktop =
            QDBusConnection::connectToBus(QString::fromUtf8(address), u"desktop"_qs);
        QVERIFY(desktop.registerObject(
            u"/org/freedesktop/portal/desktop"_qs, &portal,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        QVERIFY(desktop.registerService(u"org.freedesktop.portal.Desktop"_qs));
    }

    void cleanupTestCase() {
        QDBusConnection::disconnectFromBus(u"desktop"_qs);
        bus.kill();
        bus.waitForFinished();
    }

    void init() {
        if (QByteArray(QTest::currentTestFunction()).startsWith("portal") &&
            bus.state() != QProcess::Running)
            QSKIP("dbus-daemon is not installed");
    }

    void cleanup() { Theme::instance().setForcedAppearance(std::nullopt); }

    void portalPreferencesAreRead() {
        // The palette says light; the portal's dark wins once it answers.
        QCOMPARE(Theme::appearanceOf(QGuiApplication::palette()), Appearance::light);
        QTRY_COMPARE(Theme::instance().appearance(), Appearance::dark);
        QTRY_VERIFY(Theme::instance().reducedMotion());
        QVERIFY(!Theme::instance().animationsEnabled());
    }

    void portalChangesAreFollowed_data() {
        QTest::addColumn<QVariant>("scheme");
        QTest::addColumn<Appearance>("expected");
        QTest::newRow("prefer light") << QVariant(2u) << Appearance::light;
        QTest::newRow("prefer dark") << QVariant(1u) << Appearance::dark;
        QTest::newRow("no preference") << QVariant(0u) << Appearance::light;
    }
    void portalChangesAreFollowed() {
        QFETCH(QVariant, scheme);
        QFETCH(Appearance, expected);
        portal.change(kAppearance, u"color-scheme"_qs, scheme);
        QTRY_COMPARE(Theme::instance().appearance(), expected);
    }

    void portalIgnoresOtherSettings() {
        portal.change(kAppearance, u"color-scheme"_qs, 1u);
        QTRY_COMPARE(Theme::instance().appearance(), Appearance::dark);
        portal.change(kAppearance, u"accent-color"_qs, 2u);
        // Values not understood: a later scheme, not a number.
        portal.change(kAppearance, u"color-scheme"_qs, 3u);
        portal.change(kAppearance, u"color-scheme"_qs, u"light"_qs);
        // A change that is understood, to know those before it were handled.
        portal.change(kInterface, u"enable-animations"_qs, true);
        QTRY_VERIFY(!Theme::instance().reducedMotion());
        QCOMPARE(Theme::instance().appearance(), Appearance::dark);
    }

    void portalLosesToAForcedAppearance() {
        Theme::instance().setForcedAppearance(Appearance::light);
        portal.change(kAppearance, u"color-scheme"_qs, 1u);
        portal.change(kInterface, u"enable-animations"_qs, false);
        QTRY_VERIFY(Theme::instance().reducedMotion());
        QCOMPARE(Theme::instance().appearance(), Appearance::light);
        Theme::instance().setForcedAppearance(std::nullopt);
        QCOMPARE(Theme::instance().appearance(), Appearance::dark);
    }

    void paletteDecidesWhenThePortalDoesNot() {
        if (bus.state() != QProcess::Running && QDBusConnection::sessionBus().isConnected())
            QSKIP("a session bus may carry the desktop's own colour scheme");
        // A fresh theme, asking a portal whose answer it cannot use.
        portal.colorScheme = 3;
        delete &Theme::instance();
        const QPalette original = QGuiApplication::palette();
        QPalette dark = original;
        dark.setColor(QPalette::Window, QColor(0x202020));
        dark.setColor(QPalette::WindowText, QColor(0xF0F0F0));
        QApplication::setPalette(dark);
        QTRY_COMPARE(Theme::instance().appearance(), Appearance::dark);
        QApplication::setPalette(original);
        QTRY_COMPARE(Theme::instance().appearance(), Appearance::light);
    }

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

    void tooltipsMenusAndDialogsFollow() {
        Theme &theme = Theme::instance();
        theme.setForcedAppearance(Appearance::dark);
        QWidget window;
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QMenu menu;
        menu.addAction(u"Settings…"_qs);
        menu.popup(window.mapToGlobal(QPoint(10, 10)));
        QDialog dialog(&window);
        dialog.show();
        QToolTip::showText(window.mapToGlobal(QPoint(20, 20)), u"Tip"_qs, &window);
        QWidget *tip = nullptr;
        QTRY_VERIFY((tip = [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->inherits("QTipLabel") && w->isVisible())
                    return w;
            return static_cast<QWidget *>(nullptr);
        }()));
        const QColor darkCard = resolve(Color::bg100, Appearance::dark);
        QCOMPARE(tip->palette().color(QPalette::ToolTipBase), darkCard);
        QCOMPARE(menu.palette().color(QPalette::Base), darkCard);
        QCOMPARE(dialog.palette().color(QPalette::Window), resolve(Color::bg200, Appearance::dark));

        theme.setForcedAppearance(Appearance::light);
        const QColor lightCard = resolve(Color::bg100, Appearance::light);
        QCOMPARE(tip->palette().color(QPalette::ToolTipBase), lightCard);
        QCOMPARE(menu.palette().color(QPalette::Base), lightCard);
        QToolTip::hideText();
    }

    void switchingRecoloursAndRepaints() {
        Theme &theme = Theme::instance();
        QWidget window;
        auto *child = new PaintCounter;
        auto *label = new Label(u"Text"_qs, textStyle(14, QFont::Normal, Color::gray900), &window);
        window.resize(200, 100);
        child->setParent(&window);
        child->setGeometry(100, 0, 100, 100);  // clear of the label
        QWidget followed;                      // apart, so its palette does not repaint the others
        theme.setForcedAppearance(Appearance::light);
        theme.follow(&followed);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(child->paints > 0);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0x666666));
        QCOMPARE(followed.palette().color(QPalette::Window), QColor(0xFAFAFA));

        QSignalSpy changed(&theme, &Theme::appearanceChanged);
        child->paints = 0;
        theme.setForcedAppearance(Appearance::dark);
        QCOMPARE(changed.size(), 1);
        QTRY_VERIFY(child->paints > 0);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0xA1A1A1));
        QCOMPARE(followed.palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(followed.palette().color(QPalette::WindowText), QColor(0xEDEDED));
        // Setting the same appearance again changes nothing.
        theme.setForcedAppearance(Appearance::dark);
        QCOMPARE(changed.size(), 1);
    }
};

QTEST_MAIN(AppearanceTest)
#include "tst_theme_appearance.moc"
