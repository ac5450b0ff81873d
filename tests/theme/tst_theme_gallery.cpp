#include <QImage>
#include <QTest>

#include "support/TestEnvironment.h"
#include "theme/Fonts.h"
#include "theme/Gallery.h"
#include "theme/Theme.h"

// Renders the gallery in both appearances into PNG files beside the test
// (gallery-light.png, gallery-dark.png) for people to look at.
class GalleryTest : public QObject {
    Q_OBJECT
    TestEnvironment env;

private Q_SLOTS:
    void initTestCase() {
        // The real fonts and icons, so the pictures look like the app.
        qputenv("BRIGHTLOFT_RESOURCES", BUILT_RESOURCES);
        Fonts::registerFonts();
    }

    void rendersInBothAppearances_data() {
        QTest::addColumn<Appearance>("appearance");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("background");
        QTest::newRow("light") << Appearance::light << u"light"_qs << QColor(0xFAFAFA);
        QTest::newRow("dark") << Appearance::dark << u"dark"_qs << QColor(Qt::black);
    }
    void rendersInBothAppearances() {
        QFETCH(Appearance, appearance);
        QFETCH(QString, name);
        QFETCH(QColor, background);
        Theme::instance().setForcedAppearance(appearance);
        GalleryPage page;
        page.adjustSize();
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        const QImage shot = page.grab().toImage();
        QCOMPARE(shot.width(), GalleryPage::width);
        QCOMPARE(shot.pixelColor(2, 2), background);
        const QString path = QStringLiteral(ARTEFACTS_DIR) + u"/gallery-"_qs + name + u".png"_qs;
        QVERIFY2(shot.save(path), qPrintable(path));
    }

    void switchingRepaintsTheOpenGallery() {
        Theme::instance().setForcedAppearance(Appearance::light);
        GalleryPage page;
        page.adjustSize();
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        const QImage before = page.grab().toImage();
        Theme::instance().setForcedAppearance(Appearance::dark);
        const QImage after = page.grab().toImage();
        QCOMPARE(after.pixelColor(2, 2), QColor(Qt::black));
        QVERIFY(before != after);
    }
};

QTEST_MAIN(GalleryTest)
#include "tst_theme_gallery.moc"
