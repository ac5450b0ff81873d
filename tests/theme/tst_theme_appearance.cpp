#include <QApplication>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QDialog>
#include <QMenu>
#include <QProcess>
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

// Which appearance the app follows (forced, or the desktop's portal), and
// that a switch reaches every window.
class AppearanceTest : public QObject {
    Q_OBJECT
    TestEnvironment env;
    QProcess bus;
    FakePortal portal;

    // Lets every portal signal sent so far arrive: one the theme understands
    // comes after them.
    bool portalSettled() {
        const bool reduced = !Theme::instance().reducedMotion();
        portal.change(kInterface, u"enable-animations"_qs, !reduced);
        return QTest::qWaitFor([&] { return Theme::instance().reducedMotion() == reduced; });
    }

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

    void portalIsReadAtStart() {
        // The palette says light; the portal's dark wins once it answers.
        QCOMPARE(Theme::appearanceOf(QGuiApplication::palette()), Appearance::light);
        QTRY_COMPARE(Theme::instance().appearance(), Appearance::dark);
        QTRY_VERIFY(Theme::instance().reducedMotion());
    }

    void portalChangesAreFollowed_data() {
        QTest::addColumn<uint>("from");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<Appearance>("expected");
        const QString scheme = u"color-scheme"_qs;
        QTest::newRow("to dark") << 2u << scheme << QVariant(1u) << Appearance::dark;
        QTest::newRow("to light") << 1u << scheme << QVariant(2u) << Appearance::light;
        QTest::newRow("no preference") << 1u << scheme << QVariant(0u) << Appearance::light;
        QTest::newRow("unknown scheme") << 1u << scheme << QVariant(3u) << Appearance::dark;
        QTest::newRow("not a number") << 1u << scheme << QVariant(u"light"_qs) << Appearance::dark;
        QTest::newRow("another key")
            << 1u << u"accent-color"_qs << QVariant(2u) << Appearance::dark;
    }
    void portalChangesAreFollowed() {
        QFETCH(uint, from);
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(Appearance, expected);
        portal.change(kAppearance, u"color-scheme"_qs, from);
        portal.change(kAppearance, key, value);
        QVERIFY(portalSettled());
        QCOMPARE(Theme::instance().appearance(), expected);
        // A forced appearance wins over the desktop until it is lifted.
        Theme::instance().setForcedAppearance(Appearance(1 - int(expected)));
        portal.change(kAppearance, key, value);
        QVERIFY(portalSettled());
        QCOMPARE(Theme::instance().appearance(), Appearance(1 - int(expected)));
        Theme::instance().setForcedAppearance(std::nullopt);
        QCOMPARE(Theme::instance().appearance(), expected);
    }

    // A switch recolours and repaints the window, its labels, and the menus,
    // dialogs and tooltips open over it.
    void switchingReachesEveryWindow() {
        Theme &theme = Theme::instance();
        theme.setForcedAppearance(Appearance::dark);
        QWidget window;
        auto *painted = new PaintCounter;
        auto *label = new Label(u"Text"_qs, textStyle(14, QFont::Normal, Color::gray900), &window);
        painted->setParent(&window);
        painted->setGeometry(100, 0, 100, 100);  // clear of the label
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QMenu menu;
        menu.addAction(u"Settings…"_qs);
        menu.popup(window.mapToGlobal(QPoint(10, 10)));
        QDialog dialog(&window);
        dialog.show();
        for (Appearance a : {Appearance::light, Appearance::dark}) {
            painted->paints = 0;
            QToolTip::showText(window.mapToGlobal(QPoint(20, 20)), u"Tip"_qs, &window);
            QWidget *tip = nullptr;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->inherits("QTipLabel") && w->isVisible())
                    tip = w;
            QVERIFY(tip);
            theme.setForcedAppearance(a);
            QCOMPARE(tip->palette().color(QPalette::ToolTipBase), resolve(Color::bg100, a));
            QCOMPARE(label->palette().color(QPalette::WindowText), resolve(Color::gray900, a));
            QCOMPARE(menu.palette().color(QPalette::Base), resolve(Color::bg100, a));
            QCOMPARE(dialog.palette().color(QPalette::Window), resolve(Color::bg200, a));
            QTRY_VERIFY(painted->paints > 0);
        }
        QToolTip::hideText();
    }
};

QTEST_MAIN(AppearanceTest)
#include "tst_theme_appearance.moc"
