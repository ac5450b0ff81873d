#include "FakeHome.h"
#include "RealisticHome.h"

#include <sys/mount.h>
#include <sys/stat.h>

#include "engine/SizeMarkers.h"

namespace {

constexpr auto action = ReportItem::Kind::action;
constexpr auto review = ReportItem::Kind::review;
constexpr auto note = ReportItem::Kind::note;

// The paths the last dry run planned to remove, relative to the home, from
// the plan's target lines (their last field, percent-encoded).
QList<QByteArray> plannedTargets(const FakeHome &h) {
    QFile plan(QFile::decodeName(h.at(".local/state/mole/clean-plan")));
    QList<QByteArray> targets;
    if (!plan.open(QIODevice::ReadOnly))
        return targets;
    const QByteArray prefix = h.at("");
    for (const QByteArray &line : plan.readAll().split('\n')) {
        if (!line.startsWith("target "))
            continue;
        const QByteArray path = QByteArray::fromPercentEncoding(line.split(' ').last());
        targets.append(path.startsWith(prefix) ? path.mid(prefix.size()) : path);
    }
    return targets;
}

QString joined(const QStringList &lines) {
    return lines.join(u'\n');
}

// The engine's output as the app receives it, run as `user` (empty: as is).
QStringList run(const QStringList &arguments, const QStringList &user = {}) {
    return ::appLines(runEngine(arguments, user).second);
}

}  // namespace

// The engine's clean (and the maintenance fix that removes Flatpak runtimes)
// against temporary homes: a lived-in home, the keep list, other file
// systems and owners, the confirmation at a terminal, homes it must refuse.
class TestMoleClean : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A lived-in home: every cache is offered under the item that owns it
    // (whatever its name), a running program's cache is not, no target of
    // the plan is or holds a sensitive file, the totals add up, and the clean
    // removes exactly what the plan's targets hold, all the junk, without
    // following links, while every sensitive file keeps its checksum.
    void realisticHome_data() {
        QTest::addColumn<bool>("ordinaryUser");
        QTest::newRow("as the user's own account") << false;
        QTest::newRow("as an ordinary user, Go's read-only modules") << true;
    }
    void realisticHome() {
        QFETCH(bool, ordinaryUser);
        const QStringList user = ordinaryUser ? asNobody() : QStringList();
        if (ordinaryUser && user.isEmpty())
            QSKIP("needs root and setpriv to act as another user");
        FakeHome h;
        RealisticHome home(h);
        // In use by the user's programs: a running fakeapp, a session writing
        // its log. They run as root, so an ordinary user's run does not see them.
        h.file(".cache/fakeapp/state", 8000);
        h.file(".xsession-errors", 30'000);
        // Go makes every module it unpacks read-only.
        QCOMPARE(QProcess::execute(u"chmod"_qs, {u"-R"_qs, u"a-w"_qs,
                                                 h.home() + u"/go/pkg/mod/github.com/pkg"_qs}),
                 0);
        if (ordinaryUser) {
            QCOMPARE(QProcess::execute(u"chown"_qs, {u"-R"_qs, u"65534:65534"_qs, h.home()}), 0);
            h.openToOthers();
        }
        const auto sensitive = [&] {  // fingerprints of the sensitive files
            QMap<QByteArray, QByteArray> prints = FakeHome::fingerprint(h.at(""));
            prints.removeIf([&](auto it) { return !home.sensitive().contains(it.key().mid(1)); });
            return prints;
        };
        const QMap<QByteArray, QByteArray> sums = sensitive();
        const auto running = ordinaryUser ? nullptr : std::make_unique<RunningApp>(u"fakeapp"_qs);
        QProcess session;
        if (!ordinaryUser) {
            session.start(u"sh"_qs, {u"-c"_qs, u"exec 3>>\"$0\"; echo ready; exec sleep 60"_qs,
                                     h.home() + u"/.xsession-errors"_qs});
            QVERIFY(session.waitForReadyRead(10000));
        }

        const QStringList lines = run({u"clean"_qs, u"--dry-run"_qs}, user);
        const ParsedReport report = parseReport(lines);
        for (const RealisticHome::Junk &junk : home.junk()) {
            const ReportItem *item = findItem(report, junk.section, junk.label);
            QVERIFY2(item && item->kind == action,
                     qPrintable(junk.section + u" / "_qs + junk.label + u" for "_qs +
                                QString::fromUtf8(junk.path) + u"\n"_qs + joined(lines)));
            // Every action item says why it may go.
            QVERIFY2(item->detail.count(u" \u00b7 "_qs) >= 1, qPrintable(item->detail));
        }
        for (const RealisticHome::Junk &junk : home.review()) {
            const ReportItem *item = findItem(report, junk.section, junk.label);
            QVERIFY2(item && item->kind == review,
                     qPrintable(junk.label + u"\n"_qs + joined(lines)));
        }
        QVERIFY(!findItem(report, u"User caches"_qs, u"ibus"_qs));
        QCOMPARE(labels(report, u"User caches"_qs, note),
                 ordinaryUser ? QStringList() : QStringList{u"fakeapp is running"_qs});
        QCOMPARE(
            labels(report, u"Logs & crash dumps"_qs, action).contains(u"~/.xsession-errors"_qs),
            ordinaryUser);
        qint64 sum = 0;
        int count = 0;
        for (const ReportSection &section : report.sections) {
            sum += section.bytes();
            for (const ReportItem &item : section.items) {
                count += item.kind == action;
                QVERIFY2(item.kind != action || item.bytes.value_or(0) > 0, qPrintable(item.label));
            }
        }
        QCOMPARE(report.itemCount, std::optional<qint64>(count));
        QVERIFY(report.total && qAbs(*report.total - sum) <= sum / 20);

        const QList<QByteArray> targets = plannedTargets(h);
        QSet<QByteArray> junk, kept(home.sensitive().begin(), home.sensitive().end());
        for (const RealisticHome::Junk &j : home.junk()) junk.insert(j.path);
        for (const RealisticHome::Junk &j : home.review()) kept.insert(j.path);
        QCOMPARE(FakeHome::below(junk, targets), junk);
        QCOMPARE(FakeHome::below(kept, targets), QSet<QByteArray>());
        for (const QByteArray &target : targets)
            QVERIFY2(
                !FakeHome::below(junk, {target}).isEmpty() ||
                    (ordinaryUser && (target == ".cache/fakeapp" || target == ".xsession-errors")),
                (target + " holds no junk").constData());

        // Lines of Trash/directorysizes that name no entry of Trash/files (an
        // absolute path, one that climbs out, one with a slash) are dropped;
        // a line of an entry trashed after the scan stays.
        h.trashed("later/x");
        const QByteArray documents = h.at("Documents");
        h.text(".local/share/Trash/directorysizes",
               "9000 1 later\n9000 1 olddir\n9000 1 " + documents + "\n9000 1 " +
                   QByteArray(documents).replace("/", "%2F") +
                   "\n9000 1 ..%2Ffiles%2Flater\n9000 1 ..\n9000 1 .\n9000 1 later%2F\n");
        if (ordinaryUser)
            QCOMPARE(QProcess::execute(u"chown"_qs, {u"-R"_qs, u"65534:65534"_qs, h.home()}), 0);
        const QSet<QByteArray> before = h.snapshot();
        const QStringList cleaned = run({u"clean"_qs}, user);
        QVERIFY2(!joined(cleaned).contains(u"\u2717"_qs), qPrintable(joined(cleaned)));
        QVERIFY(joined(cleaned).contains(u"\u27a4 User caches"_qs));
        QVERIFY(cleaned.last().startsWith(u"Space freed: "_qs));
        const QSet<QByteArray> after = h.snapshot();
        // The plan is used up by the run; a Trash entry goes with its .trashinfo.
        QList<QByteArray> roots = targets + QList<QByteArray>{".local/state/mole/clean-plan"};
        for (const QByteArray &target : targets)
            if (target.contains("/Trash/files/"))
                roots.append(QByteArray(target).replace("/files/", "/info/") + ".trashinfo");
        QCOMPARE(before - after, FakeHome::below(before, roots));
        QVERIFY(after - before == QSet<QByteArray>());
        const std::optional<qint64> freed = SizeMarkers::sizeIn(cleaned.last());
        QVERIFY(freed && qAbs(*freed - *report.total) <= *report.total / 10);
        QCOMPARE(TestEnvironment::readFile(h.home() + u"/.local/share/Trash/directorysizes"_qs),
                 QByteArray("9000 1 later\n"));
        QCOMPARE(sensitive(), sums);
        QCOMPARE(h.has(".cache/fakeapp/state"), !ordinaryUser);
        QCOMPARE(h.has(".xsession-errors"), !ordinaryUser);
        session.kill();
        session.waitForFinished();
    }

    // A kept path and everything inside it is never removed: not when the
    // dry run lists it, not when it lies inside a listed folder, and not
    // when the plan was made before it was kept. What it holds back is
    // listed under "Kept" and left out of the total.
    void keepList_data() {
        QTest::addColumn<QByteArray>("keep");
        QTest::addColumn<bool>("keptBeforeTheScan");
        QTest::addColumn<QByteArray>("survives");  // paths separated by "|"
        QTest::addColumn<QByteArray>("removed");
        QTest::addColumn<QString>("keptLabel");
        const auto row = [](bool before, const char *name, const char *keep, const char *survives,
                            const char *removed, const char *label) {
            QTest::addRow("%s, %s", name, before ? "kept before the scan" : "plan made earlier")
                << QByteArray(keep) << before << QByteArray(survives) << QByteArray(removed)
                << QString::fromUtf8(label);
        };
        for (bool before : {true, false}) {
            row(before, "folder inside a listed one", "~/.cache/app/precious\n",
                ".cache/app/precious/a", ".cache/app/other|.cache/app/b|.cache/plain",
                "~/.cache/app/precious");
            row(before, "the listed folder itself", "~/.cache/app/\n",
                ".cache/app/precious/a|.cache/app/other|.cache/app/b", ".cache/plain",
                "~/.cache/app");
            row(before, "a file deep in a browser profile cache",
                "# keep one cached file\n~/.config/google-chrome/Default/GPUCache/data_1\n",
                ".config/google-chrome/Default/GPUCache/data_1",
                ".config/google-chrome/Default/GPUCache/data_0|.config/google-chrome/Default/Code "
                "Cache",
                "~/.config/google-chrome/Default/GPUCache/data_1");
            row(before, "an absolute path into the trash",
                "%1/.local/share/Trash/files/keepdir/inner\n",
                ".local/share/Trash/files/keepdir/inner/x|.local/share/Trash/info/"
                "keepdir.trashinfo",
                ".local/share/Trash/files/keepdir/other|.local/share/Trash/files/gone.txt",
                "~/.local/share/Trash/files/keepdir/inner");
        }
        // Lines that name no place in the home are ignored; the others count.
        row(true, "one good line among garbage",
            "relative/path\n~/../escape\n/etc\n~ann/x\n\n   # a comment\n"
            "\t~/.cache/app/precious  \n\xff\xfe\n",
            ".cache/app/precious/a", ".cache/app/other|.cache/app/b|.cache/plain",
            "~/.cache/app/precious");
    }
    void keepList() {
        QFETCH(QByteArray, keep);
        QFETCH(bool, keptBeforeTheScan);
        QFETCH(QByteArray, survives);
        QFETCH(QByteArray, removed);
        QFETCH(QString, keptLabel);
        FakeHome h;
        for (const char *file : {".cache/app/precious/a", ".cache/app/other/x", ".cache/app/b",
                                 ".cache/plain/y", ".config/google-chrome/Default/GPUCache/data_0",
                                 ".config/google-chrome/Default/GPUCache/data_1",
                                 ".config/google-chrome/Default/Code Cache/js/index"})
            h.file(file, 40'000);
        for (const char *entry : {"keepdir/inner/x", "keepdir/other", "gone.txt"})
            h.trashed(entry, 40'000);
        keep.replace("%1", QFile::encodeName(h.home()));
        const ParsedReport unkept = parseReport(appLines(Commands::cleanDryRun()));
        h.text(".config/mole/keep", keep);  // before a fresh scan, or after the plan was made
        if (keptBeforeTheScan) {
            const ParsedReport report = parseReport(appLines(Commands::cleanDryRun()));
            QCOMPARE(labels(report, u"Kept"_qs, note), QStringList{keptLabel});
            QVERIFY(*report.total < *unkept.total);
            const ReportSection &kept = report.sections.last();
            QCOMPARE(kept.title, u"Kept"_qs);
            QCOMPARE(kept.bytes(), 0);  // never counted
            QVERIFY(kept.items.first().bytes.value_or(0) >= 40'000);
        }
        const QStringList lines = appLines(Commands::clean());
        for (const QByteArray &path : survives.split('|') + removed.split('|'))
            QVERIFY2(h.has(path) == survives.split('|').contains(path),
                     qPrintable(QString::fromUtf8(path) + u"\n"_qs + joined(lines)));
        QVERIFY2(!joined(lines).contains(u"\u2717"_qs), qPrintable(joined(lines)));
        if (!keptBeforeTheScan)
            QVERIFY2(joined(lines).contains(u"kept, left alone"_qs), qPrintable(joined(lines)));
    }

    // The app keeps an item by the label it read from the report (with the
    // engine's invisible word joiners), and releases it by the path the
    // "Kept" section shows; comments and other lines of the file stay.
    void keepAndReleaseByLabel() {
        FakeHome h;
        h.file(".cache/Mole notes/a", 30'000);
        h.file(".cache/other/a", 30'000);
        h.file(".config/zzgoneapp/settings", 30'000);  // a leftover, for review
        h.text(".config/mole/keep", "# mine\n~/Documents\n");
        const ParsedReport report = parseReport(appLines(Commands::cleanDryRun()));
        const ReportItem *notes = findItem(report, u"User caches"_qs, u"Mole notes"_qs);
        QVERIFY(notes && notes->label.contains(QChar(0x2060)));
        QCOMPARE(withoutJoiners(joined(run({u"clean"_qs, u"--keep"_qs, notes->label}))),
                 u"\u2713 ~/.cache/Mole notes \u00b7 kept"_qs);
        QVERIFY(run({u"clean"_qs, u"--keep"_qs, u"zzgoneapp"_qs})
                    .contains(u"\u2713 ~/.config/zzgoneapp \u00b7 kept"_qs));
        QCOMPARE(runEngine({u"clean"_qs, u"--keep"_qs, u"no such item"_qs}).first, 1);
        QCOMPARE(TestEnvironment::readFile(h.home() + u"/.config/mole/keep"_qs),
                 QByteArray("# mine\n~/Documents\n~/.cache/Mole notes\n~/.config/zzgoneapp\n"));

        const ParsedReport kept = parseReport(appLines(Commands::cleanDryRun()));
        QCOMPARE(
            labels(kept, u"Kept"_qs, note),
            (QStringList{u"~/.cache/Mole notes"_qs, u"~/.config/zzgoneapp"_qs, u"~/Documents"_qs}));
        QVERIFY(!labels(kept, u"User caches"_qs, action).contains(u"Mole notes"_qs));
        QVERIFY(!labels(kept, u"Leftovers of removed apps"_qs, review).contains(u"zzgoneapp"_qs));
        appLines(Commands::clean());
        QVERIFY(h.has(".cache/Mole notes/a"));
        QVERIFY(!h.has(".cache/other"));

        const ReportItem *shown = findItem(kept, u"Kept"_qs, u"~/.cache/Mole notes"_qs);
        QVERIFY(shown);
        QCOMPARE(withoutJoiners(joined(run({u"clean"_qs, u"--release"_qs, shown->label}))),
                 u"\u2713 ~/.cache/Mole notes \u00b7 released"_qs);
        QCOMPARE(runEngine({u"clean"_qs, u"--release"_qs, u"~/.cache/Mole notes"_qs}).first, 1);
        QCOMPARE(run({u"clean"_qs, u"--kept"_qs}),
                 (QStringList{u"\u27a4 Kept"_qs, u"\u25ce ~/.config/zzgoneapp \u00b7 kept"_qs,
                              u"\u25ce ~/Documents \u00b7 kept"_qs}));
        QCOMPARE(TestEnvironment::readFile(h.home() + u"/.config/mole/keep"_qs),
                 QByteArray("# mine\n~/Documents\n~/.config/zzgoneapp\n"));
    }

    // A keep list that cannot be read safely leaves what the user keeps
    // unknown: the dry run says so and clean removes nothing, without
    // waiting on a FIFO.
    void unreadableKeepList_data() {
        QTest::addColumn<QByteArray>("kind");
        QTest::newRow("link") << QByteArray("link");
        QTest::newRow("fifo") << QByteArray("fifo");
        QTest::newRow("folder") << QByteArray("folder");
        QTest::newRow("too large") << QByteArray("large");
    }
    void unreadableKeepList() {
        QFETCH(QByteArray, kind);
        FakeHome h;
        h.file(".cache/app/a", 9000);
        h.text("real-keep", "~/.cache/app\n");
        h.folder(".config/mole");
        if (kind == "link")
            h.symlink(h.at("real-keep"), ".config/mole/keep");
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(h.at(".config/mole/keep").constData(), 0600), 0);
        else if (kind == "folder")
            h.folder(".config/mole/keep");
        else
            h.text(".config/mole/keep", QByteArray("~/.cache/app\n").repeated(200'000));
        const QStringList dry = appLines(Commands::cleanDryRun(), 30000);
        QVERIFY2(labels(parseReport(dry), u"Kept"_qs, note).contains(u"Keep list"_qs),
                 qPrintable(joined(dry)));
        const auto [exitCode, output] = runEngine({u"clean"_qs});
        QCOMPARE(exitCode, 1);
        QVERIFY(h.has(".cache/app/a"));
        QVERIFY2(output.contains("nothing removed"), output.constData());
        QCOMPARE(runEngine({u"clean"_qs, u"--keep"_qs, u"app"_qs}).first, 1);
        QCOMPARE(runEngine({u"clean"_qs, u"--release"_qs, u"~/.cache/app"_qs}).first, 1);
        QCOMPARE(TestEnvironment::readFile(h.home() + u"/real-keep"_qs), "~/.cache/app\n");
    }

    // Data of a Flatpak app that is no longer installed is a leftover to
    // review; an app installed for the user, for the system, or known only
    // from its installation folder, is not. Unused runtimes are a maintenance
    // fix that flatpak itself carries out; runtimes an app needs, its
    // extensions, shared drivers and pinned ones are used. Without flatpak
    // the runtimes are a note, and every app's data is judged by its folder.
    void flatpak_data() {
        QTest::addColumn<QByteArray>("apps");
        QTest::addColumn<QByteArray>("runtimes");
        QTest::addColumn<int>("listStatus");    // -1: no flatpak command
        QTest::addColumn<QString>("expected");  // the runtime check's line; "\u2192": a fix
        QTest::addColumn<bool>("listedIsLeftover");
        const QByteArray runtimes =
            "org.gnome.Platform/x86_64/46\n"
            "org.gnome.Platform.Locale/x86_64/46\n"
            "org.freedesktop.Platform.GL.default/x86_64/23.08\n"
            "org.gimp.GIMP.Plugin.Resynthesizer/x86_64/2-40\n"
            "org.gnome.Sdk/x86_64/46\n";  // pinned
        const QByteArray apps =
            "org.gimp.GIMP\torg.gnome.Platform/x86_64/46\n"
            "org.listed.App\torg.gnome.Platform/x86_64/46\n";
        const QString fix =
            u"\u2192 Remove unused Flatpak runtimes \u00b7 %1 no installed app needs"_qs;
        QTest::newRow("all used") << apps << runtimes << 0
                                  << u"\u2713 Flatpak runtimes \u00b7 none unused"_qs << false;
        QTest::newRow("an old platform")
            << apps << runtimes + "org.kde.Platform/x86_64/5.15-23.08\n"
            << 0 << fix.arg(u"1 runtime"_qs) << false;
        QTest::newRow("no apps left")
            << QByteArray() << runtimes << 0 << fix.arg(u"4 runtimes"_qs) << true;
        QTest::newRow("flatpak fails")
            << apps << runtimes << 1 << u"\u25ce Flatpak runtimes \u00b7 could not be listed"_qs
            << false;
        QTest::newRow("no flatpak")
            << QByteArray() << QByteArray() << -1
            << u"\u25ce flatpak is not installed \u00b7 Flatpak runtimes"_qs << true;
    }
    void flatpak() {
        QFETCH(QByteArray, apps);
        QFETCH(QByteArray, runtimes);
        QFETCH(int, listStatus);
        QFETCH(QString, expected);
        QFETCH(bool, listedIsLeftover);
        FakeHome h;
        for (const char *id : {"org.listed.App", "org.folder.App", "org.removed.App"})
            h.file(".var/app/" + QByteArray(id) + "/data/file", 30'000);
        h.folder(".local/share/flatpak/app/org.folder.App");
        // A stand-in for flatpak (none when listStatus is -1), first on the
        // PATH: it answers the lists and pins, and records every other call.
        const QString bin = h.home() + u"/fakebin"_qs;
        const QStringList path = {u"env"_qs, u"PATH="_qs + bin + u":/usr/bin:/bin"_qs};
        if (listStatus >= 0) {
            writeFile(bin + u"/apps"_qs, apps);
            writeFile(bin + u"/runtimes"_qs, runtimes);
            h.env().writeScript(bin + u"/flatpak"_qs,
                                uR"(d=$(dirname "$0")
case "$*" in
  "list --app --columns=application") cut -f1 "$d/apps"; exit %1 ;;
  "list --app --columns=application,runtime") cat "$d/apps"; exit %1 ;;
  "list --user --runtime --columns=ref") cat "$d/runtimes"; exit %1 ;;
  "pin --user") echo runtime/org.gnome.Sdk/x86_64/46 ;;
  *) echo "$*" >> "$d/calls" ;;
esac
)"_qs.arg(listStatus));
        }
        const QStringList lines = run({u"clean"_qs, u"--dry-run"_qs}, path);
        const ParsedReport report = parseReport(lines);
        const QString section = u"Leftovers of removed apps"_qs;
        const QStringList leftovers = labels(report, section, review);
        QVERIFY(!leftovers.contains(u"org.folder.App"_qs));
        if (listStatus == 0 || listedIsLeftover)
            QCOMPARE(leftovers.contains(u"org.listed.App"_qs), listedIsLeftover);
        const ReportItem *removed = findItem(report, section, u"org.removed.App"_qs);
        QVERIFY2(removed, qPrintable(joined(lines)));
        QVERIFY(removed->bytes.value_or(0) >= 30'000);
        QVERIFY(removed->detail.contains(u"~/.var/app/org.removed.App"_qs));

        const QString text = joined(run({u"optimize"_qs, u"--dry-run"_qs}, path));
        QVERIFY2(text.contains(expected), qPrintable(text));
        QVERIFY(!QFile::exists(bin + u"/calls"_qs));  // the check changes nothing
        run({u"optimize"_qs}, path);
        QCOMPARE(TestEnvironment::readFile(bin + u"/calls"_qs),
                 expected.startsWith(u'\u2192')
                     ? QByteArray("uninstall --user --unused -y --noninteractive\n")
                     : QByteArray());
    }

    // What cannot be removed is left, reported as a failure, and the run
    // goes on with the other caches: a file system mounted inside a cache
    // (neither entered nor removed), and for an ordinary user, a file that
    // belongs to someone else.
    void failuresLeaveTheEntryAndTheRunGoesOn_data() {
        QTest::addColumn<bool>("ordinaryUser");
        QTest::newRow("another file system") << false;
        QTest::newRow("another user's file") << true;
    }
    void failuresLeaveTheEntryAndTheRunGoesOn() {
        QFETCH(bool, ordinaryUser);
        const QStringList user = ordinaryUser ? asNobody() : QStringList();
        if (ordinaryUser && user.isEmpty())
            QSKIP("needs root and setpriv to act as another user");
        FakeHome h;
        h.file(".cache/plain/file", 3000);
        h.file(".cache/failing/own", 3000);
        const QByteArray mount = h.at(".cache/failing/mnt");
        if (ordinaryUser) {
            QCOMPARE(QProcess::execute(u"chown"_qs, {u"-R"_qs, u"65534:65534"_qs, h.home()}), 0);
            h.folder(".cache/failing/mnt");  // root's, as is the file in it
            h.openToOthers();
        } else if (h.folder(".cache/failing/mnt");
                   ::mount("tmpfs", mount.constData(), "tmpfs", 0, "size=1m") != 0) {
            QSKIP("cannot mount a tmpfs here (needs root)");
        }
        h.file(".cache/failing/mnt/precious", 1000);
        const QStringList lines = run({u"clean"_qs}, user);
        const bool kept = h.has(".cache/failing/mnt/precious");
        if (!ordinaryUser)
            ::umount2(mount.constData(), MNT_DETACH);
        QVERIFY(kept);
        QVERIFY(!h.has(".cache/failing/own"));
        QVERIFY(!h.has(".cache/plain"));
        QVERIFY2(
            joined(lines).contains(
                ordinaryUser ? u"~/.cache/failing/mnt/precious \u00b7 failed: Permission denied"_qs
                             : u"~/.cache/failing/mnt \u00b7 failed: on another file system"_qs),
            qPrintable(lines.join(u'\n')));
        QVERIFY(lines.last().startsWith(u"Space freed: "_qs));
    }

    // At a terminal, only an explicit yes (or --yes) removes anything.
    void terminalAsksFirst_data() {
        QTest::addColumn<QByteArray>("answer");  // none: run with --yes, and never asked
        QTest::addColumn<bool>("removes");
        QTest::newRow("no") << QByteArray("n\n") << false;
        QTest::newRow("just enter") << QByteArray("\n") << false;
        QTest::newRow("yes") << QByteArray("y\n") << true;
        QTest::newRow("--yes") << QByteArray() << true;
    }
    void terminalAsksFirst() {
        QFETCH(QByteArray, answer);
        QFETCH(bool, removes);
        if (QStandardPaths::findExecutable(u"script"_qs).isEmpty())
            QSKIP("needs script(1) for a terminal");
        FakeHome h;
        h.file(".cache/app/data", 9000);
        QProcess terminal;  // script gives the engine a terminal as its input
        terminal.setProcessChannelMode(QProcess::MergedChannels);
        terminal.start(
            u"script"_qs,
            {u"-qec"_qs, engineBinary() + (answer.isEmpty() ? u" clean --yes"_qs : u" clean"_qs),
             u"/dev/null"_qs});
        QVERIFY(terminal.waitForStarted());
        if (!answer.isEmpty()) {
            QByteArray seen;
            while (!seen.contains("[y/N]") && terminal.waitForReadyRead(30000))
                seen += terminal.readAll();
            QVERIFY2(seen.contains("Remove 1 item,"), seen.constData());
            terminal.write(answer);
        }
        QVERIFY(terminal.waitForFinished(30000));
        QCOMPARE(!h.has(".cache/app"), removes);
    }

    // A home the engine cannot trust makes the deleting commands refuse
    // before they look at anything. Run as "nobody", who could not delete
    // root's files even if a check failed.
    void unsafeHomeIsRefused_data() {
        QTest::addColumn<QString>("home");  // "%1" is a folder owned by root
        QTest::addColumn<QStringList>("command");
        const QList<QPair<const char *, QString>> homes = {{"unset", QString()},
                                                           {"root folder", u"/"_qs},
                                                           {"relative", u"home/user"_qs},
                                                           {"another user's", u"%1"_qs},
                                                           {"a file", u"%1/.cache/app/data"_qs},
                                                           {"missing", u"%1/nothing"_qs}};
        const QList<QStringList> commands = {
            {u"clean"_qs}, {u"optimize"_qs}, {u"uninstall"_qs, u"app"_qs}};
        for (const auto &[name, home] : homes)
            for (const QStringList &command : commands)
                QTest::addRow("%s, %s", name, qPrintable(command.first())) << home << command;
    }
    void unsafeHomeIsRefused() {
        QFETCH(QString, home);
        QFETCH(QStringList, command);
        const QStringList nobody = asNobody();
        if (nobody.isEmpty())
            QSKIP("needs root and setpriv to run the refusals as another user");
        FakeHome h;
        h.file(".cache/app/data", 9000);
        h.openToOthers();  // nobody must reach the folder to judge it
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (home.isNull())
            environment.remove(u"HOME"_qs);
        else
            environment.insert(u"HOME"_qs, home.contains(u"%1"_qs) ? home.arg(h.home()) : home);
        const auto [exitCode, bytes] = runEngine(command, nobody, environment);
        const QString output = QString::fromUtf8(bytes);
        QVERIFY(exitCode > 0);
        QVERIFY2(output.contains(u"HOME"_qs) && output.contains(u"refusing"_qs),
                 qPrintable(output));
        QVERIFY(h.has(".cache/app/data"));
    }
};

QTEST_GUILESS_MAIN(TestMoleClean)
#include "tst_mole_clean.moc"
