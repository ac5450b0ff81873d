#include "FakeHome.h"

#include <QProcess>
#include <QTest>

#include <unistd.h>

#include "EngineProcess.h"
#include "engine/Commands.h"

namespace {

// A maintenance report read the way the maintenance model reads it: lines
// between "=====" rules are the summary, the rest goes to the report parser.
struct Maintenance {
    QList<ReportSection> sections;
    QStringList summary;
};

Maintenance read(const QStringList &lines) {
    Maintenance report;
    bool inSummary = false;
    for (const QString &line : lines) {
        if (line.startsWith(u"====="_qs))
            inSummary = !inSummary;
        else if (inSummary)
            report.summary.append(line.trimmed());
        else
            ReportParser::feed(line, report.sections);
    }
    return report;
}

QStringList itemsOf(const Maintenance &report, ReportItem::Kind kind) {
    QStringList out;
    for (const ReportSection &section : report.sections)
        for (const ReportItem &item : section.items)
            if (item.kind == kind)
                out.append(withoutJoiners(item.label));
    return out;
}

}  // namespace

class TestMoleOptimize : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The check changes nothing and lists each fix; the apply run performs
    // them (what it removes goes to the Trash) and a second check finds
    // nothing left to do.
    void checkThenApply() {
        FakeHome h;
        h.text(".local/share/applications/gone.desktop",
               "[Desktop Entry]\nType=Application\nName=Gone App\nExec=/nonexistent/gone %U\n");
        h.symlink("/nonexistent/tool", ".local/bin/dangling");
        h.symlink("/bin/sh", ".local/bin/fine");
        h.file(".cache/thumbnails/fail/gnome/a.png", 3000);

        const QSet<QByteArray> before = h.snapshot();
        const Maintenance check = read(appLines(Commands::optimize(true)));
        QCOMPARE(h.snapshot(), before);
        QVERIFY(
            itemsOf(check, ReportItem::Kind::action).contains(u"Remove the launcher Gone App"_qs));
        QVERIFY(itemsOf(check, ReportItem::Kind::action)
                    .contains(u"Remove the broken link dangling"_qs));
        QVERIFY(itemsOf(check, ReportItem::Kind::action).contains(u"Clear failed thumbnails"_qs));
        QCOMPARE(check.summary.size(), 1);
        QVERIFY2(check.summary.first().contains(u"fixes available"_qs),
                 qPrintable(check.summary.first()));

        const Maintenance apply = read(appLines(Commands::optimize(false)));
        QVERIFY(apply.summary.first().contains(u"applied"_qs));
        QVERIFY(!QFile::exists(QFile::decodeName(h.at(".local/share/applications/gone.desktop"))));
        QVERIFY(QFile::exists(
            QFile::decodeName(h.at(".local/share/Trash/info/gone.desktop.trashinfo"))));
        QVERIFY(
            QFile::exists(QFile::decodeName(h.at(".local/share/Trash/info/dangling.trashinfo"))));
        QVERIFY(QFileInfo(QFile::decodeName(h.at(".local/bin/fine"))).isSymLink());
        QVERIFY(!QFile::exists(QFile::decodeName(h.at(".cache/thumbnails/fail/gnome"))));

        const Maintenance again = read(appLines(Commands::optimize(true)));
        QVERIFY2(again.summary.first().startsWith(u"0 fixes available"_qs),
                 qPrintable(again.summary.first()));
    }

    // Without any of the helper programs every check still reports, as a
    // note or as all good, never as a failure.
    void missingToolsAreNotes() {
        FakeHome h;
        h.file(".local/share/applications/app.desktop", 0);
        h.file(".local/share/mime/packages/app.xml", 100);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"PATH"_qs, h.home() + u"/empty"_qs);
        const auto [exitCode, output] = runEngine({u"optimize"_qs}, {}, environment);
        QCOMPARE(exitCode, 0);
        const QStringList lines = ::appLines(output);
        const Maintenance report = read(lines);
        QVERIFY(!lines.join(u'\n').contains(u"\u2717"_qs));
        QVERIFY(itemsOf(report, ReportItem::Kind::note)
                    .contains(u"update-mime-database is not installed"_qs));
        QVERIFY(itemsOf(report, ReportItem::Kind::note).contains(u"systemctl is not installed"_qs));
    }
};

QTEST_GUILESS_MAIN(TestMoleOptimize)
#include "tst_mole_optimize.moc"
