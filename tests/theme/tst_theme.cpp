#include <QApplication>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QDialog>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include "support/RealInput.h"
#include "support/ScreenShots.h"
#include "support/TestEnvironment.h"
#include "support/TestPaths.h"
#include "theme/Gallery.h"
#include "theme/IconStore.h"
#include "theme/Theme.h"
#include "theme/controls/ConfirmButton.h"
#include "theme/controls/ElidedLabel.h"
#include "theme/controls/GButton.h"

namespace {

const QString kAppearance = u"org.freedesktop.appearance"_qs;
const QString kInterface = u"org.gnome.desktop.interface"_qs;

// Counts its paints, to see an appearance switch reach every widget.
struct PaintCounter : QWidget {
    using QWidget::QWidget;
    int paints = 0;
    void paintEvent(QPaintEvent *) override { ++paints; }
};

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
    // Dark, animations off; the real portal wraps the value in a second variant.
    QDBusVariant Read(const QString &, const QString &key) {
        const QVariant value = key == u"color-scheme" ? QVariant(1u) : QVariant(false);
        return QDBusVariant(QVariant::fromValue(QDBusVariant(value)));
    }

Q_SIGNALS:
    void SettingChanged(const QString &group, const QString &key, const QDBusVariant &value);
};

// The design system: which appearance the app follows (forced, or the
// desktop's portal) and that a switch reaches every window; what the shared
// controls do for a user; the icons, and the gallery drawn with the build's
// fonts and icons into PNG files beside the test (gallery-light.png,
// gallery-dark.png) for people to look at.
class ThemeTest : public QObject {
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
        bus.start(u"dbus-daemon"_qs, {u"--session"_qs, u"--nofork"_qs, u"--print-address=1"_qs});
        if (bus.waitForStarted()) {  // else the portal cases skip
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
        ScreenShots::loadLook();  // the gallery's pictures look like the app
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

    // A switch recolours and repaints the window and the menus, dialogs and
    // tooltips open over it. The gallery made in one appearance and shown in
    // the other is the same, pixel for pixel, as one made in it; the pictures
    // go beside the test (gallery-light.png, gallery-dark.png).
    void switchingReachesEveryWindow() {
        Theme &theme = Theme::instance();
        theme.setForcedAppearance(Appearance::dark);
        GalleryPage window;
        auto *painted =
            new PaintCounter(&window);  // draws nothing: the picture stays the gallery's
        painted->resize(100, 100);
        window.adjustSize();
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
            QCOMPARE(menu.palette().color(QPalette::Base), resolve(Color::bg100, a));
            QCOMPARE(dialog.palette().color(QPalette::Window), resolve(Color::bg200, a));
            QTRY_VERIFY(painted->paints > 0);
            GalleryPage fresh;
            fresh.resize(window.size());
            fresh.show();
            QVERIFY(QTest::qWaitForWindowExposed(&fresh));
            const QImage shot = window.grab().toImage();
            QCOMPARE(shot.width(), GalleryPage::width);
            QCOMPARE(shot.pixelColor(2, 2), resolve(Color::bg200, a));
            QVERIFY(shot == fresh.grab().toImage());
            const QString path = u"%1/gallery-%2.png"_qs.arg(
                TestPaths::artefacts(), a == Appearance::dark ? u"dark"_qs : u"light"_qs);
            QVERIFY2(shot.save(path), qPrintable(path));
        }
        QToolTip::hideText();
    }

    // Every icon the screens use is installed and drawn in the tint alone,
    // at the size asked for on a double-density screen.
    void everyIconIsInstalledAndTakesItsTint() {
        IconStore store({TestPaths::builtResources() + u"/Icons"_qs});
        QVERIFY2(QFileInfo::exists(store.folders().first()), "the build has no icon assets");
        const QColor tint(0x1A, 0x7F, 0x37);
        for (const QString &name : IconStore::names()) {
            const QPixmap pixmap = store.pixmap(name, 20, 2, tint);
            QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(20, 20));
            const QImage image = pixmap.toImage();
            int solid = 0, clear = 0;  // what the icon does not cover stays clear
            for (int i = 0; i < image.width() * image.height(); ++i) {
                const QColor pixel = image.pixelColor(i % image.width(), i / image.width());
                clear += pixel.alpha() == 0;
                if (pixel.alpha() == 255 && ++solid)
                    QVERIFY2(pixel == tint, qPrintable(name));
            }
            QVERIFY2(solid > 0 && clear > 0, qPrintable(name));
        }
    }

    // Arming and confirming by pointer and keys, and Escape, are walked by the
    // journeys; here what they do not reach: a new total while armed, and the
    // window lapsing. Pressed by pointer, it shows no focus ring (keys bring
    // one, as the journeys check at every stop).
    void confirmTakesNewWordsAndLapses() {
        ConfirmButton b(u"Clean"_qs, u"Confirm: Empty Trash & Clean"_qs, u"sparkles"_qs);
        QSignalSpy confirmed(&b, &ConfirmButton::confirmed),
            armed(&b, &ConfirmButton::armedChanged);
        b.resize(b.sizeHint());
        b.show();
        QVERIFY(QTest::qWaitForWindowActive(&b));
        b.setConfirmWindow(500);
        QVERIFY(RealInput::click(&b));
        QVERIFY(b.isArmed() && b.hasFocus() && !b.showsFocus());
        QCOMPARE(b.kind(), GButton::Kind::error);
        b.setTitles(u"Clean 3 GB"_qs, u"Confirm: Clean 3 GB"_qs);
        QVERIFY(b.isArmed());  // still armed, asking with the new words
        QCOMPARE(b.title(), u"Confirm: Clean 3 GB"_qs);
        QVERIFY(armed.wait(2000));
        QVERIFY(!b.isArmed());
        QCOMPARE(b.title(), u"Clean 3 GB"_qs);
        QCOMPARE(b.kind(), GButton::Kind::primary);
        QVERIFY(RealInput::click(&b));  // the next press only arms again
        QVERIFY(b.isArmed());
        QCOMPARE(confirmed.size(), 0);
    }

    // A loading button takes no click, key or shortcut, and takes them again
    // once it is done; one disabled before it loaded stays so.
    void loadingButtonIgnoresInput() {
        GButton b(u"Rescan"_qs, GButton::Kind::secondary);
        b.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
        b.show();
        QVERIFY(QTest::qWaitForWindowActive(&b));
        QSignalSpy clicked(&b, &QAbstractButton::clicked);
        const auto pressAllWays = [&] {
            QVERIFY(RealInput::click(&b));
            b.setFocus();
            QVERIFY(RealInput::key(&b, Qt::Key_Space));
            QVERIFY(RealInput::key(&b, Qt::Key_R, Qt::ControlModifier));
            QTest::qWait(200);  // a shortcut presses its button with a short delay
        };
        b.setLoading(true);
        pressAllWays();
        QCOMPARE(clicked.size(), 0);
        b.setLoading(false);
        pressAllWays();
        QCOMPARE(clicked.size(), 3);
        b.setEnabled(false);
        b.setLoading(true);
        b.setLoading(false);
        QVERIFY(!b.isEnabled());
    }

    // A long text gives way to its neighbours: cut in the middle to the
    // width it gets, both ends readable, whole in its tooltip, asking for
    // its full width.
    void elidedLabelGivesWay() {
        const QString path = u"/home/someone/Applications/A-Rather-Long-Name-x86_64.AppImage"_qs;
        ElidedLabel label(path, monoStyle(12));
        QVERIFY(label.sizeHint().width() >= label.fontMetrics().horizontalAdvance(path));
        label.resize(240, label.sizeHint().height());
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        QCOMPARE(label.toolTip(), path);
        QVERIFY(label.fontMetrics().horizontalAdvance(label.text()) <= 240);
        QVERIFY(label.text().startsWith(u"/home"_qs) && label.text().endsWith(u"AppImage"_qs));
        QVERIFY(label.text() != path);
    }
};

QTEST_MAIN(ThemeTest)
#include "tst_theme.moc"
