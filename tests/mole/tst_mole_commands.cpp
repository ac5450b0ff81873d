#include "EngineProcess.h"
#include "support/TestEnvironment.h"

// The engine's own help, version and errors, as a person at a terminal
// meets them.
class TestMoleCommands : public QObject {
    Q_OBJECT
    TestEnvironment m_env;

private Q_SLOTS:
    void answers_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("mentions");  // in the output, in this order
        QTest::newRow("help") << QStringList{u"--help"_qs} << 0
                              << QStringList{u"usage: mole"_qs, u"analyze"_qs, u"status"_qs};
        QTest::newRow("analyze help")
            << QStringList{u"analyze"_qs, u"--help"_qs} << 0
            << QStringList{u"usage: mole analyze"_qs, u"--json"_qs, u"total_size"_qs};
        QTest::newRow("status help")
            << QStringList{u"status"_qs, u"-h"_qs} << 0
            << QStringList{u"usage: mole status"_qs, u"--watch"_qs, u"--interval"_qs};
        QTest::newRow("version") << QStringList{u"--version"_qs} << 0
                                 << QStringList{QString::fromLatin1(MOLE_VERSION)};
        QTest::newRow("no command") << QStringList{} << 2 << QStringList{u"usage: mole"_qs};
        QTest::newRow("unknown command") << QStringList{u"tidy"_qs} << 2
                                         << QStringList{u"mole: unknown command"_qs, u"usage"_qs};
        QTest::newRow("unknown option") << QStringList{u"status"_qs, u"--fast"_qs} << 2
                                        << QStringList{u"mole status: unknown option"_qs};
    }
    // Through a link called "mo", the usage names it "mo".
    void usageNamesTheEngineAsStarted() {
        const QString mo = m_env.home() + u"/bin/mo"_qs;
        QDir().mkpath(m_env.home() + u"/bin"_qs);
        QVERIFY(QFile::link(engineBinary(), mo));
        const auto [code, output] = runCommand({mo, u"--help"_qs});
        QCOMPARE(code, 0);
        QVERIFY2(output.startsWith("usage: mo <command>"), output.constData());
        QVERIFY(output.contains("mo <command> --help"));
        QVERIFY(!output.contains("mole"));
        QVERIFY(runCommand({mo, u"trash"_qs, u"--help"_qs})
                    .second.startsWith("usage: mo trash --stdin"));
    }

    void answers() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QStringList, mentions);
        const auto [code, output] = runEngine(arguments);
        QCOMPARE(code, exitCode);
        qsizetype at = 0;
        for (const QString &mention : mentions) {
            at = QString::fromUtf8(output).indexOf(mention, at);
            QVERIFY2(at >= 0, qPrintable(mention + u" in: "_qs + QString::fromUtf8(output)));
        }
    }
};

QTEST_GUILESS_MAIN(TestMoleCommands)
#include "tst_mole_commands.moc"
