#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>

#include "support/TestEnvironment.h"
#include "theme/IconStore.h"

namespace {

// Covers its whole view box, so every rendered pixel carries the tint.
const QByteArray kSquare =
    R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24"><rect width="24" height="24" fill="black"/></svg>)";
// Covers the left half only.
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
    QString first, second;

private Q_SLOTS:
    void init() {
        // Fresh folders for every case and data row.
        static int count = 0;
        first = env.resources() + u"/case%1/one"_qs.arg(++count);
        second = env.resources() + u"/case%1/two"_qs.arg(count);
        QVERIFY(QDir().mkpath(first) && QDir().mkpath(second));
    }

    void tintReplacesTheIconsColour_data() {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("1x") << 1.0;
        QTest::newRow("2x") << 2.0;
    }
    void tintReplacesTheIconsColour() {
        QFETCH(qreal, ratio);
        QVERIFY(TestEnvironment::writeFile(first + u"/half.svg"_qs, kLeftHalf));
        IconStore store({first});
        const QColor tint(0x1A, 0x7F, 0x37);
        const QPixmap pixmap = store.pixmap(u"half"_qs, 16, ratio, tint);
        QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(16, 16));
        const QImage image = pixmap.toImage();
        QCOMPARE(image.size(), QSize(qRound(16 * ratio), qRound(16 * ratio)));
        QCOMPARE(image.pixelColor(qRound(3 * ratio), qRound(8 * ratio)), tint);
        QCOMPARE(qAlpha(image.pixel(qRound(13 * ratio), qRound(8 * ratio))), 0);
    }

    void loadedIconsAreCachedMissesTriedAgain() {
        QVERIFY(TestEnvironment::writeFile(first + u"/box.svg"_qs, kSquare));
        IconStore store({first});
        const QPixmap red = store.pixmap(u"box"_qs, 12, 1, Qt::red);
        QCOMPARE(store.pixmap(u"box"_qs, 12, 1, Qt::red).cacheKey(), red.cacheKey());
        // Gone from disk, still drawn: the file was read once.
        QVERIFY(QFile::remove(first + u"/box.svg"_qs));
        QCOMPARE(store.pixmap(u"box"_qs, 20, 1, Qt::blue).toImage().pixelColor(10, 10),
                 QColor(Qt::blue));
        // A miss draws nothing and is looked for again next time.
        const QPixmap missing = store.pixmap(u"later"_qs, 16, 1, Qt::red);
        QCOMPARE(missing.size(), QSize(16, 16));
        QVERIFY(fullyTransparent(missing.toImage()));
        QVERIFY(TestEnvironment::writeFile(first + u"/later.svg"_qs, kSquare));
        QCOMPARE(store.pixmap(u"later"_qs, 16, 1, Qt::red).toImage().pixelColor(8, 8),
                 QColor(Qt::red));
    }

    void firstFolderThatLoadsWins() {
        QVERIFY(TestEnvironment::writeFile(first + u"/both.svg"_qs, kLeftHalf));
        QVERIFY(TestEnvironment::writeFile(second + u"/both.svg"_qs, kSquare));
        QVERIFY(TestEnvironment::writeFile(first + u"/broken.svg"_qs, "not an svg"));
        QVERIFY(TestEnvironment::writeFile(second + u"/broken.svg"_qs, kSquare));
        IconStore store({first, second});
        // The half from the first folder; the second folder's whole square.
        QCOMPARE(qAlpha(store.pixmap(u"both"_qs, 16, 1, Qt::black).toImage().pixel(14, 8)), 0);
        QCOMPARE(qAlpha(store.pixmap(u"broken"_qs, 16, 1, Qt::black).toImage().pixel(14, 8)), 255);
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
