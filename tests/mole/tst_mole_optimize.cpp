#include "FakeHome.h"

class TestMoleOptimize : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The check changes nothing and lists each fix; the apply run performs
    // them (what it removes goes to the Trash, a working link stays) and a
    // second check finds nothing left to do.
    void checkThenApply() {
        FakeHome h;
        h.text(".local/share/applications/gone.desktop",
               "[Desktop Entry]\nType=Application\nName=Gone App\nExec=/nonexistent/gone %U\n");
        h.symlink("/nonexistent/tool", ".local/bin/dangling");
        h.symlink("/bin/sh", ".local/bin/fine");
        h.file(".cache/thumbnails/fail/gnome/a.png", 3000);

        const QSet<QByteArray> before = h.snapshot();
        const ParsedReport check = readMaintenance(appLines(Commands::optimize(true)));
        QCOMPARE(h.snapshot(), before);
        const QStringList fixes = labels(check, {}, ReportItem::Kind::action);
        for (const QString &fix :
             {u"Remove the launcher Gone App"_qs, u"Remove the broken link dangling"_qs,
              u"Clear failed thumbnails"_qs})
            QVERIFY2(fixes.contains(fix), qPrintable(fixes.join(u", "_qs)));
        QCOMPARE(check.summary.size(), 1);
        QVERIFY2(check.summary.first().contains(u"fixes available"_qs),
                 qPrintable(check.summary.first()));

        const ParsedReport apply = readMaintenance(appLines(Commands::optimize(false)));
        QVERIFY(apply.summary.first().contains(u"applied"_qs));
        QVERIFY(h.has(".local/share/Trash/info/gone.desktop.trashinfo") &&
                h.has(".local/share/Trash/info/dangling.trashinfo"));
        QVERIFY(!h.has(".local/share/applications/gone.desktop") &&
                !h.has(".cache/thumbnails/fail/gnome") && h.has(".local/bin/fine"));

        const ParsedReport again = readMaintenance(appLines(Commands::optimize(true)));
        QVERIFY2(again.summary.first().startsWith(u"0 fixes available"_qs),
                 qPrintable(again.summary.first()));
    }

    // Without any of the helper programs every check still reports, as a
    // note or as all good, never as a failure.
    void missingToolsAreNotes() {
        FakeHome h;
        h.file(".local/share/applications/app.desktop", 0);
        h.file(".local/share/mime/packages/app.xml", 100);
        const auto [exitCode, output] =
            runEngine({u"optimize"_qs}, {u"env"_qs, u"PATH="_qs + h.home() + u"/empty"_qs});
        QCOMPARE(exitCode, 0);
        const QStringList lines = ::appLines(output);
        QVERIFY(!lines.join(u'\n').contains(u"\u2717"_qs));
        const QStringList notes = labels(readMaintenance(lines), {}, ReportItem::Kind::note);
        QVERIFY(notes.contains(u"update-mime-database is not installed"_qs) &&
                notes.contains(u"systemctl is not installed"_qs));
    }
};

QTEST_GUILESS_MAIN(TestMoleOptimize)
#include "tst_mole_optimize.moc"
