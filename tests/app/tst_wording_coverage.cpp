#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

#include "platform/Wording.h"
#include "support/TestPaths.h"

// Every text the source tree marks for translation that names a Mac-only
// thing must have a Linux wording in the compiled file, and that wording must
// name none. The texts are read from the tree as it is when the test runs
// (lupdate lists them with their contexts), so a text added anywhere later is
// covered without touching this test.
class WordingCoverageTest : public QObject {
    Q_OBJECT
    struct Message {
        QString context;
        QString source;
        bool numerus;
    };
    QList<Message> m_texts;
    QTranslator m_wording;
    const QRegularExpression m_macOnly{
        u"\\bMac\\b|macOS|Finder|⌘|System Settings|Spotlight|/Applications|App bundle|"
        "Homebrew cask|Full Disk Access|Privacy & Security|\\bTerminal\\b|Launchpad|\\bDock\\b|"
        "iCloud|Keychain|\\bApple\\b"_qs};

private Q_SLOTS:
    // Every text lupdate finds in the source tree, with the context it is
    // looked up in at run time.
    void initTestCase() {
        QVERIFY2(m_wording.load(Wording::file(TestPaths::builtResources())),
                 "the wording file is missing from the built resources");
        QTemporaryDir dir;
        const QString ts = dir.filePath(u"all.ts"_qs);
        QProcess lupdate;
        lupdate.start(QStringLiteral(LUPDATE),
                      {u"-silent"_qs, u"-extensions"_qs, u"cpp,h"_qs, u"-locations"_qs, u"none"_qs,
                       u"-no-obsolete"_qs, TestPaths::source(u"src"_qs), u"-ts"_qs, ts});
        QVERIFY(lupdate.waitForFinished(120000));
        QCOMPARE(lupdate.exitCode(), 0);
        QFile file(ts);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QString context;
        bool numerus = false;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == u"name")
                context = xml.readElementText();
            else if (xml.name() == u"message")
                numerus = xml.attributes().value(u"numerus"_qs) == u"yes";
            else if (xml.name() == u"source")
                m_texts.append({context, xml.readElementText(), numerus});
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY2(m_texts.size() > 100, "lupdate found (almost) no texts in the source tree");
    }

    void macOnlyTextsHaveLinuxWording_data() {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("numerus");
        for (const Message &m : std::as_const(m_texts))
            if (m_macOnly.match(m.source).hasMatch())
                QTest::addRow("%s: %s", qPrintable(m.context), qPrintable(m.source))
                    << m.context << m.source << m.numerus;
    }
    void macOnlyTextsHaveLinuxWording() {
        QFETCH(QString, context);
        QFETCH(QString, source);
        QFETCH(bool, numerus);
        const QString wording =
            m_wording.translate(qPrintable(context), qPrintable(source), nullptr, numerus ? 2 : -1);
        QVERIFY2(!wording.isEmpty(), "no Linux wording in translations/*.ts");
        const QRegularExpressionMatch left = m_macOnly.match(wording);
        QVERIFY2(!left.hasMatch(), qPrintable(u"the Linux wording still says "_qs +
                                              left.captured() + u": "_qs + wording));
    }
};

QTEST_GUILESS_MAIN(WordingCoverageTest)
#include "tst_wording_coverage.moc"
