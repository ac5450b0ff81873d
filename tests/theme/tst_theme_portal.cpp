#include <QApplication>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "support/TestEnvironment.h"
#include "theme/Theme.h"

namespace {

const QString kAppearance = u"org.freedesktop.appearance"_qs;
const QString kInterface = u"org.gnome.desktop.interface"_qs;

}  // namespace

// A stand-in for the desktop's settings portal on a private bus.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    void change(const QString &group, const QString &key, const QVariant &value) {
        Q_EMIT SettingChanged(group, key, QDBusVariant(value));
    }

public Q_SLOTS:
    // Starts out dark with animations off; the real portal wraps the value
    // in a second variant.
    QDBusVariant Read(const QString &group, const QString &key) {
        QVariant value;
        if (group == kAppearance && key == u"color-scheme")
            value = 1u;
        if (group == kInterface && key == u"enable-animations")
            value = false;
        return QDBusVariant(QVariant::fromValue(QDBusVariant(value)));
    }

Q_SIGNALS:
    void SettingChanged(const QString &group, const QString &key, const QDBusVariant &value);
};

class PortalTest : public QObject {
    Q_OBJECT
    TestEnvironment env;
    QProcess bus;
    FakePortal portal;

private Q_SLOTS:
    void initTestCase() {
        const QString daemon = QStandardPaths::findExecutable(u"dbus-daemon"_qs);
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed");
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

    void readsTheDesktopsPreferences() {
        // The palette says light; the portal's dark wins once it answers.
        QCOMPARE(Theme::appearanceOf(QGuiApplication::palette()), Appearance::light);
        QTRY_COMPARE(Theme::instance().appearance(), Appearance::dark);
        QTRY_VERIFY(Theme::instance().reducedMotion());
        QVERIFY(!Theme::instance().animationsEnabled());
    }

    void followsChanges_data() {
        QTest::addColumn<QVariant>("scheme");
        QTest::addColumn<Appearance>("expected");
        QTest::newRow("prefer light") << QVariant(2u) << Appearance::light;
        QTest::newRow("prefer dark") << QVariant(1u) << Appearance::dark;
        QTest::newRow("no preference") << QVariant(0u) << Appearance::light;
    }
    void followsChanges() {
        QFETCH(QVariant, scheme);
        QFETCH(Appearance, expected);
        portal.change(kAppearance, u"color-scheme"_qs, scheme);
        QTRY_COMPARE(Theme::instance().appearance(), expected);
    }

    void otherSettingsAreIgnored() {
        portal.change(kAppearance, u"color-scheme"_qs, 1u);
        QTRY_COMPARE(Theme::instance().appearance(), Appearance::dark);
        portal.change(kAppearance, u"accent-color"_qs, 2u);
        // Values not understood: a later scheme, not a number.
        portal.change(kAppearance, u"color-scheme"_qs, 3u);
        portal.change(kAppearance, u"color-scheme"_qs, u"light"_qs);
        // A change that is understood, to know those before it were handled.
        portal.change(kInterface, u"enable-animations"_qs, false);
        QTRY_VERIFY(Theme::instance().reducedMotion());
        QCOMPARE(Theme::instance().appearance(), Appearance::dark);
    }

    // Animations coming back is seen here too.
    void forcedAppearanceWinsOverThePortal() {
        Theme::instance().setForcedAppearance(Appearance::light);
        portal.change(kAppearance, u"color-scheme"_qs, 1u);
        portal.change(kInterface, u"enable-animations"_qs, true);
        QTRY_VERIFY(!Theme::instance().reducedMotion());
        QCOMPARE(Theme::instance().appearance(), Appearance::light);
        Theme::instance().setForcedAppearance(std::nullopt);
        QCOMPARE(Theme::instance().appearance(), Appearance::dark);
    }
};

QTEST_MAIN(PortalTest)
#include "tst_theme_portal.moc"
