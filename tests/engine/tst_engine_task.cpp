#include <QTest>

#include "engine/EngineTask.h"
#include "support/ScriptedEngine.h"
#include "support/TestEnvironment.h"

class EngineTaskTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void runningWhileLinesArriveNotWhenTheEndIsHandled() {
        TestEnvironment env;
        env.installEngineInResources(ScriptedEngine::printLines({u"one"_qs, u"two"_qs}));
        QObject owner;
        int runningChanges = 0;
        EngineTask task(&owner, [&] { ++runningChanges; });
        QStringList events;
        task.start({{u"x"_qs}, std::nullopt},
                   {[&](const QString &line) {
                        events.append(line + (task.isRunning() ? u"+"_qs : u"-"_qs));
                    },
                    [&] { events.append(task.isRunning() ? u"finished+"_qs : u"finished-"_qs); },
                    [&](const QString &) { events.append(u"failed"_qs); }});
        QTRY_COMPARE(events, (QStringList{u"one+"_qs, u"two+"_qs, u"finished-"_qs}));
        QCOMPARE(runningChanges, 2);  // once on, once off
    }

    void aHandlerThatStopsTheRunGetsNoMoreLines() {
        TestEnvironment env;
        const QString pidFile = env.home() + u"/engine.pid"_qs;
        env.installEngineInResources(ScriptedEngine::recordPid(pidFile) +
                                     ScriptedEngine::printLines({u"a"_qs, u"b"_qs, u"c"_qs}) +
                                     u"exec sleep 30\n"_qs);
        QObject owner;
        QStringList seen;
        EngineTask task(&owner);
        task.start({{u"x"_qs}, std::nullopt},
                   {[&](const QString &line) {
                        seen.append(line);
                        if (line == u"b"_qs)
                            task.stop();
                    },
                    [&] { seen.append(u"finished"_qs); },
                    [&](const QString &) { seen.append(u"failed"_qs); }});
        QTRY_COMPARE(seen, (QStringList{u"a"_qs, u"b"_qs}));
        QVERIFY(!task.isRunning());
        QTRY_VERIFY(ScriptedEngine::isGone(ScriptedEngine::readPid(pidFile)));
        QCoreApplication::processEvents();
        QCOMPARE(seen, (QStringList{u"a"_qs, u"b"_qs}));
    }

    void destroyingTheTaskEndsTheEngineQuietly() {
        TestEnvironment env;
        const QString pidFile = env.home() + u"/engine.pid"_qs;
        env.installEngineInResources(ScriptedEngine::recordPid(pidFile) + u"exec sleep 30\n"_qs);
        QObject owner;
        int runningChanges = 0;
        {
            EngineTask task(&owner, [&] { ++runningChanges; });
            task.start({{u"x"_qs}, std::nullopt},
                       {[](const QString &) {}, [] {}, [](const QString &) {}});
            QTRY_VERIFY(ScriptedEngine::readPid(pidFile) > 0);
        }
        QCOMPARE(runningChanges, 1);  // the start only: a dying owner is not told
        QTRY_VERIFY(ScriptedEngine::isGone(ScriptedEngine::readPid(pidFile)));
    }
};

QTEST_GUILESS_MAIN(EngineTaskTest)
#include "tst_engine_task.moc"
