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

bool waitForEnd(StatusModel &model) {
    return QTest::qWaitFor([&] { return !model.isStreaming(); }, 10000);
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
        SignalLog log(&model, {u"streamingChanged"_qs});
        model.stream();
        QVERIFY(waitForEnd(model));
        // One change per reading; the noise announces nothing.
        QCOMPARE(log.take(), (SignalLog::Counts{{u"snapshotChanged"_qs, 45},
                                                {u"cpuHistoryChanged"_qs, 45},
                                                {u"memHistoryChanged"_qs, 45}}));
        QCOMPARE(model.cpuHistory(), cpu);
        QCOMPARE(model.memHistory(), mem);
        QCOMPARE(model.snapshot()->healthScore, 44);
        QCOMPARE(model.error(), std::nullopt);  // the engine exiting is a quiet end
    }

    void failureKeepsWhatWasRead_data() {
        QTest::addColumn<bool>("afterReadings");
        QTest::newRow("before any reading") << false;
        QTest::newRow("after readings") << true;
    }
    void failureKeepsWhatWasRead() {
        QFETCH(bool, afterReadings);
        TestEnvironment env;
        StatusModel model;
        if (afterReadings) {
            const QString path = env.installEngineInResources(watchPrinting({reading(10, 20)}));
            model.stream();
            QVERIFY(waitForEnd(model));
            QVERIFY(QFile::remove(path));
        }
        const std::optional<StatusSnapshot> last = model.snapshot();
        const QList<double> cpu = model.cpuHistory();
        QCOMPARE(last.has_value(), afterReadings);

        SignalLog log(&model, {u"streamingChanged"_qs});
        model.stream();
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.error(), QString::fromUtf8(EngineError::notInstalled));
        QCOMPARE(model.snapshot(), last);
        QCOMPARE(model.cpuHistory(), cpu);
        QCOMPARE(log.take(), SignalLog::once("error"));

        // A good reading later shows, but the error stays: nothing clears it.
        env.installEngineInResources(watchPrinting({reading(30, 40)}));
        model.stream();
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.snapshot()->cpu.usage, 30);
        QCOMPARE(model.error(), QString::fromUtf8(EngineError::notInstalled));
        QCOMPARE(log.take(), SignalLog::once("snapshot cpuHistory memHistory"));
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
