#include <QImage>
#include <QTest>

#include "support/TestEnvironment.h"
#include "theme/Fonts.h"
#include "theme/Gallery.h"
#include "theme/Theme.h"

namespace {

const QString kBuilt = QStringLiteral(BUILT_RESOURCES);

// The real fonts, registered once for the cases that need them.
const QStringList &builtFonts() {
    static const QStringList all = Fonts::registerFonts(kBuilt);
    return all;
}

}  // namespace

// The fonts, and the gallery drawn with them into PNG files beside the test
// (gallery-light.png, gallery-dark.png) for people to look at.
class GalleryTest : public QObject {
    Q_OBJECT
    TestEnvironment env;

private Q_SLOTS:
    // Made in one appearance, shown in the other: the open page follows,
    // with no pixel left behind in the old appearance.
    void galleryRendersAfterSwitching_data() {
        QTest::addColumn<Appearance>("from");
        QTest::addColumn<Appearance>("to");
        QTest::addColumn<QColor>("background");
        QTest::newRow("light") << Appearance::dark << Appearance::light << QColor(0xFAFAFA);
        QTest::newRow("dark") << Appearance::light << Appearance::dark << QColor(Qt::black);
    }
    void galleryRendersAfterSwitching() {
        QFETCH(Appearance, from);
        QFETCH(Appearance, to);
        QFETCH(QColor, background);
        // The real icons too, so the pictures look like the app.
        qputenv("BRIGHTLOFT_RESOURCES", BUILT_RESOURCES);
        builtFonts();
        Theme::instance().setForcedAppearance(from);
        GalleryPage switched;
        switched.adjustSize();
        switched.show();
        QVERIFY(QTest::qWaitForWindowExposed(&switched));
        Theme::instance().setForcedAppearance(to);
        GalleryPage fresh;
        fresh.resize(switched.size());
        fresh.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fresh));
        const QImage shot = switched.grab().toImage();
        QCOMPARE(shot.width(), GalleryPage::width);
        QCOMPARE(shot.pixelColor(2, 2), background);
        QVERIFY(shot == fresh.grab().toImage());
        const QString path = u"%1/gallery-%2.png"_qs.arg(
            QStringLiteral(ARTEFACTS_DIR), QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY2(shot.save(path), qPrintable(path));
    }
};

QTEST_MAIN(GalleryTest)
#include "tst_theme_gallery.moc"
