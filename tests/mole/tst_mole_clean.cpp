#include "FakeHome.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "EngineProcess.h"
#include "engine/Commands.h"

class TestMoleClean : public QObject {
    Q_OBJECT

private Q_SLOTS:
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
