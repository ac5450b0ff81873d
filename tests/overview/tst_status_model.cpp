#include <QFile>
#include <QTest>

#include "engine/Engine.h"
#include "overview/StatusModel.h"
#include "support/ScriptedEngine.h"
#include "support/SignalLog.h"
#include "support/TestEnvironment.h"

namespace {

QString reading(double cpu, double memPercent, int score = 90) {
    return QStringLiteral(R"({"health_score": %1, "health_score_msg": "ok", "cpu": {"usage": %2}, )"
                          R"("memory": {"used": 1, "total": 2, "used_percent": %3}})")
        .arg(score)
        .arg(cpu)
        .arg(memPercent);
}

// A watch that prints these lines and exits; any other command fails.
QString watchPrinting(const QStringList &lines) {
    return u"[ \"$*\" = 'status --watch --interval 2s' ] || exit 3\n"_qs +
           ScriptedEngine::printLines(lines);
}

// Until the current run's engine has ended (the model then restarts it).
bool waitForEnd(StatusModel &model) {
    return QTest::qWaitFor([&] { return model.isStale(); }, 10000);
}

}  // namespace

class StatusModelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readingsAmongNoiseFillTheHistories() {
        const QStringList noise = {
            u"  "_qs + reading(99, 99),  // not at the start of the line
            u"{not json"_qs,
            u"{}"_qs,
            u"{\"health_score\": 1, \"health_score_msg\": \"no cpu or memory\"}"_qs,
            u"[1, 2]"_qs,
            // Read as a whole or not at all: a volume without its mount.
            reading(99, 99).chopped(1) + u", \"disks\": [{\"used\": 1, \"total\": 2}]}"_qs,
        };
        QStringList lines = {u"Collecting readings…"_qs};
        QList<double> cpu, mem;
        for (int i = 0; i < 45; ++i) {
            lines.append(reading(i * 3, 100 - i, i));
            if (i == 20)
                lines += noise;
            if (i >= 45 - StatusModel::historyLength) {
                cpu.append(i * 3 / 100.0);  // not clamped: up to 1.32
                mem.append((100 - i) / 100.0);
            }
        }
        TestEnvironment env;
        env.installEngineInResources(watchPrinting(lines));
        StatusModel model;
        SignalLog log(&model, {u"streamingChanged"_qs, u"staleChanged"_qs});
        model.stream();
        QVERIFY(waitForEnd(model));
        model.stop();
        // One change per reading; the noise announces nothing.
        QCOMPARE(log.take(), (SignalLog::Counts{{u"snapshotChanged"_qs, 45},
                                                {u"cpuHistoryChanged"_qs, 45},
                                                {u"memHistoryChanged"_qs, 45}}));
        QCOMPARE(model.cpuHistory(), cpu);
        QCOMPARE(model.memHistory(), mem);
        QCOMPARE(model.snapshot()->healthScore, 44);
        QCOMPARE(model.error(), std::nullopt);  // the engine exiting is a quiet end
    }

    // An engine that ends without a reading is tried again; only after a
    // few tries in a row does the failure show, and a reading clears it.
    void failureShowsAfterAFewTries_data() {
        QTest::addColumn<QString>("script");  // empty: no engine
        QTest::addColumn<QString>("error");
        QTest::newRow("no engine") << QString() << QString::fromUtf8(EngineError::notInstalled);
        QTest::newRow("exits without a word")
            << u"exit 0\n"_qs << u"The system status stopped updating."_qs;
        QTest::newRow("refuses") << u"echo 'mole status: cannot read /proc' >&2; exit 1\n"_qs
                                 << u"cannot read /proc"_qs;
    }
    void failureShowsAfterAFewTries() {
        QFETCH(QString, script);
        QFETCH(QString, error);
        TestEnvironment env;
        const QString tries = env.home() + u"/tries"_qs;
        if (!script.isEmpty())
            env.installEngineInResources(u"echo x >> '"_qs + tries + u"'\n"_qs + script);
        StatusModel model;
        model.stream();
        if (!script.isEmpty()) {
            QTRY_VERIFY(TestEnvironment::readFile(tries).count('\n') >= 1);
            QCOMPARE(model.error(), std::nullopt);  // one failed try is not enough
        }
        QTRY_VERIFY_WITH_TIMEOUT(model.error().has_value(), 15000);
        QCOMPARE(*model.error(), error);
        if (!script.isEmpty())
            QCOMPARE(TestEnvironment::readFile(tries).count('\n'), StatusModel::triesBeforeError);
        QVERIFY(!model.snapshot());
        QVERIFY(model.isStreaming());  // still trying

        // The engine works again: the next try reads, and the error goes.
        env.installEngineInResources(u"echo '"_qs + reading(30, 40) + u"'; exec sleep 30\n"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(model.snapshot().has_value(), 15000);
        QCOMPARE(model.error(), std::nullopt);
        QVERIFY(!model.isStale());
        model.stop();
    }

    // A watch that ends after readings is restarted; meanwhile its last
    // reading stays, marked stale.
    void anEndedWatchRestartsAndItsReadingGoesStale() {
        TestEnvironment env;
        const QString runs = env.home() + u"/runs"_qs;
        env.installEngineInResources(u"echo x >> '"_qs + runs + u"'\necho '"_qs + reading(10, 20) +
                                     u"'\n[ \"$(wc -l < '"_qs + runs +
                                     u"')\" -ge 2 ] && exec sleep 30\nexit 0\n"_qs);
        StatusModel model;
        SignalLog log(&model, {u"snapshotChanged"_qs, u"cpuHistoryChanged"_qs,
                               u"memHistoryChanged"_qs, u"streamingChanged"_qs});
        model.stream();
        QTRY_VERIFY(model.isStale());
        QVERIFY(model.snapshot());
        QCOMPARE(model.error(), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(!model.isStale(), 10000);  // the second run's reading
        QCOMPARE(TestEnvironment::readFile(runs), "x\nx\n");
        QCOMPARE(model.cpuHistory().size(), 2);
        QCOMPARE(log.take(), (SignalLog::Counts{{u"staleChanged"_qs, 2}}));
        model.stop();
    }

    void stopEndsTheEngineQuietly() {
        TestEnvironment env;
        const QString pidFile = env.home() + u"/watch.pid"_qs;
        env.installEngineInResources(ScriptedEngine::recordPid(pidFile) + u"echo '"_qs +
                                     reading(5, 6) + u"'; exec sleep 30\n"_qs);
        StatusModel model;
        model.stream();
        QTRY_VERIFY(model.snapshot().has_value());
        const qint64 pid = ScriptedEngine::readPid(pidFile);

        SignalLog log(&model, {u"streamingChanged"_qs});
        model.stop();
        QCOMPARE(log.take(), SignalLog::Counts());
        QVERIFY(!model.isStreaming());
        QTRY_VERIFY(ScriptedEngine::isGone(pid));
        QCOMPARE(model.error(), std::nullopt);
        QVERIFY(model.snapshot());
        // Stopped means stopped: no try follows.
        QFile::remove(pidFile);
        QTest::qWait(StatusModel::firstRetryMs + 300);
        QVERIFY(!QFile::exists(pidFile));
    }

    // The volume the storage card shows: "/", else the first one listed.
    void rootDisk_data() {
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QStringList>("mounts");
        QTest::addColumn<QString>("root");  // empty: none
        QTest::newRow("root after another") << true << QStringList{u"/data"_qs, u"/"_qs} << u"/"_qs;
        QTest::newRow("no root: the first")
            << true << QStringList{u"/data"_qs, u"/home"_qs} << u"/data"_qs;
        QTest::newRow("empty list") << true << QStringList() << QString();
        QTest::newRow("absent") << false << QStringList() << QString();
    }
    void rootDisk() {
        QFETCH(bool, listed);
        QFETCH(QStringList, mounts);
        QFETCH(QString, root);
        StatusSnapshot s;
        if (listed)
            s.disks.emplace();
        for (const QString &mount : mounts) s.disks->append({mount, 1, 2, 50, {}});
        const auto found = s.rootDisk();
        QCOMPARE(found ? found->mount : QString(), root);
    }

    void watchesTheRealEngine() {
        TestEnvironment env;
        env.installRealEngine();
        StatusModel model;
        model.stream();
        QTRY_VERIFY_WITH_TIMEOUT(model.snapshot().has_value(), 15000);
        QCOMPARE(model.error(), std::nullopt);
        QVERIFY(model.snapshot()->rootDisk().has_value());
        QVERIFY(model.isStreaming());  // a watch keeps going until stopped
        model.stop();
    }
};

QTEST_GUILESS_MAIN(StatusModelTest)
#include "tst_status_model.moc"
