#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include "support/ScriptedEngine.h"
#include "support/SignalLog.h"
#include "engine/Engine.h"
#include "overview/StatusModel.h"
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
    void readingsBetweenNoise() {
        TestEnvironment env;
        env.installEngineInResources(watchPrinting({
            u"Collecting readings…"_qs,
            reading(25, 50, 70),
            u"  "_qs + reading(99, 99),  // not at the start of the line
            u"{not json"_qs,
            u"{}"_qs,
            u"{\"health_score\": 1, \"health_score_msg\": \"no cpu or memory\"}"_qs,
            u"[1, 2]"_qs,
            reading(100, 0, 40),
        }));
        StatusModel model;
        SignalLog log(&model);
        model.stream();
        QVERIFY(model.isStreaming());
        QVERIFY(waitForEnd(model));

        const QStringList reading = {u"snapshotChanged"_qs, u"cpuHistoryChanged"_qs,
                                     u"memHistoryChanged"_qs};
        QCOMPARE(log.names, QStringList{u"streamingChanged"_qs} + reading + reading +
                                QStringList{u"streamingChanged"_qs});
        QCOMPARE(model.cpuHistory(), (QList<double>{0.25, 1.0}));
        QCOMPARE(model.memHistory(), (QList<double>{0.5, 0.0}));
        QVERIFY(model.snapshot());
        QCOMPARE(model.snapshot()->healthScore, 40);
        // The engine exiting is a quiet end: the last reading stays.
        QCOMPARE(model.error(), std::nullopt);
    }

    void historiesKeepTheLastForty() {
        TestEnvironment env;
        QStringList lines;
        for (int i = 0; i < 45; ++i) lines.append(reading(i * 3, 100 - i));
        env.installEngineInResources(watchPrinting(lines));
        StatusModel model;
        QList<qsizetype> sizes;
        connect(&model, &StatusModel::cpuHistoryChanged,
                [&] { sizes.append(model.cpuHistory().size()); });
        model.stream();
        QVERIFY(waitForEnd(model));

        QCOMPARE(sizes.size(), 45);
        QCOMPARE(sizes[39], 40);
        QCOMPARE(*std::max_element(sizes.cbegin(), sizes.cend()), StatusModel::historyLength);
        QList<double> cpu, mem;
        for (int i = 5; i < 45; ++i) {
            cpu.append(i * 3 / 100.0);  // not clamped: up to 1.32
            mem.append((100 - i) / 100.0);
        }
        QCOMPARE(model.cpuHistory(), cpu);
        QCOMPARE(model.memHistory(), mem);
    }

    void failureBeforeAnyReading() {
        TestEnvironment env;
        StatusModel model;
        SignalLog log(&model);
        model.stream();
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.error(), QString::fromUtf8(EngineError::notInstalled));
        QCOMPARE(model.snapshot(), std::nullopt);
        QVERIFY(model.cpuHistory().isEmpty());
        QCOMPARE(log.names,
                 (QStringList{u"streamingChanged"_qs, u"streamingChanged"_qs, u"errorChanged"_qs}));
    }

    void failureAfterReadingsKeepsTheLastOne() {
        TestEnvironment env;
        const QString path = env.installEngineInResources(watchPrinting({reading(10, 20)}));
        StatusModel model;
        model.stream();
        QVERIFY(waitForEnd(model));
        const std::optional<StatusSnapshot> last = model.snapshot();
        QVERIFY(last);

        QVERIFY(QFile::remove(path));
        model.stream();
        QVERIFY(waitForEnd(model));
        QCOMPARE(model.error(), QString::fromUtf8(EngineError::notInstalled));
        QCOMPARE(model.snapshot(), last);
        QCOMPARE(model.cpuHistory(), QList<double>{0.1});
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
        QVERIFY(pid > 0);

        SignalLog log(&model);
        model.stop();
        QCOMPARE(log.names, QStringList{u"streamingChanged"_qs});
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
        const StatusSnapshot &s = *model.snapshot();
        QVERIFY(s.healthScore >= 0 && s.healthScore <= 100);
        QVERIFY(s.memory.total > 0);
        QVERIFY(s.rootDisk().has_value());
        QCOMPARE(model.cpuHistory().size(), model.memHistory().size());
        QVERIFY(model.isStreaming());  // a watch keeps going until stopped
        model.stop();
        QVERIFY(!model.isStreaming());
    }
};

QTEST_GUILESS_MAIN(StatusModelTest)
#include "tst_status_model.moc"
