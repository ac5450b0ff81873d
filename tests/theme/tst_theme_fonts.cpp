#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QTest>

#include "support/TestEnvironment.h"
#include "theme/Fonts.h"

namespace {

const QString kBuiltFonts = QStringLiteral(BUILT_RESOURCES) + u"/Fonts"_qs;

}  // namespace

// Registration is process-wide, so the order of these cases matters: the
// first sees only what it registered itself.
class FontsTest : public QObject {
    Q_OBJECT
    TestEnvironment env;

private Q_SLOTS:
    void onlyLowerCaseTtfIsRegistered() {
        if (!QFileInfo::exists(kBuiltFonts + u"/Geist-Regular.ttf"_qs))
            QSKIP("the build has no font assets");
        const QString fonts = env.resources() + u"/Fonts"_qs;
        QVERIFY(QDir().mkpath(fonts));
        QVERIFY(
            QFile::copy(kBuiltFonts + u"/Geist-Regular.ttf"_qs, fonts + u"/Geist-Regular.ttf"_qs));
        QVERIFY(QFile::copy(kBuiltFonts + u"/GeistMono-Regular.ttf"_qs,
                            fonts + u"/GeistMono-Regular.TTF"_qs));
        QVERIFY(
            QFile::copy(kBuiltFonts + u"/Geist-Bold.ttf"_qs, fonts + u"/Geist-Bold.ttf.off"_qs));

        // Reads the folder named by $BRIGHTLOFT_RESOURCES.
        QCOMPARE(Fonts::registerFonts(), QStringList{u"Geist-Regular.ttf"_qs});
        const QStringList families = QFontDatabase::families();
        QVERIFY(families.contains(u"Geist"_qs));
        QVERIFY(!families.contains(u"Geist Mono"_qs));
    }

    void missingFolderIsQuietlySkipped() {
        QVERIFY(Fonts::registerFonts(env.resources() + u"/nowhere"_qs).isEmpty());
        QVERIFY(Fonts::registerFonts(QString()).isEmpty());
    }

    void weightsPickFaces_data() {
        QTest::addColumn<int>("weight");
        QTest::addColumn<QString>("geist");
        QTest::addColumn<QString>("mono");
        QTest::newRow("thin") << int(QFont::Thin) << u"Geist-Regular"_qs << u"GeistMono-Regular"_qs;
        QTest::newRow("light") << int(QFont::Light) << u"Geist-Regular"_qs
                               << u"GeistMono-Regular"_qs;
        QTest::newRow("regular") << int(QFont::Normal) << u"Geist-Regular"_qs
                                 << u"GeistMono-Regular"_qs;
        QTest::newRow("medium") << int(QFont::Medium) << u"Geist-Medium"_qs
                                << u"GeistMono-Medium"_qs;
        QTest::newRow("semibold") << int(QFont::DemiBold) << u"Geist-SemiBold"_qs
                                  << u"GeistMono-SemiBold"_qs;
        QTest::newRow("bold") << int(QFont::Bold) << u"Geist-Bold"_qs << u"GeistMono-SemiBold"_qs;
        QTest::newRow("heavy") << int(QFont::ExtraBold) << u"Geist-Bold"_qs
                               << u"GeistMono-SemiBold"_qs;
        QTest::newRow("black") << int(QFont::Black) << u"Geist-Bold"_qs << u"GeistMono-SemiBold"_qs;
    }
    void weightsPickFaces() {
        QFETCH(int, weight);
        QFETCH(QString, geist);
        QFETCH(QString, mono);
        QCOMPARE(Font::geistFace(QFont::Weight(weight)), geist);
        QCOMPARE(Font::geistMonoFace(QFont::Weight(weight)), mono);
    }

    void registeredFacesAreTheOnesUsed_data() {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("style");
        QTest::newRow("geist medium")
            << Font::geist(14, QFont::Medium) << u"Geist"_qs << u"Medium"_qs;
        QTest::newRow("geist semibold")
            << Font::geist(28, QFont::DemiBold) << u"Geist"_qs << u"SemiBold"_qs;
        QTest::newRow("geist black") << Font::geist(14, QFont::Black) << u"Geist"_qs << u"Bold"_qs;
        QTest::newRow("geist light")
            << Font::geist(14, QFont::Light) << u"Geist"_qs << u"Regular"_qs;
        QTest::newRow("mono bold")
            << Font::geistMono(12, QFont::Bold) << u"Geist Mono"_qs << u"SemiBold"_qs;
        QTest::newRow("mono regular") << Font::geistMono(12) << u"Geist Mono"_qs << u"Regular"_qs;
    }
    void registeredFacesAreTheOnesUsed() {
        if (!QFileInfo::exists(kBuiltFonts))
            QSKIP("the build has no font assets");
        static const QStringList all = Fonts::registerFonts(QStringLiteral(BUILT_RESOURCES));
        QCOMPARE(all.size(), 7);
        QFETCH(QFont, font);
        QFETCH(QString, family);
        QFETCH(QString, style);
        const QFontInfo info(font);
        QCOMPARE(info.family(), family);
        QCOMPARE(info.styleName(), style);
        QCOMPARE(info.pixelSize(), font.pixelSize());
    }
};

QTEST_MAIN(FontsTest)
#include "tst_theme_fonts.moc"
