#include <QSet>
#include <QTest>

#include "engine/Report.h"

using Kind = ReportItem::Kind;
Q_DECLARE_METATYPE(ReportItem::Kind)

namespace {

ReportItem baseItem() {
    static const QUuid id = QUuid::createUuid();
    return {id, Kind::action, u"Caches"_qs, u"1 GB"_qs, 1000};
}

}  // namespace

class ReportParserTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void itemsHashOverEveryField_data() {
        QTest::addColumn<ReportItem>("other");
        auto changed = [](auto field, auto value) {
            ReportItem item = baseItem();
            item.*field = value;
            return item;
        };
        QTest::newRow("id") << changed(&ReportItem::id, QUuid::createUuid());
        QTest::newRow("kind") << changed(&ReportItem::kind, Kind::note);
        QTest::newRow("label") << changed(&ReportItem::label, u"Logs"_qs);
        QTest::newRow("detail") << changed(&ReportItem::detail, u"1 GB "_qs);
        QTest::newRow("bytes") << changed(&ReportItem::bytes, std::optional<qint64>(1001));
        QTest::newRow("no bytes") << changed(&ReportItem::bytes, std::optional<qint64>());
        QTest::newRow("zero bytes") << changed(&ReportItem::bytes, std::optional<qint64>(0));
    }
    void itemsHashOverEveryField() {
        QFETCH(ReportItem, other);
        const ReportItem base = baseItem();
        QCOMPARE(qHash(base, 7), qHash(ReportItem(base), 7));
        QVERIFY(other != base);
        QVERIFY(qHash(other, 7) != qHash(base, 7));
        QCOMPARE(QSet<ReportItem>({base, other, base}).size(), 2);
    }

    void ignoredLinesChangeNothing() {
        QList<ReportSection> sections;
        QVERIFY(!ReportParser::feed(u"→ before any section · 1 GB"_qs, sections));
        QVERIFY(sections.isEmpty());
        QVERIFY(ReportParser::feed(u"➤ Logs"_qs, sections));
        QVERIFY(!ReportParser::feed(u"➤ Please confirm the clean"_qs, sections));
        QVERIFY(!ReportParser::feed(u"   "_qs, sections));
        QVERIFY(!ReportParser::feed(u"Plain text line"_qs, sections));
        QVERIFY(!ReportParser::feed(u"• bullet"_qs, sections));
        QVERIFY(!ReportParser::feed(u"➤"_qs, sections));  // no space: not a section, not an item
        QVERIFY(ReportParser::feed(u"→ After banner"_qs, sections));
        QCOMPARE(sections.size(), 1);
        QCOMPARE(sections[0].title, u"Logs"_qs);
        QCOMPARE(sections[0].items.size(), 1);
        QCOMPARE(sections[0].items[0].label, u"After banner"_qs);
    }

    void itemLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<qint64>("bytes");  // -1: none

        QTest::newRow("nothing to clean") << u"✓ Trash · Nothing to clean"_qs << Kind::ok
                                          << u"Trash"_qs << u"Nothing to clean"_qs << qint64(-1);
        QTest::newRow("check with size") << u"✓ Removed logs · 3 MB"_qs << Kind::action
                                         << u"Removed logs"_qs << u"3 MB"_qs << qint64(3000000);
        QTest::newRow("warning with comma")
            << u"⚠ Disk almost full, 512 MB"_qs << Kind::note << u"Disk almost full"_qs
            << u"512 MB"_qs << qint64(512000000);
        QTest::newRow("review circle") << u"⊙ Old downloads"_qs << Kind::review
                                       << u"Old downloads"_qs << QString() << qint64(-1);
        QTest::newRow("review gear") << u"⚙ Launch agent · com.x"_qs << Kind::review
                                     << u"Launch agent"_qs << u"com.x"_qs << qint64(-1);
        QTest::newRow("note") << u"◎ Info"_qs << Kind::note << u"Info"_qs << QString()
                              << qint64(-1);
        QTest::newRow("indented") << u" \t  → Cache · 2 KB"_qs << Kind::action << u"Cache"_qs
                                  << u"2 KB"_qs << qint64(2000);
        QTest::newRow("detail keeps later dots") << u"→ A · B ·  5 MB "_qs << Kind::action
                                                 << u"A"_qs << u"B ·  5 MB"_qs << qint64(5000000);
        QTest::newRow("several commas") << u"→ Cache, Logs, 7 GB"_qs << Kind::action << u"Cache"_qs
                                        << u"Logs, 7 GB"_qs << qint64(7000000000);
        QTest::newRow("leading comma")
            << u"→ , 1 MB"_qs << Kind::action << QString() << u"1 MB"_qs << qint64(1000000);
        // The label is cut by user-perceived characters: a family emoji is one.
        QTest::newRow("grapheme label")
            << u"→ 👨‍👩‍👧 photos, 1 GB"_qs << Kind::action
            << u"👨‍👩‍👧 photos"_qs << u"1 GB"_qs << qint64(1000000000);
        QTest::newRow("symbol with combining mark is not that symbol")
            << u"→\u0301 odd"_qs << Kind::action << QString() << QString() << qint64(-2);
    }
    void itemLines() {
        QFETCH(QString, line);
        QFETCH(Kind, kind);
        QFETCH(QString, label);
        QFETCH(QString, detail);
        QFETCH(qint64, bytes);
        QList<ReportSection> sections{ReportSection{QUuid::createUuid(), u"S"_qs, {}}};
        const bool changed = ReportParser::feed(line, sections);
        if (bytes == -2) {
            QVERIFY(!changed);
            return;
        }
        QVERIFY(changed);
        const ReportItem &item = sections[0].items.at(0);
        QCOMPARE(item.kind, kind);
        QCOMPARE(item.label, label);
        QCOMPARE(item.detail, detail);
        QCOMPARE(item.bytes, bytes < 0 ? std::nullopt : std::optional<qint64>(bytes));
    }

    void onlyActionItemsCountTowardTheSection() {
        QList<ReportSection> sections;
        for (const char16_t *line : {u"➤ S", u"→ a · 1 GB", u"⚠ b, 2 GB", u"⊙ c · 4 GB",
                                     u"✓ d · 8 GB", u"✓ e · Nothing to clean 16 GB", u"→ f"})
            ReportParser::feed(QString::fromUtf16(line), sections);
        QCOMPARE(sections[0].items.size(), 6);
        QCOMPARE(sections[0].bytes(), 9000000000);
    }

    void trimsOnlySpacesAndTabs() {
        QCOMPARE(trimSpacesAndTabs(u" \t a b \t "), u"a b");
        QCOMPARE(trimSpacesAndTabs(u"\u00A0a\u00A0"), u"\u00A0a\u00A0");
        QCOMPARE(trimSpacesAndTabs(u"  \t "), u"");
    }

    void everyParseHasFreshIds() {
        QList<ReportSection> sections;
        ReportParser::feed(u"➤ S"_qs, sections);
        ReportParser::feed(u"➤ S"_qs, sections);
        ReportParser::feed(u"→ x"_qs, sections);
        ReportParser::feed(u"→ x"_qs, sections);
        QVERIFY(sections[0].id != sections[1].id);
        QVERIFY(sections[1].items[0].id != sections[1].items[1].id);
        QVERIFY(!sections[0].id.isNull());
    }
};

QTEST_GUILESS_MAIN(ReportParserTest)
#include "tst_report_parser.moc"
