#include <QDir>
#include <QImage>
#include <QTest>

#include "support/TestEnvironment.h"
#include "support/TestPaths.h"
#include "theme/Fonts.h"
#include "theme/Gallery.h"
#include "theme/IconStore.h"
#include "theme/Theme.h"

namespace {

// Covers the left half only, in the colour it is drawn with.
const QByteArray kLeftHalf =
    R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24"><rect width="12" height="24" fill="currentColor"/></svg>)";

bool fullyTransparent(const QImage &image) {
    QImage blank(image.size(), image.format());
    blank.fill(Qt::transparent);
    return image == blank;
}

const QString kBuilt = TestPaths::builtResources();

// The real fonts, registered once for the cases that need them.
const QStringList &builtFonts() {
    static const QStringList all = Fonts::registerFonts(kBuilt);
    return all;
}

}  // namespace

// The icons, and the gallery drawn with the build's fonts and icons into PNG
// files beside the test (gallery-light.png, gallery-dark.png) for people to
// look at.
class GalleryTest : public QObject {
    Q_OBJECT
    TestEnvironment env;

private Q_SLOTS:
    // The tint replaces the icon's own colour, at every pixel ratio, and
    // leaves what the icon does not cover clear.
    void tintReplacesTheIconsColour_data() {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("1x") << 1.0;
        QTest::newRow("2x") << 2.0;
    }
    void tintReplacesTheIconsColour() {
        QFETCH(qreal, ratio);
        const QString folder = env.resources() + u"/icons"_qs;
        QVERIFY(TestEnvironment::writeFile(folder + u"/half.svg"_qs, kLeftHalf));
        IconStore store({folder});
        const QColor tint(0x1A, 0x7F, 0x37);
        const QPixmap pixmap = store.pixmap(u"half"_qs, 16, ratio, tint);
        QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(16, 16));
        const QImage image = pixmap.toImage();
        QCOMPARE(image.pixelColor(qRound(3 * ratio), qRound(8 * ratio)), tint);
        QCOMPARE(qAlpha(image.pixel(qRound(13 * ratio), qRound(8 * ratio))), 0);
    }

    void everyIconTheScreensUseIsInstalled() {
        IconStore store({TestPaths::builtResources() + u"/Icons"_qs});
        if (!QFileInfo::exists(store.folders().first()))
            QSKIP("the build has no icon assets");
        for (const QString &name : IconStore::names())
            QVERIFY2(!fullyTransparent(store.pixmap(name, 20, 1, Qt::black).toImage()),
                     qPrintable(name));
    }
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
        qputenv("BRIGHTLOFT_RESOURCES", QFile::encodeName(TestPaths::builtResources()));
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
            TestPaths::artefacts(), QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY2(shot.save(path), qPrintable(path));
    }
};

QTEST_MAIN(GalleryTest)
#include "tst_theme_gallery.moc"
