#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

#include "platform/Wording.h"
#include "support/TestEnvironment.h"

// Every text the source tree marks for translation that names a Mac-only
// thing must have a Linux wording in the compiled file, and that wording must
// name none. The texts are read from the tree as it is when the test runs
// (lupdate lists them with their contexts, as they are looked up at run
// time), so a text added anywhere later is covered without touching this test.
class WordingCoverageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void macOnlyTextsHaveLinuxWording() {
        QTranslator wording;
        QVERIFY2(wording.load(Wording::file(TestPaths::builtResources())),
                 "the wording file is missing from the built resources");
        QTemporaryDir dir;
        const QString ts = dir.filePath(u"all.ts"_qs);
        QProcess lupdate;
        lupdate.start(QStringLiteral(LUPDATE),
                      {u"-silent"_qs, u"-extensions"_qs, u"cpp,h"_qs, u"-locations"_qs, u"none"_qs,
                       u"-no-obsolete"_qs, TestPaths::source(u"src"_qs), u"-ts"_qs, ts});
        QVERIFY(lupdate.waitForFinished(120000));
        QCOMPARE(lupdate.exitCode(), 0);
        static const QRegularExpression macOnly(
            u"\\bMac\\b|macOS|Finder|⌘|System Settings|Spotlight|/Applications|App bundle|"
            "Homebrew cask|Full Disk Access|Privacy & Security|\\bTerminal\\b|Launchpad|"
            "\\bDock\\b|iCloud|Keychain|\\bApple\\b"_qs);
        QXmlStreamReader xml(TestEnvironment::readFile(ts));  // empty if missing: no texts
        QString context;
        QStringList unworded;
        int texts = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == u"name")
                context = xml.readElementText();
            if (xml.name() != u"source")
                continue;
            ++texts;
            // A plural text's first form stands for the others.
            const QString source = xml.readElementText();
            const QString worded = wording.translate(qPrintable(context), qPrintable(source));
            if (macOnly.match(source).hasMatch() &&
                (worded.isEmpty() || macOnly.match(worded).hasMatch()))
                unworded << context + u": "_qs + source + u" → "_qs + worded;
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY2(texts > 100, "lupdate found (almost) no texts in the source tree");
        QVERIFY2(unworded.isEmpty(), qPrintable(u"no Linux wording in translations/*.ts, or one "
                                                "that still names a Mac-only thing:\n"_qs +
                                                unworded.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(WordingCoverageTest)
#include "tst_wording_coverage.moc"
