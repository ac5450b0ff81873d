#include "EngineProcess.h"

// The engine's own help, version, errors, tables and summaries, as a person
// at a terminal meets them: text without escape sequences, never a line of
// JSON. Started through a link called "mo", the usage names it "mo".
class TestMoleCommands : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    const QString m_home = m_env.home(), m_mo = m_home + u"/bin/mo"_qs;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(QDir().mkpath(m_home + u"/bin"_qs) && QFile::link(engineBinary(), m_mo) &&
                QFile::link(m_home + u"/bin"_qs, m_home + u"/bin-link"_qs));
        writeFile(m_home + u"/photos/a.jpg"_qs, QByteArray(300'000, 'x'));
        writeFile(m_home + u"/evil\x1b[2Jname"_qs, QByteArray(50'000, 'x'));
    }

    void answers_data() {
        // As typed: "mole" or "mo", then the arguments; a trailing space
        // gives an empty last argument.
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("mentions");  // in the output, in this order
        const auto row = [](const char *name, const QString &command, int exitCode,
                            const QStringList &mentions) {
            QTest::newRow(name) << command.split(u' ') << exitCode << mentions;
        };
        row("help", u"mole --help"_qs, 0, {u"usage: mole"_qs, u"analyze"_qs, u"status"_qs});
        row("analyze help", u"mole analyze --help"_qs, 0,
            {u"usage: mole analyze"_qs, u"--json"_qs, u"total_size"_qs});
        row("status help", u"mole status -h"_qs, 0,
            {u"usage: mole status"_qs, u"--watch"_qs, u"--interval"_qs});
        row("version", u"mole --version"_qs, 0, {QString::fromLatin1(MOLE_VERSION)});
        row("no command", u"mole"_qs, 2, {u"usage: mole"_qs});
        row("unknown command", u"mole tidy"_qs, 2, {u"mole: unknown command"_qs, u"usage"_qs});
        row("unknown option", u"mole status --fast"_qs, 2, {u"mole status: unknown option"_qs});
        row("help as mo", u"mo --help"_qs, 0,
            {u"usage: mo <command>"_qs, u"mo <command> --help"_qs});
        row("trash help as mo", u"mo trash --help"_qs, 0, {u"usage: mo trash --stdin"_qs});
        // A table of sizes and shares, names made harmless.
        row("analyze table", u"mole analyze "_qs + m_home, 0,
            {u"%"_qs, u"photos/"_qs, u"evil?[2Jname"_qs});
        // Only an absolute path to a real folder is analysed.
        const QString analyze = u"mole analyze --json "_qs;
        const QStringList notAFolder{u"mole analyze: not a folder"_qs};
        row("relative folder", analyze + u"relative/folder"_qs, 2, {u"mole analyze: "_qs});
        row("empty folder", analyze, 2, {u"mole analyze: "_qs});
        row("missing folder", analyze + u"/no/such/folder"_qs, 1, {u"mole analyze: "_qs});
        row("a file", analyze + u"/etc/hostname"_qs, 1, notAFolder);
        row("a link", analyze + m_home + u"/bin-link"_qs, 1, notAFolder);
        row("status summary", u"mole status"_qs, 0,
            {u"Health"_qs, u"CPU"_qs, u"Memory"_qs, u"Disk"_qs, u"Trash"_qs});
        for (const char *interval : {"soon", "0", "-1s", "3h", ""})
            row(*interval ? interval : "empty interval",
                u"mole status --watch --interval "_qs + QString::fromLatin1(interval), 2,
                {u"mole status: the interval must be a duration"_qs});
    }
    void answers() {
        QFETCH(QStringList, command);
        QFETCH(int, exitCode);
        QFETCH(QStringList, mentions);
        const QString program = command.takeFirst() == u"mo"_qs ? m_mo : engineBinary();
        const auto [code, bytes] = runEngineAtTerminal(command, program);
        const QString output = QString::fromUtf8(bytes);
        QCOMPARE(code, exitCode);
        QVERIFY2(
            !output.startsWith(u'{') && !output.contains(u"\n{"_qs) && !output.contains(u'\x1b'),
            qPrintable(output));
        qsizetype at = 0;
        for (const QString &mention : mentions) {
            at = output.indexOf(mention, at);
            QVERIFY2(at >= 0, qPrintable(mention + u" in: "_qs + output));
        }
    }
};

QTEST_GUILESS_MAIN(TestMoleCommands)
#include "tst_mole_commands.moc"
