#include "EngineProcess.h"
#include "support/TestEnvironment.h"

// The engine's own help, version, errors and summary, as a person at a
// terminal meets them: text, never a line of JSON. Started through a link called "mo",
// the usage names it "mo".
class TestMoleCommands : public QObject {
    Q_OBJECT
    TestEnvironment m_env;
    const QString m_mo = m_env.home() + u"/bin/mo"_qs;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(QDir().mkpath(m_env.home() + u"/bin"_qs) && QFile::link(engineBinary(), m_mo));
    }

    void answers_data() {
        QTest::addColumn<QStringList>("command");  // as typed: "mole" or "mo", then arguments
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
        row("status summary", u"mole status"_qs, 0,
            {u"Health"_qs, u"CPU"_qs, u"Memory"_qs, u"Disk"_qs, u"Trash"_qs});
        row("help as mo", u"mo --help"_qs, 0,
            {u"usage: mo <command>"_qs, u"mo <command> --help"_qs});
        row("trash help as mo", u"mo trash --help"_qs, 0, {u"usage: mo trash --stdin"_qs});
    }
    void answers() {
        QFETCH(QStringList, command);
        QFETCH(int, exitCode);
        QFETCH(QStringList, mentions);
        const QString program = command.takeFirst() == u"mo"_qs ? m_mo : engineBinary();
        const auto [code, bytes] = runEngineAtTerminal(command, program);
        const QString output = QString::fromUtf8(bytes);
        QCOMPARE(code, exitCode);
        QVERIFY2(!output.startsWith(u'{') && !output.contains(u"\n{"_qs), qPrintable(output));
        qsizetype at = 0;
        for (const QString &mention : mentions) {
            at = output.indexOf(mention, at);
            QVERIFY2(at >= 0, qPrintable(mention + u" in: "_qs + output));
        }
    }
};

QTEST_GUILESS_MAIN(TestMoleCommands)
#include "tst_mole_commands.moc"
