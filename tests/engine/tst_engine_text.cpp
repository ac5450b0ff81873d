#include <QTest>

#include "engine/CleanLog.h"
#include "engine/KeptList.h"
#include "engine/MaintenanceReader.h"
#include "engine/Report.h"
#include "engine/Size.h"
#include "engine/SizeMarkers.h"
#include "engine/UninstallReport.h"

// Every reader of the engine's text formats, one table each: the format's
// edge cases live here, the models' tests keep their behaviour.

using Kind = ReportItem::Kind;
using Bytes = std::optional<qint64>;
using Text = std::optional<QString>;
Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(Text)
Q_DECLARE_METATYPE(CleanLog::Status)

class EngineTextTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("bytes");  // -1: no size
        QTest::newRow("bytes") << u"512 B"_qs << qint64(512);
        QTest::newRow("terabytes") << u"3 TB"_qs << qint64(3000000000000);
        QTest::newRow("no space") << u"1.5KB"_qs << qint64(1500);
        QTest::newRow("inside words") << u"(about 7 GB)"_qs << qint64(7000000000);
        QTest::newRow("first size counts") << u"1 MB of 2 GB"_qs << qint64(1000000);
        QTest::newRow("truncated") << u"1.9999 KB"_qs << qint64(1999);
        QTest::newRow("empty") << QString() << qint64(-1);
        QTest::newRow("beyond 64 bits") << u"99999999999 TB"_qs << qint64(-1);
        QTest::newRow("too long to read") << (QString(400, u'9') + u" B"_qs) << qint64(0);
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(qint64, bytes);
        QCOMPARE(Size::parse(text), bytes < 0 ? std::nullopt : std::optional<qint64>(bytes));
    }

    void format_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << u"0 bytes"_qs;
        QTest::newRow("one") << qint64(1) << u"1 byte"_qs;
        QTest::newRow("999") << qint64(999) << u"999 bytes"_qs;
        QTest::newRow("1 KB") << qint64(1000) << u"1 KB"_qs;
        QTest::newRow("KB rounds") << qint64(1500) << u"2 KB"_qs;
        QTest::newRow("KB to MB") << qint64(999600) << u"1 MB"_qs;
        QTest::newRow("MB one digit") << qint64(1550000) << u"1.6 MB"_qs;
        QTest::newRow("GB two digits") << qint64(1234567890) << u"1.23 GB"_qs;
        QTest::newRow("MB to GB") << qint64(999960000) << u"1 GB"_qs;
        QTest::newRow("TB") << qint64(2500000000000) << u"2.5 TB"_qs;
        QTest::newRow("negative") << qint64(-1500000000) << u"-1.5 GB"_qs;
        QTest::newRow("the locale's separator") << qint64(1500000000) << u"1,5 GB"_qs;
    }
    // Rows written with a decimal comma are formatted in a German locale.
    void format() {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QLocale::setDefault(text.contains(u',') ? QLocale(QLocale::German, QLocale::Germany)
                                                : QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(Size::format(bytes), text);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    // Fed after a section "S"; fed before any section, only a section line
    // appends anything.
    void whatAReportLineAppends_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("appended");  // a ReportParser::Appended
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("label");  // for a section: its title
        QTest::addColumn<QString>("detail");
        QTest::addColumn<Bytes>("bytes");
        const auto item = [](const char *tag, const char16_t *line, Kind kind,
                             const char16_t *label, const char16_t *detail, Bytes bytes) {
            QTest::newRow(tag) << QString::fromUtf16(line) << int(ReportParser::item) << kind
                               << QString::fromUtf16(label) << QString::fromUtf16(detail) << bytes;
        };
        const auto other = [](const char *tag, const char16_t *line, int appended,
                              const char16_t *title = u"") {
            QTest::newRow(tag) << QString::fromUtf16(line) << appended << Kind::note
                               << QString::fromUtf16(title) << QString() << Bytes();
        };
        item("nothing to clean", u"✓ Trash · Nothing to clean", Kind::ok, u"Trash",
             u"Nothing to clean", {});
        item("check with size", u"✓ Removed logs · 3 MB", Kind::action, u"Removed logs", u"3 MB",
             3'000'000);
        item("review circle", u"⊙ Old downloads", Kind::review, u"Old downloads", u"", {});
        item("note", u"◎ Info", Kind::note, u"Info", u"", {});
        item("indented", u" \t  → Cache · 2 KB", Kind::action, u"Cache", u"2 KB", 2000);
        item("detail keeps later dots", u"→ A · B ·  5 MB ", Kind::action, u"A", u"B ·  5 MB",
             5'000'000);
        // The label is cut by user-perceived characters: a family emoji is one.
        item("grapheme label", u"→ 👨‍👩‍👧 photos, 1 GB", Kind::action,
             u"👨‍👩‍👧 photos", u"1 GB", 1'000'000'000);
        other("section", u"  ➤ Logs ", ReportParser::section, u"Logs");
        other("the question before a clean", u"➤ Please confirm the clean", ReportParser::nothing);
        other("plain text", u"Plain text line", ReportParser::nothing);
        other("arrow without a space", u"➤", ReportParser::nothing);
    }
    void whatAReportLineAppends() {
        QFETCH(QString, line);
        QFETCH(int, appended);
        const ReportSection s{QUuid::createUuid(), u"S"_qs, {}};
        QList<ReportSection> none, sections{s};
        QCOMPARE(int(ReportParser::feed(line, none)),
                 appended == ReportParser::section ? appended : int(ReportParser::nothing));
        QCOMPARE(int(ReportParser::feed(line, sections)), appended);
        if (appended == ReportParser::nothing) {
            QCOMPARE(sections, QList<ReportSection>{s});
        } else if (appended == ReportParser::section) {
            QTEST(sections.value(1).title, "label");
            QCOMPARE(none.value(0).title, sections.value(1).title);
        } else {
            QCOMPARE(sections.size(), 1);
            const ReportItem &item = sections[0].items.at(0);
            QTEST(item.kind, "kind");
            QTEST(item.label, "label");
            QTEST(item.detail, "detail");
            QTEST(item.bytes, "bytes");
        }
    }

    void sectionsCountActionsAndTakeFreshIds() {
        QList<ReportSection> sections;
        for (const char16_t *line :
             {u"➤ S", u"→ a · 1 GB", u"⚠ b, 2 GB", u"⊙ c · 4 GB", u"✓ d · 8 GB",
              u"✓ e · Nothing to clean 16 GB", u"→ f", u"➤ S", u"→ f"})
            ReportParser::feed(QString::fromUtf16(line), sections);
        QCOMPARE(sections[0].items.size(), 6);
        QCOMPARE(sections[0].bytes(), 9'000'000'000);
        QVERIFY(!sections[0].id.isNull() && sections[0].id != sections[1].id);
        QVERIFY(sections[0].items[5].id != sections[1].items[0].id);
    }

    // The size after the first marker of the list that occurs (the list's
    // order wins, not the position), and the first "Items: N"; in an output,
    // the first line with a size.
    void totals_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<Bytes>("count");
        const auto row = [](const char *tag, const char16_t *line, Bytes bytes, Bytes count = {}) {
            QTest::newRow(tag) << QString::fromUtf16(line) << bytes << count;
        };
        row("potential space", u"Potential space: 12.5 GB | Items: 42", 12'500'000'000, 42);
        row("tracked cleanup", u"Tracked cleanup: 300 MB", 300'000'000);
        row("would free before freed", u"freed 2 GB so far, would free 1 GB", 1'000'000'000);
        row("list order over position", u"Tracked cleanup: 4 GB, Potential space: 3 GB",
            3'000'000'000);
        row("size further on", u"Potential space: unknown, at least 2 GB", 2'000'000'000);
        row("size only before the marker", u"5 GB freed", {});
        row("marker without a size", u"Potential space: unknown | Items: 3", {}, 3);
        row("no marker", u"Cleaned 3 GB", {});
        row("case-sensitive markers", u"FREED 3 GB | items: 4 | Items:5", {});
        row("first count", u"freed 1 KB Items: 7 Items: 9", 1000, 7);
        row("count beyond 64 bits", u"freed 1 KB Items: 99999999999999999999999", 1000);
    }
    void totals() {
        QFETCH(QString, line);
        QFETCH(Bytes, bytes);
        QFETCH(Bytes, count);
        QCOMPARE(SizeMarkers::sizeIn(line), bytes);
        QCOMPARE(SizeMarkers::itemCountIn(line), count);
        const auto totals = SizeMarkers::totalsIn(line);
        QCOMPARE(totals.has_value(), bytes.has_value());
        if (totals)
            QCOMPARE(*totals, (SizeMarkers::Totals{*bytes, count}));
        QCOMPARE(SizeMarkers::firstSizeIn(u"✓ /a , 1 MB\n"_qs + line + u"\nfreed 9 GB"_qs),
                 bytes ? bytes : Bytes(9'000'000'000));
    }

    // Items around the block between two rules; its lines are the summary.
    void maintenanceSummary() {
        MaintenanceReader reader;
        QList<ReportSection> sections;
        QStringList summary, items;
        for (const QString &line :
             u"➤ Caches\n→ Font cache · rebuilt\n=====\n  All checks passed  \n"
             "\t2 fixes available\n=====\n→ After the block"_qs.split(u'\n')) {
            const qsizetype before = summary.size();
            const bool took = reader.take(line, sections, summary) == MaintenanceReader::summary;
            QCOMPARE(took, summary.size() > before);
        }
        for (const ReportSection &s : sections)
            for (const ReportItem &item : s.items) items.append(s.title + u'/' + item.label);
        QCOMPARE(items, (QStringList{u"Caches/Font cache"_qs, u"Caches/After the block"_qs}));
        QCOMPARE(summary, (QStringList{u"All checks passed"_qs, u"2 fixes available"_qs}));
    }

    void cleanLogLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<CleanLog::Status>("status");
        QTest::addColumn<bool>("rule");
        using S = CleanLog::Status;
        const auto row = [](const char *tag, const char16_t *line, S status, bool rule = false) {
            QTest::newRow(tag) << QString::fromUtf16(line) << status << rule;
        };
        row("cross", u"  ✗ Failed to remove", S::failure);
        row("error first, any case", u"ErRoR: disk full", S::failure);
        row("a warning about an error", u"⚠ error", S::warning);
        row("kept", u"  ◎ Kept", S::warning);
        row("a file named error", u"  ✓ ~/.cache/app/error.log · 2 MB", S::success);
        row("step", u"➤ Caches", S::success);
        row("a symbol inside a name", u"  Removing ✗-marks.txt", S::plain);
        row("rule", u"==========", S::plain, true);
        row("signs around text", u"= not a rule =", S::plain);
    }
    void cleanLogLines() {
        QFETCH(QString, line);
        QTEST(CleanLog::statusOf(line), "status");
        QTEST(CleanLog::isRule(line), "rule");
    }

    void leftovers_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("found");  // path|size|exact bytes
        QTest::newRow("indented tilde path")
            << u"  ✓ ~/.config/tool , 12 KB"_qs << QStringList{u"~/.config/tool|12 KB|"_qs};
        QTest::newRow("no size") << u"✓ /opt/tool"_qs << QStringList{u"/opt/tool||"_qs};
        QTest::newRow("only paths after the check mark")
            << u"✓ Done , 1 KB\n✓ /a , 1 KB , extra\n✗ /b , 1 KB"_qs << QStringList{u"/a|1 KB|"_qs};
        QTest::newRow("exact bytes")
            << u"✓ /a? , 1 B , 2f610a\n✓ /r , 1 B , 612f\n✓ /n , 1 B , 2f0061\n✓ /o , 1 B , 2f6"_qs
            << QStringList{u"/a?|1 B|/a\n"_qs, u"/r|1 B|"_qs, u"/n|1 B|"_qs, u"/o|1 B|"_qs};
        QTest::newRow("commas without spaces and repeats")
            << u"✓ /a,b , 3 MB\n✓ /a,b , 3 MB"_qs
            << QStringList{u"/a,b|3 MB|"_qs, u"/a,b|3 MB|"_qs};
    }
    void leftovers() {
        QFETCH(QString, output);
        QStringList found;
        const QList<Leftover> all = UninstallReport::leftovers(output);
        for (const Leftover &l : all)
            found.append(l.path + u'|' + l.size + u'|' + QString::fromUtf8(l.exactPath));
        QTEST(found, "found");
        if (all.size() > 1)
            QVERIFY(all[0].id != all[1].id);
    }

    void failureReports_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<Text>("removal");  // UninstallReport::failureIn
        QTest::addColumn<Text>("keep");     // KeptList::failureIn
        QTest::newRow("last failing line, symbols dropped")
            << u"✗ Failed: a\n→ ok\n  ✗ Permission DENIED: /opt/b\n✓ done"_qs
            << Text(u"Permission DENIED: /opt/b"_qs) << Text(u"Permission DENIED: /opt/b"_qs);
        QTest::newRow("word joiners dropped from the keep failure")
            << u"✗ Can't keep ~/x\u2060y"_qs << Text() << Text(u"Can't keep ~/xy"_qs);
        QTest::newRow("no failure") << u"✓ Removed\n◎ kept"_qs << Text() << Text();
    }
    void failureReports() {
        QFETCH(QString, output);
        QTEST(UninstallReport::failureIn(output), "removal");
        QTEST(KeptList::failureIn(output), "keep");
    }

    void keptPaths() {
        QCOMPARE(KeptList::paths(u"➤ Kept\n◎ ~/.cache/a · kept\n⚠ Keep list · could not be read\n"
                                 u"  ◎ ~/x · y · kept\n◎ ~/no-dot"),
                 (QStringList{u"~/.cache/a"_qs, u"~/x"_qs}));
    }
};

QTEST_GUILESS_MAIN(EngineTextTest)
#include "tst_engine_text.moc"
