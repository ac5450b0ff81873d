#include <QDir>
#include <QImage>
#include <QTest>

#include "support/TestEnvironment.h"
#include "theme/IconStore.h"

namespace {

// Covers the left half only, in the colour it is drawn with.
const QByteArray kLeftHalf =
    R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24"><rect width="12" height="24" fill="currentColor"/></svg>)";

bool fullyTransparent(const QImage &image) {
    QImage blank(image.size(), image.format());
    blank.fill(Qt::transparent);
    return image == blank;
}

}  // namespace

class IconsTest : public QObject {
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
        IconStore store({QStringLiteral(BUILT_RESOURCES) + u"/Icons"_qs});
        if (!QFileInfo::exists(store.folders().first()))
            QSKIP("the build has no icon assets");
        for (const QString &name : IconStore::names())
            QVERIFY2(!fullyTransparent(store.pixmap(name, 20, 1, Qt::black).toImage()),
                     qPrintable(name));
    }
};

QTEST_MAIN(IconsTest)
#include "tst_theme_icons.moc"
