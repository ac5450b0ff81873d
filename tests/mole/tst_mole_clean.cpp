#include "FakeHome.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "EngineProcess.h"
#include "engine/Commands.h"

namespace {

const QString kUserCaches = u"User caches"_qs;
constexpr auto action = ReportItem::Kind::action;

// The names the dry run lists, in the app's text after its filters.
QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

}  // namespace

class TestMoleClean : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every category in one home; the dry run's action items are exactly
    // what the clean run then removes, and nothing else is touched.
    void dryRunListsExactlyWhatCleanRemoves() {
        FakeHome h;
        RunningApp running(u"fakeapp"_qs);
        const QList<QByteArray> removed = {".cache/appA",
                                           ".cache/appB",
                                           ".cache/Mole notes",
                                           ".cache/mo clean stuff",
                                           ".cache/line\nbreak",
                                           ".cache/bad\xff",
                                           ".cache/would free 5 GB",
                                           ".cache/thumbnails",
                                           ".thumbnails",
                                           ".cache/mozilla",
                                           ".config/google-chrome/Default/GPUCache",
                                           ".npm/_cacache",
                                           ".cargo/registry/cache",
                                           ".xsession-errors.old",
                                           ".local/share/Trash/files/old.txt",
                                           ".local/share/Trash/files/olddir",
                                           ".local/share/Trash/info/old.txt.trashinfo",
                                           ".local/share/Trash/info/olddir.trashinfo"};
        for (const QByteArray &root : removed)
            if (!root.contains("/info/"))  // each cache a folder with a file, logs and trash files
                h.file(root.endsWith(".old") || root.endsWith(".txt") ? root : root + "/data.bin",
                       20'000);
        h.file(".cache/appA/sub/deep/x", 3000);
        h.file("Documents/keep.txt", 1000);
        h.symlink("../../Documents", ".cache/appB/relative-link");
        h.symlink(h.at("Documents"), ".cache/appB/absolute-link");
        h.file(".cache/fakeapp/state", 8000);
        h.file(".config/google-chrome/Default/Cookies", 3000);
        h.file(".config/google-chrome/Default/History", 3000);
        h.file(".config/zzoldapp-left/settings", 3000);
        h.text(".local/share/Trash/info/old.txt.trashinfo",
               "[Trash Info]\nPath=/x/old.txt\nDeletionDate=2026-01-01T10:00:00\n");
        h.text(".local/share/Trash/info/olddir.trashinfo",
               "[Trash Info]\nPath=/x/olddir\nDeletionDate=2026-01-01T10:00:00\n");
        h.file(".local/share/Trash/files/kept-later", 100);  // trashed after the scan
        QVERIFY(::unlink(h.at(".local/share/Trash/files/kept-later")) == 0);
        h.text(".local/share/Trash/directorysizes", "24576 1767261600 olddir\n");

        const ParsedReport report = parseReport(appLines(Commands::cleanDryRun()));
        QCOMPARE(sorted(labels(report, kUserCaches, action)),
                 sorted({u"appA"_qs, u"appB"_qs, u"Mole notes"_qs, u"mo clean stuff"_qs,
                         u"line\\nbreak"_qs, u"bad\ufffd"_qs, u"would free 5 GB"_qs}));
        QCOMPARE(labels(report, kUserCaches, ReportItem::Kind::note),
                 QStringList{u"fakeapp is running"_qs});
        QCOMPARE(sorted(labels(report, u"Browser caches"_qs, action)),
                 sorted({u"Chrome"_qs, u"Firefox"_qs}));
        QCOMPARE(sorted(labels(report, u"Developer caches"_qs, action)),
                 sorted({u"Cargo"_qs, u"npm"_qs}));
        QCOMPARE(labels(report, u"Thumbnails"_qs, action), QStringList{u"Thumbnails"_qs});
        QCOMPARE(labels(report, u"Logs & crash dumps"_qs, action),
                 QStringList{u"~/.xsession-errors.old"_qs});
        QCOMPARE(labels(report, u"Trash"_qs, action), QStringList{u"Trash"_qs});
        QVERIFY(labels(report, u"Leftovers of removed apps"_qs, ReportItem::Kind::review)
                    .contains(u"zzoldapp-left"_qs));
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

        const QSet<QByteArray> before = h.snapshot();
        const QStringList cleanLines = appLines(Commands::clean());
        const QSet<QByteArray> after = h.snapshot();
        QSet<QByteArray> expected = FakeHome::below(before, removed);
        expected.insert(".local/state/mole/clean-plan");  // used up by the run
        QCOMPARE(before - after, expected);
        QVERIFY(after - before == QSet<QByteArray>());
        QVERIFY(anyLineHas(cleanLines, u"\u27a4 User caches"_qs));
        QVERIFY2(!anyLineHas(cleanLines, u"\u2717"_qs), qPrintable(cleanLines.join(u'\n')));
        const std::optional<qint64> freedBytes = lastSize(cleanLines);
        QVERIFY(freedBytes && qAbs(*freedBytes - *report.total) <= *report.total / 10);
        QCOMPARE(cleanLines.last().left(12), u"Space freed:"_qs);

        QFile sizes(QFile::decodeName(h.at(".local/share/Trash/directorysizes")));
        QVERIFY(sizes.open(QIODevice::ReadOnly));
        QCOMPARE(sizes.readAll(), QByteArray());
    }

    // Without a fresh plan for this home, clean scans first with the same code.
    void cleanWithoutAFreshPlanScansFirst_data() {
        QTest::addColumn<QByteArray>("plan");
        QTest::newRow("no plan") << QByteArray();
        QTest::newRow("a day old") << QByteArray("mole-clean-plan 2\nhome %1\ncreated 1000\n");
        QTest::newRow("another home")
            << QByteArray("mole-clean-plan 2\nhome /elsewhere\ncreated %2\n");
        QTest::newRow("garbled") << QByteArray("mole-clean-plan 2\nhome %1\ncreated %2\nsection\n");
    }
    void cleanWithoutAFreshPlanScansFirst() {
        QFETCH(QByteArray, plan);
        FakeHome h;
        h.file(".cache/app/data", 9000);
        if (!plan.isEmpty())
            h.text(".local/state/mole/clean-plan",
                   plan.replace("%1", QFile::encodeName(h.home()))
                       .replace("%2", QByteArray::number(::time(nullptr))));
        const QStringList lines = appLines(Commands::clean());
        QVERIFY2(!h.has(".cache/app"), qPrintable(lines.join(u'\n')));
        QVERIFY(lastSize(lines).value_or(0) > 0);
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
        const QStringList lines = ::appLines(runEngine({u"clean"_qs}, user).second);
        const bool kept = h.has(".cache/failing/mnt/precious");
        if (!ordinaryUser)
            ::umount2(mount.constData(), MNT_DETACH);
        QVERIFY(kept);
        QVERIFY(!h.has(".cache/failing/own"));
        QVERIFY(!h.has(".cache/plain"));
        QVERIFY2(
            anyLineHas(lines,
                       ordinaryUser
                           ? u"~/.cache/failing/mnt/precious \u00b7 failed: Permission denied"_qs
                           : u"~/.cache/failing/mnt \u00b7 failed: on another file system"_qs),
            qPrintable(lines.join(u'\n')));
        QVERIFY(lines.last().startsWith(u"Space freed: "_qs));
    }

    // At a terminal, only an explicit yes (or --yes) removes anything.
    void terminalAsksFirst_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("asks");
        QTest::addColumn<bool>("removes");
        QTest::newRow("no") << QStringList{u"clean"_qs} << QByteArray("n\n") << true << false;
        QTest::newRow("just enter")
            << QStringList{u"clean"_qs} << QByteArray("\n") << true << false;
        QTest::newRow("yes") << QStringList{u"clean"_qs} << QByteArray("y\n") << true << true;
        QTest::newRow("--yes") << QStringList{u"clean"_qs, u"--yes"_qs} << QByteArray() << false
                               << true;
    }
    void terminalAsksFirst() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, answer);
        QFETCH(bool, asks);
        QFETCH(bool, removes);
        if (QStandardPaths::findExecutable(u"script"_qs).isEmpty())
            QSKIP("needs script(1) for a terminal");
        FakeHome h;
        h.file(".cache/app/data", 9000);
        QProcess terminal;  // script gives the engine a terminal as its input
        terminal.setProcessChannelMode(QProcess::MergedChannels);
        terminal.start(u"script"_qs,
                       {u"-qec"_qs, engineBinary() + u' ' + arguments.join(u' '), u"/dev/null"_qs});
        QVERIFY(terminal.waitForStarted());
        if (asks) {
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
