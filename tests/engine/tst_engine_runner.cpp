#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <csignal>

#include "engine/Engine.h"
#include "engine/EngineTask.h"
#include "engine/LineSplitter.h"
#include "platform/QuitSignals.h"
#include "support/ScriptedEngine.h"
#include "support/TestEnvironment.h"

namespace {

// Everything one run delivered, recorded from the moment it was created.
struct Result {
    QStringList lines;
    std::optional<QString> error;
    bool ended = false;

    explicit Result(EngineRun *run) {
        QObject::connect(run, &EngineRun::linesArrived,
                         [this](const QStringList &batch) { lines += batch; });
        QObject::connect(run, &EngineRun::finished, [this] { ended = true; });
        QObject::connect(run, &EngineRun::failed, [this](const QString &message) {
            error = message;
            ended = true;
        });
    }
};

// Runs the engine in the resources and waits for the end.
Result collect(const Invocation &invocation = {}) {
    QObject owner;
    Result result(Engine::lines(invocation, &owner));
    if (!QTest::qWaitFor([&] { return result.ended; }, 10000))
        result.error = u"timed out"_qs;
    return result;
}

// A script printing the printf format.
QString printf(const QString &format) {
    return u"printf '"_qs + format + u"'\n"_qs;
}

int threadCount() {
    return int(QDir(u"/proc/self/task"_qs).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// Engines that do not end at once on SIGTERM. Each records its process id in
// $HOME/engine.pid and prints "started" once it is ready to be stopped.
const QString kIgnoresTerm =
    u"trap '' TERM; echo $$ > \"$HOME/engine$1.pid\"; echo started\n"
    "while :; do sleep 0.05; done\n"_qs;
// Finishes writing in its handler (into the pipe the app must keep reading),
// then leaves a mark: a closed pipe would kill it by SIGPIPE before that.
const QString kSlowHandler =
    u"trap 'for i in 1 2 3 4 5 6; do echo \"bye $i\"; sleep 0.1; done;"
    " echo done > \"$HOME/handler.done\"; exit 0' TERM\n"
    "echo $$ > \"$HOME/engine.pid\"; echo started\n"
    "while :; do sleep 0.05; done\n"_qs;
// Ends on SIGTERM, but leaves a helper in its process group that ignores it
// and keeps the output pipe open.
const QString kStubbornHelper =
    u"sh -c 'trap \"\" TERM; echo $$ > \"$HOME/helper.pid\"; while :; do sleep 0.05; done' &\n"
    "echo $$ > \"$HOME/engine.pid\"\n"
    "while [ ! -s \"$HOME/helper.pid\" ]; do sleep 0.02; done; echo started\n"
    "while :; do sleep 0.05; done\n"_qs;

// Roles for a copy of this program, each using the engine in the resources
// and SIGPIPE at its default action, as the app would meet them.
int childRole(const QByteArray &role) {
    std::signal(SIGPIPE, SIG_DFL);
    auto owner = std::make_unique<QObject>();
    if (role == "stop four, then quit") {
        // Every run is stopped, nothing waits: returning destroys the
        // application object, which must end every engine first.
        for (int i = 0; i < 4; ++i) {
            EngineRun *run = Engine::lines({QString::number(i)}, std::nullopt, owner.get());
            Result started(run);
            if (!QTest::qWaitFor([&] { return !started.lines.isEmpty(); }, 10000))
                return 2;
            run->stop();
        }
        return 0;
    }
    if (role == "run until SIGTERM") {
        QuitSignals quitSignals;
        QObject::connect(&quitSignals, &QuitSignals::received, [] { QCoreApplication::exit(0); });
        EngineRun *run = Engine::lines({}, std::nullopt, owner.get());
        QObject::connect(run, &EngineRun::linesArrived, [] {
            std::printf("running\n");
            std::fflush(stdout);
        });
        const int code = QCoreApplication::exec();
        Engine::stopAll();
        return code;
    }
    if (role == "stop after exit") {
        // The thread is busy while the engine exits, its large input unread,
        // then ends the run.
        EngineRun *run = Engine::lines({}, QString(1 << 20, u'x'), owner.get());
        QThread::msleep(500);
        run->stop();
        QTest::qWait(100);
        return 0;
    }
    return 3;
}

}  // namespace

class EngineRunnerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Engines get the app's environment (bytes as they are) with five
    // variables fixed: set otherwise here to show they are.
    void initTestCase() {
        for (const char *name : {"TERM", "NO_COLOR", "MO_NO_OPLOG"}) qputenv(name, "0");
        qunsetenv("LANG");
        qputenv("BRIGHTLOFT_TEST_VAR", "caf\xe9");
    }

    // Looked up at every run: the resources' engine, else the one in the
    // home. None that can run is an error, never an empty success.
    void theEngineIsLookedUpAtEveryRun() {
        TestEnvironment env;
        const auto run = [] { return collect({{u"status"_qs}, std::nullopt}); };
        const QString notInstalled = QString::fromUtf8(EngineError::notInstalled);
        QCOMPARE(run().error, notInstalled);
        env.installEngineInHome(u"echo home\n"_qs);
        QCOMPARE(run().lines, QStringList{u"home"_qs});
        const QString resources = env.installEngineInResources(u"echo resources\n"_qs);
        QCOMPARE(run().lines, QStringList{u"resources"_qs});
        QFile::setPermissions(resources, QFile::ReadOwner);
        QCOMPARE(run().lines, QStringList{u"home"_qs});
        QFile::remove(env.home() + u"/.local/bin/mo"_qs);
        const Result missing = run();
        QCOMPARE(missing.error, notInstalled);
        QVERIFY(missing.lines.isEmpty());
        QFile::setPermissions(resources, QFile::ReadOwner | QFile::ExeOwner);
        QVERIFY(TestEnvironment::writeFile(resources, "#!/nonexistent/interpreter\n"));
        QVERIFY(
            run().error.value_or(QString()).startsWith(u"Couldn't start the cleaning engine"_qs));
    }

    // A run's lines arrive split, cleaned and filtered, in write order, with
    // its input written then closed (wc ends only at the end of its input;
    // a large one must not block the caller); a crash or a reported error
    // fails the run after its lines. Its reader thread is joined at the end.
    // The environment is read back as lines: not UTF-8 reads as U+FFFD.
    void aRunDeliversItsLinesThenItsEnd_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("error");  // empty for a normal end
        QTest::addColumn<QString>("input");  // null for none
        const auto row = [](const char *tag, const QString &script, const QStringList &lines,
                            const QString &error = {}, const QString &input = {}) {
            QTest::newRow(tag) << script << lines << error << input;
        };
        row("blank lines dropped, others not trimmed",
            printf(u"\\n\\na\\n   \\n\\t\\n\\033[0m\\n  b \\n"_qs), {u"a"_qs, u"  b "_qs});
        row("progress redraw", printf(u"10%%\\r100%%\\n"_qs), {u"10%"_qs, u"100%"_qs});
        row("command and name filtered, look-alikes kept",
            printf(
                u"run mo clean to free space\\nWelcome to Mole\\ntry mo analyze\\n"
                "{\"name\": \"Mole\"}\\nmo cleaner\\nmemo clean\\nMO CLEAN\\nMoles here\\nmole\\n"_qs),
            {u"mo cleaner"_qs, u"memo clean"_qs, u"MO CLEAN"_qs, u"Moles here"_qs, u"mole"_qs});
        row("arguments verbatim", u"for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done\n"_qs,
            {u"[analyze]"_qs, u"[--json]"_qs, u"[/a b/$HOME/'q']"_qs});
        row("a long line arrives cut, with a note",
            u"head -c 3000000 /dev/zero | tr '\\0' x; echo; echo after\n"_qs,
            {QString(1'000'000, u'x'),
             u"⚠ A line of the engine's output was too long and was cut short."_qs, u"after"_qs});
        row("output and errors in write order",
            u"echo one; echo two >&2; echo three; echo four >&2\n"_qs,
            {u"one"_qs, u"two"_qs, u"three"_qs, u"four"_qs});
        row("colour and cursor codes removed, other escapes kept",
            printf(
                u"\\033[32m✓\\033[0m ok\\n\\033[?25l\\033[2K\\033[1;31mtext\\n\\033]0;t\\007x\\n"_qs),
            {u"✓ ok"_qs, u"text"_qs, u"\x1b]0;t\x07x"_qs});
        row("the environment",
            u"echo \"$PATH\" | sed \"s|$HOME|~|\"\n"
            "printf '%s\\n' \"$TERM\" \"$NO_COLOR\" \"$LANG\"\n"
            "printf '%s\\n' \"$MO_NO_OPLOG\" \"$BRIGHTLOFT_TEST_VAR\"\n"_qs,
            {u"/opt/homebrew/bin:/usr/local/bin:~/.local/bin:/usr/bin:/bin:/usr/sbin:/sbin"_qs,
             u"dumb"_qs, u"1"_qs, u"en_US.UTF-8"_qs, u"1"_qs, u"caf\uFFFD"_qs});
        row("no input", u"wc -c\n"_qs, {u"0"_qs});
        row("large input", u"wc -c\n"_qs, {u"300000"_qs}, {}, QString(300000, u'x'));
        QStringList many;  // a backlog: handed on in slices, resumed by a timer
        for (int i = 1; i <= 100000; ++i) many << QString::number(i);
        row("a backlog, every line in order", u"seq 1 100000\n"_qs, many);
        row("non-zero exit", u"echo first; exit 1\n"_qs, {u"first"_qs});
        const QString refused = u"mole clean: HOME is not set; refusing to delete anything"_qs;
        row("error report, non-zero exit",
            u"echo first; echo '"_qs + refused + u"' >&2; exit 1\n"_qs, {u"first"_qs, refused},
            u"HOME is not set; refusing to delete anything"_qs);
        row("error report, exit 0", u"echo first; echo 'mole clean: odd'\n"_qs,
            {u"first"_qs, u"mole clean: odd"_qs});
        row("usage error", u"echo first; echo 'mole: unknown command'; exit 2\n"_qs,
            {u"first"_qs, u"mole: unknown command"_qs}, u"unknown command"_qs);
        row("terminated by someone else", u"echo first; kill -TERM $$\n"_qs, {u"first"_qs},
            u"The cleaning engine stopped unexpectedly (Terminated)."_qs);
    }
    void aRunDeliversItsLinesThenItsEnd() {
        QFETCH(QString, script);
        QFETCH(QString, input);
        TestEnvironment env;
        env.installEngineInResources(script);
        const int threads = threadCount();
        const Invocation invocation{{u"analyze"_qs, u"--json"_qs, u"/a b/$HOME/'q'"_qs},
                                    input.isNull() ? std::nullopt : std::optional(input)};
        QObject owner;
        std::optional<Engine::Output> out, orphaned;
        Engine::output(invocation, &owner, [&](const Engine::Output &o) { out = o; });
        Engine::output(invocation, std::make_unique<QObject>().get(),
                       [&](const Engine::Output &o) { orphaned = o; });
        const Result r = collect(invocation);
        QTEST(r.lines, "expected");
        QTEST(r.error.value_or(QString()), "error");
        // The whole output at once, or nothing when its context went first.
        QTRY_VERIFY(out.has_value());
        QCOMPARE(out->text, r.lines.join(u'\n'));
        QCOMPARE(out->error, r.error);
        QVERIFY(!orphaned);
        QTRY_COMPARE(threadCount(), threads);
    }

    // The splitter resumes where the last chunk stopped; every way of cutting
    // the bytes must give the same lines. A line longer than the limit
    // arrives cut (at a character boundary, flagged "✂"), and the rest of it
    // never arrives.
    void splitterGivesTheSameLinesHoweverTheBytesArrive_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("limit");  // 0: the default
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char *tag, const QByteArray &bytes, int limit,
                            QStringList lines) { QTest::newRow(tag) << bytes << limit << lines; };
        row("long, then short", "abcdefgh\nxy\n", 4, {u"abcd✂"_qs, u"xy"_qs});
        row("exactly the limit", "abcd\nefghi", 4, {u"abcd"_qs, u"efgh✂"_qs});
        row("not inside a character", "\xc3\xa9\xc3\xa9\xc3\xa9\r\nz", 5, {u"éé✂"_qs, u"z"_qs});
        row("long line before a split terminator", "abcdefgh\xe2\x80\xa8next", 2,
            {u"ab✂"_qs, u"ne✂"_qs});
        // Plain bytes are skipped eight at a time: every terminator, and each
        // look-alike, at any offset within a word must still be seen.
        QByteArray shifted;
        QStringList shiftedLines;
        for (int offset = 0; offset < 10; ++offset)
            for (const QByteArray end : {"\n", "\r\n", "\xc2\x85", "\xe2\x80\xa8", "\xe2\x80\xa9",
                                         "\xc2\xa9\r", "\xe2\x80\xa6\r"}) {
                shifted += QByteArray(offset, 'x') + end;
                shiftedLines << QString::fromUtf8(QByteArray(offset, 'x') +
                                                  (end.endsWith('\r') ? end.chopped(1) : ""));
            }
        shiftedLines.removeAll(QString());
        row("terminators at every word offset", shifted, 0, shiftedLines);
    }
    void splitterGivesTheSameLinesHoweverTheBytesArrive() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, limit);
        for (qsizetype chunk :
             {qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(7), bytes.size()}) {
            LineSplitter splitter(limit > 0 ? limit : std::numeric_limits<qsizetype>::max());
            QStringList lines;
            auto take = [&](QByteArrayView line, bool cut) {
                lines.append(QString::fromUtf8(line) + (cut ? u"✂"_qs : QString()));
            };
            for (qsizetype at = 0; at < bytes.size(); at += chunk)
                splitter.feed(QByteArrayView(bytes).sliced(at, std::min(chunk, bytes.size() - at)),
                              take);
            splitter.finish(take);
            QTEST(lines, "expected");
        }
    }

    // However the engine takes SIGTERM, a stopped run delivers nothing more,
    // its output is read until the engine ends, and after the grace period
    // its whole process group is killed; then its reader thread is joined.
    // stopAll() returns only once that is done.
    void stoppingEndsTheEngineAndItsHelpers_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QByteArray>("how");  // stop, owner (destroyed) or stopAll
        const QString endsWithHelper =
            u"sleep 30 & echo $! > \"$HOME/helper.pid\"; echo $$ > \"$HOME/engine.pid\";"
            " echo started; wait\n"_qs;
        const QByteArray stop = "stop", owner = "owner";
        QTest::newRow("ends with its helper") << endsWithHelper << stop;
        QTest::newRow("ignores SIGTERM") << kIgnoresTerm << stop;
        QTest::newRow("ignores SIGTERM, owner destroyed") << kIgnoresTerm << owner;
        QTest::newRow("ignores SIGTERM, stopAll") << kIgnoresTerm << QByteArray("stopAll");
        QTest::newRow("writes while handling SIGTERM") << kSlowHandler << stop;
        QTest::newRow("leaves a helper that ignores SIGTERM") << kStubbornHelper << stop;
    }
    void stoppingEndsTheEngineAndItsHelpers() {
        QFETCH(QString, script);
        QFETCH(QByteArray, how);
        TestEnvironment env;
        env.installEngineInResources(script);
        const int threads = threadCount();
        auto owner = std::make_unique<QObject>();
        EngineRun *run = Engine::lines({}, std::nullopt, owner.get());
        Result result(run);
        QTRY_VERIFY(!result.lines.isEmpty());
        const qint64 pid = ScriptedEngine::readPid(env.home() + u"/engine.pid"_qs);
        const qint64 helper = ScriptedEngine::readPid(env.home() + u"/helper.pid"_qs);
        QCOMPARE(pid, run->processId());
        if (how == "owner")
            owner.reset();
        else
            run->stop();
        QVERIFY(!ScriptedEngine::isGone(pid) || script != kIgnoresTerm);
        if (how == "stopAll") {
            Engine::stopAll();
            QVERIFY(ScriptedEngine::isGone(pid));
            QCOMPARE(threadCount(), threads);
        }
        QTRY_VERIFY_WITH_TIMEOUT(ScriptedEngine::isGone(pid), 10000);
        if (helper > 0)
            QTRY_VERIFY_WITH_TIMEOUT(ScriptedEngine::isGone(helper), 10000);
        QTRY_COMPARE(threadCount(), threads);
        if (script == kSlowHandler)
            QCOMPARE(TestEnvironment::readFile(env.home() + u"/handler.done"_qs), "done\n");
        QCOMPARE(result.lines, QStringList{u"started"_qs});
        QVERIFY(!result.ended);
    }

    // A copy of this program, as the app: however it ends, it exits cleanly
    // and no engine outlives it. Killed outright, it cannot stop anything:
    // the kernel sends its engine SIGTERM.
    void noEngineOutlivesTheApp_data() {
        QTest::addColumn<QByteArray>("role");
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("signal");  // sent to the app once its engine runs
        QTest::newRow("four stops, then quit")
            << QByteArray("stop four, then quit") << kIgnoresTerm << 0;
        QTest::newRow("SIGTERM to the app")
            << QByteArray("run until SIGTERM") << kIgnoresTerm << SIGTERM;
        QTest::newRow("app killed")
            << QByteArray("run until SIGTERM")
            << QString(kIgnoresTerm)
                   .replace(u"trap ''"_qs, u"trap 'echo term > \"$HOME/term\"; exit 0'"_qs)
            << SIGKILL;
        QTest::newRow("stopped after the engine exited, its input unread")
            << QByteArray("stop after exit") << u"echo $$ > \"$HOME/engine.pid\"\n"_qs << 0;
    }
    void noEngineOutlivesTheApp() {
        QFETCH(QByteArray, role);
        QFETCH(int, signal);
        TestEnvironment env;
        QFETCH(QString, script);
        env.installEngineInResources(script);
        // This program again, in the role, in the temporary environment.
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"BRIGHTLOFT_TEST_CHILD"_qs, QString::fromLatin1(role));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {});
        if (signal != 0) {
            QVERIFY(child.waitForReadyRead(10000));
            ::kill(pid_t(child.processId()), signal);
        }
        QVERIFY(child.waitForFinished(20000));
        if (signal != SIGKILL) {
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
            QCOMPARE(child.exitCode(), 0);
        }
        const QStringList pidFiles = QDir(env.home()).entryList({u"engine*.pid"_qs});
        QCOMPARE(pidFiles.size(), role.startsWith("stop four") ? 4 : 1);
        for (const QString &file : pidFiles)
            QTRY_VERIFY_WITH_TIMEOUT(
                ScriptedEngine::isGone(ScriptedEngine::readPid(env.home() + u'/' + file)), 10000);
        if (signal == SIGKILL)
            QCOMPARE(TestEnvironment::readFile(env.home() + u"/term"_qs), "term\n");
    }

    // A backlog goes out in slices with the event loop's turn in between
    // (every line arriving is a row of the delivery table); a stop there
    // hands on nothing more.
    void aStopBetweenSlicesHandsOnNothingMore() {
        TestEnvironment env;
        env.installEngineInResources(u"seq 1 100000\n"_qs);
        QObject owner;
        EngineRun *run = Engine::lines({}, std::nullopt, &owner);
        Result result(run);
        qsizetype linesBeforeTurn = -1;
        QObject::connect(
            run, &EngineRun::linesArrived, &owner,
            [&] {
                QTimer::singleShot(0, [&] {
                    linesBeforeTurn = result.lines.size();
                    run->stop();
                });
            },
            Qt::SingleShotConnection);
        QThread::msleep(500);  // busy while the engine writes everything and exits
        QTRY_VERIFY(linesBeforeTurn >= 0);
        QVERIFY(linesBeforeTurn < 100000);
        QTest::qWait(50);
        QCOMPARE(result.lines.size(), linesBeforeTurn);
        QVERIFY(!result.ended);
    }

    // EngineTask, the models' way to run the engine: running while lines
    // arrive, not when the end is handled; stopped or destroyed, it delivers
    // nothing more, ends its engine, and a dying owner is not told.
    void aTaskEndsOnceOrQuietly_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<int>("runningChanges");
        QTest::newRow("the engine exits")
            << u"exit"_qs << QStringList{u"a+"_qs, u"b+"_qs, u"c+"_qs, u"finished-"_qs} << 2;
        QTest::newRow("a handler stops it at b")
            << u"stop"_qs << QStringList{u"a+"_qs, u"b+"_qs} << 2;
        QTest::newRow("the task is destroyed")
            << u"destroy"_qs << QStringList{u"a+"_qs, u"b+"_qs, u"c+"_qs} << 1;
    }
    void aTaskEndsOnceOrQuietly() {
        QFETCH(QString, how);
        QFETCH(QStringList, events);
        TestEnvironment env;
        const QString pidFile = env.home() + u"/engine.pid"_qs;
        env.installEngineInResources(ScriptedEngine::recordPid(pidFile) +
                                     ScriptedEngine::printLines({u"a"_qs, u"b"_qs, u"c"_qs}) +
                                     (how == u"exit" ? QString() : u"exec sleep 30\n"_qs));
        QObject owner;
        int runningChanges = 0;
        QStringList seen;
        auto task = std::make_unique<EngineTask>(&owner, [&] { ++runningChanges; });
        const auto state = [&] { return task->isRunning() ? u"+"_qs : u"-"_qs; };
        task->start({{u"x"_qs}, std::nullopt},
                    {[&](const QString &line) {
                         seen.append(line + state());
                         if (how == u"stop" && line == u"b")
                             task->stop();
                     },
                     [&] { seen.append(u"finished"_qs + state()); },
                     [&](const QString &) { seen.append(u"failed"_qs); }});
        QTRY_COMPARE(seen, events);
        if (how == u"destroy")
            task.reset();
        else
            QVERIFY(!task->isRunning());
        QTRY_VERIFY(ScriptedEngine::isGone(ScriptedEngine::readPid(pidFile)));
        QCoreApplication::processEvents();
        QCOMPARE(seen, events);
        QTEST(runningChanges, "runningChanges");
    }
};

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (const QByteArray role = qgetenv("BRIGHTLOFT_TEST_CHILD"); !role.isEmpty())
        return childRole(role);
    EngineRunnerTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_engine_runner.moc"
