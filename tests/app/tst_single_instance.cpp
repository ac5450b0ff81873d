#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>

#include "platform/SingleInstance.h"
#include "support/TestEnvironment.h"

namespace {

constexpr uid_t kNobody = 65534;

// Roles for a copy of this program, run as another user; each says on its
// output what happened.
int childRole(const QByteArray &role) {
    const QString socket = qEnvironmentVariable("BRIGHTLOFT_TEST_SOCKET");
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);  // each line out as soon as said
    const auto say = [](const char *text) { std::puts(text); };
    if (role == "listen") {  // says what every client sent
        QLocalServer server;
        server.setSocketOptions(QLocalServer::WorldAccessOption);
        if (!server.listen(socket))
            return 2;
        QObject::connect(&server, &QLocalServer::newConnection, [&] {
            QLocalSocket *client = server.nextPendingConnection();
            QObject::connect(client, &QLocalSocket::readyRead,
                             [=] { say(client->readAll().trimmed().constData()); });
        });
        say("listening");
        QTest::qWait(8000);
        return 0;
    }
    if (role == "activate") {  // asks as a later launch would
        QLocalSocket client;
        client.connectToServer(socket);
        if (!client.waitForConnected(2000))
            return 2;
        client.write("activate\n");
        client.waitForBytesWritten(2000);
        QTest::qWait(200);
        return 0;
    }
    SingleInstance instance;  // the app itself
    if (instance.handOver())
        return say("handed over"), 0;
    QSignalSpy activated(&instance, &SingleInstance::activationRequested);
    say("running");
    if (!activated.wait(10000))
        return 2;
    say("activated");
    return 0;
}

// Runs childRole(role) as the user nobody, with `environment` ("NAME", value, …) added.
void startAsNobody(QProcess &child, const QByteArray &role, const QStringList &environment) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"BRIGHTLOFT_TEST_CHILD"_qs, QString::fromLatin1(role));
    for (int i = 0; i + 1 < environment.size(); i += 2)
        env.insert(environment[i], environment[i + 1]);
    child.setProcessEnvironment(env);
    child.start(u"setpriv"_qs, {u"--reuid=nobody"_qs, u"--regid=nogroup"_qs, u"--clear-groups"_qs,
                                QCoreApplication::applicationFilePath()});
}

bool waitForLine(QProcess &child, const QByteArray &line) {
    return QTest::qWaitFor(
        [&] {
            child.waitForReadyRead(50);
            return child.peek(1 << 16).split('\n').contains(line);
        },
        10000);
}

// A folder anyone may write to, as /tmp is.
struct SharedFolder : QTemporaryDir {
    SharedFolder() { QFile::setPermissions(path(), QFileDevice::Permissions(0x7777)); }
};

}  // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // How XDG_RUNTIME_DIR and <tmp>/brightloft-<uid> are set up ("unset",
    // "link", "foreign" for another user's, or a mode), and which is chosen.
    void theFolderMustBePrivate_data() {
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<QString>("expected");  // "runtime", "fallback" or "none"
        for (const char *row :
             {"0700 unset runtime", "0755 unset fallback", "foreign unset fallback",
              "link unset fallback", "unset unset fallback", "unset 0700 fallback",
              "unset foreign none", "unset 0755 none", "unset link none"}) {
            const QStringList parts = QString::fromLatin1(row).split(u' ');
            QTest::addRow("runtime %s, fallback %s", qPrintable(parts[0]), qPrintable(parts[1]))
                << parts[0] << parts[1] << parts[2];
        }
    }
    void theFolderMustBePrivate() {
        QFETCH(QString, runtime);
        QFETCH(QString, fallback);
        QFETCH(QString, expected);
        TestEnvironment env;
        SharedFolder shared;
        const QString tmp = shared.path();
        const QByteArray savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(tmp));
        const QString folders[] = {tmp + u"/runtime"_qs,
                                   tmp + u"/brightloft-%1"_qs.arg(::getuid())};
        const QString target = tmp + u"/target"_qs;
        QVERIFY(QDir().mkdir(target, QFileDevice::Permissions(0x700)));
        for (int i : {0, 1}) {
            const QString how = i ? fallback : runtime;
            const QByteArray path = QFile::encodeName(folders[i]);
            if (how == u"link")
                QVERIFY(QFile::link(target, folders[i]));
            else if (how != u"unset")
                QVERIFY(QDir().mkdir(folders[i]) &&
                        (how == u"foreign"
                             ? ::chown(path.constData(), kNobody, kNobody) == 0 &&
                                   ::chmod(path.constData(), 0700) == 0
                             : ::chmod(path.constData(), how.toUInt(nullptr, 8)) == 0));
        }
        runtime == u"unset" ? qunsetenv("XDG_RUNTIME_DIR")
                            : qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folders[0]));
        const QString chosen = SingleInstance::privateFolder();
        qputenv("TMPDIR", savedTmp);
        QCOMPARE(chosen, expected == u"none" ? QString() : folders[expected == u"fallback"]);
        // Without one the app runs unguarded rather than trust a shared place.
        if (expected == u"none")
            QVERIFY(!SingleInstance(chosen).handOver());
    }

    // The running copy holds the lock; whoever listens on the socket beside
    // it as another user is not asked to do anything.
    void aForeignListenerIsNeverTrusted() {
        SharedFolder folder;
        const int lock = ::open(QFile::encodeName(folder.filePath(u"brightloft.lock"_qs)),
                                O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        QVERIFY(lock >= 0 && ::flock(lock, LOCK_EX) == 0);
        SingleInstance ours(folder.path());
        QProcess listener;
        startAsNobody(listener, "listen", {u"BRIGHTLOFT_TEST_SOCKET"_qs, ours.socketPath()});
        QVERIFY(waitForLine(listener, "listening"));
        QVERIFY(ours.handOver());  // someone holds the lock: never a second copy
        QVERIFY(listener.waitForFinished(15000));
        QVERIFY2(!listener.readAll().contains("activate"), "a foreign listener was asked");
        ::close(lock);
    }

    void aForeignClientIsIgnored() {
        SharedFolder folder;
        SingleInstance ours(folder.path());
        QVERIFY(!ours.handOver());
        // Past the socket's own permissions, as where modes are not kept.
        QVERIFY(QFile::setPermissions(ours.socketPath(), QFileDevice::Permissions(0x7777)));
        QSignalSpy raised(&ours, &SingleInstance::activationRequested);
        QProcess client;
        startAsNobody(client, "activate", {u"BRIGHTLOFT_TEST_SOCKET"_qs, ours.socketPath()});
        QVERIFY(client.waitForFinished(10000));
        QCOMPARE(client.exitCode(), 0);  // it did reach us
        QVERIFY(!raised.wait(100));
    }

    // A runtime folder the user cannot write to: both copies meet in the
    // private folder in the temporary folder instead, and only one runs, even
    // over a socket file nobody answers on, as a crashed copy leaves behind.
    void aReadOnlyRuntimeFolderStillMeansOneCopy() {
        SharedFolder shared;
        const QString tmp = shared.path();
        const QString runtime = tmp + u"/runtime"_qs, fallback = tmp + u"/brightloft-65534"_qs;
        QVERIFY(QDir().mkdir(runtime));
        QVERIFY(TestEnvironment::writeFile(fallback + u"/brightloft.socket"_qs, {}));
        for (const QString &path : {runtime, fallback, fallback + u"/brightloft.socket"_qs})
            QCOMPARE(::chown(QFile::encodeName(path).constData(), kNobody, kNobody), 0);
        QCOMPARE(::chmod(QFile::encodeName(runtime).constData(), 0500), 0);
        QCOMPARE(::chmod(QFile::encodeName(fallback).constData(), 0700), 0);
        const QStringList environment{u"XDG_RUNTIME_DIR"_qs, runtime, u"TMPDIR"_qs, tmp};
        QProcess first, second;
        startAsNobody(first, "instance", environment);
        QVERIFY(waitForLine(first, "running"));
        startAsNobody(second, "instance", environment);
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.readAll().trimmed(), "handed over");
        QVERIFY(waitForLine(first, "activated"));
        QVERIFY(first.waitForFinished(10000));
        QVERIFY(QFile::exists(fallback + u"/brightloft.lock"_qs));
    }
};

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (const QByteArray role = qgetenv("BRIGHTLOFT_TEST_CHILD"); !role.isEmpty())
        return childRole(role);
    SingleInstanceTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_single_instance.moc"
