#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include "engine/Engine.h"
#include "engine/TrashCommand.h"
#include "platform/Trash.h"
#include "support/TestEnvironment.h"
#include "support/TrashCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Outcome = Trash::Outcome;

// Moves through the real engine and waits for the outcomes.
QList<Outcome> moved(const QList<QByteArray> &paths) {
    QObject context;
    std::optional<QList<Outcome>> out;
    Trash::moveToTrash(paths, &context, [&](const QList<Outcome> &o) { out = o; });
    if (!QTest::qWaitFor([&] { return out.has_value(); }, 30000))
        return {};
    return *out;
}

QList<Outcome::Status> statuses(const QList<Outcome> &outcomes) {
    QList<Outcome::Status> out;
    for (const Outcome &o : outcomes) out.append(o.status);
    return out;
}

bool present(const QByteArray &path) {
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

void makeFile(const QByteArray &path) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY2(fd >= 0, path.constData());
    QCOMPARE(::write(fd, "data", 4), ssize_t(4));
    ::close(fd);
}

}  // namespace

// Files go to the freedesktop Trash of the temporary home through the real
// engine, each with a .trashinfo a file manager can restore from; protected
// places never move. The engine's own suite covers its edge cases (long
// names, every protected place); here the app's path: bytes, kinds, order.
class TrashTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // One run: protected places are refused, one outcome per path in order,
    // and the rest moves restorably whatever its bytes or kind (a link moved,
    // not followed; a FIFO never opened); a path listed twice, or inside a
    // folder that went first, is already gone: what was wanted.
    void protectedPlacesAreRefusedAndTheRestMoves() {
        TestEnvironment env;
        env.installRealEngine();
        const QByteArray home = QFile::encodeName(env.home()) + '/';
        QVERIFY(QDir().mkpath(env.home() + u"/Documents"_qs));
        QVERIFY(QDir().mkpath(env.home() + u"/folder/inner"_qs));
        const QList<QByteArray> names{"-rf 50% #1\nline", "\x1b[31mred\x1b[0m\r",
                                      "caf\xe9 \xff\xfe.txt", "folder"};
        for (const QByteArray &name : names.first(3)) makeFile(home + name);
        makeFile(home + "Documents/keep.txt");
        QCOMPARE(::symlink(home + "Documents/keep.txt", home + "link"), 0);
        QCOMPARE(::symlink(home + "nowhere", home + "dangling"), 0);
        QCOMPARE(::mkfifo(home + "pipe", 0644), 0);
        QList<QByteArray> paths{home.chopped(1), "/"}, restorable;
        for (const char *refused : {".local/share/Trash", "Documents", ".config", ".local"})
            paths.append(home + refused);
        for (const QByteArray &name : names + QList<QByteArray>{"link", "dangling", "pipe"})
            restorable.append(home + name);
        const QList<Outcome> outcomes =
            moved(paths + restorable + QList{restorable[0], home + "folder/inner", home + "gone"});
        QCOMPARE(statuses(outcomes), QList<Outcome::Status>(6, Outcome::refused) +
                                         QList<Outcome::Status>(10, Outcome::moved));
        for (qsizetype i = 0; i < outcomes.size(); ++i) {
            QCOMPARE(outcomes[i].path, (paths + restorable).value(i, outcomes[i].path));
            QCOMPARE(outcomes[i].message.isEmpty(), outcomes[i].status == Outcome::moved);
        }
        for (const QByteArray &path : restorable) {
            QVERIFY(!present(path));
            QCOMPARE(TrashCheck::problemWith(path), QString());
        }
        for (const char *kept : {"Documents/keep.txt", ".config", ".local/share"})
            QVERIFY(present(home + kept));
    }

    // The Trash of another file system is the one at its top: .Trash-$uid.
    void anotherMountUsesItsOwnTrash() {
        if (::geteuid() != 0 || QStandardPaths::findExecutable(u"mount"_qs).isEmpty())
            QSKIP("mounting a tmpfs needs root");
        TestEnvironment env;
        env.installRealEngine();
        const QString disk = env.home() + u"/../disk"_qs;
        QVERIFY(QDir().mkpath(disk));
        QCOMPARE(QProcess::execute(u"mount"_qs, {u"-t"_qs, u"tmpfs"_qs, u"tmpfs"_qs, disk}), 0);
        const auto unmount = qScopeGuard([&] { QProcess::execute(u"umount"_qs, {disk}); });
        const QByteArray top = QFile::encodeName(QDir(disk).canonicalPath());
        makeFile(top + "/film.mkv");
        QCOMPARE(statuses(moved({top + "/film.mkv"})), QList{Outcome::moved});
        QCOMPARE(TrashCheck::problemIn(top + "/.Trash-" + QByteArray::number(::geteuid()),
                                       top + "/film.mkv"),
                 QString());
    }

    // Without an engine nothing moves, and nothing may fall back to another tool.
    void withoutTheEngineNothingMoves() {
        TestEnvironment env;
        const QByteArray path = QFile::encodeName(env.home()) + "/a.txt";
        makeFile(path);
        const QList<Outcome> outcomes = moved({path});
        QCOMPARE(statuses(outcomes), QList{Outcome::left});
        QCOMPARE(outcomes.first().message, QString::fromUtf8(EngineError::notInstalled));
        QVERIFY(present(path));
    }

    // What the engine's lines say, path by path, whatever else it prints; a
    // path it never reached is left, with a reason.
    void outcomesFollowTheLinesInOrder() {
        QStringList lines{u"not json"_qs};
        for (const char *status : {"moved", "gone", "failed", "changed"})
            lines << uR"({"status":"%1","reason":"%1 here"})"_qs.arg(QLatin1String(status));
        const QList<Outcome> outcomes =
            Trash::outcomesFrom({"/a", "/b", "/c", "/d", "/e"}, lines, std::nullopt);
        QCOMPARE(statuses(outcomes), (QList{Outcome::moved, Outcome::moved, Outcome::failed,
                                            Outcome::left, Outcome::left}));
        QCOMPARE(outcomes[2].message, u"failed here"_qs);
        QCOMPARE(outcomes[4].path, QByteArray("/e"));
        QVERIFY(!outcomes[4].message.isEmpty());
    }

    // File URIs carry any bytes, and a dash can't start an option.
    void desktopToolGetsFileUris() {
        TestEnvironment env;
        const QString args = env.home() + u"/args"_qs;
        env.writeScript(env.home() + u"/bin/gio"_qs,
                        u"for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"_qs + args +
                            u"'\necho 'gio: oops' >&2\nexit 3\n"_qs);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(env.home() + u"/bin"_qs));
        const Trash::FallbackRun run = Trash::moveWithDesktopTool({"/-x y", "/caf\xe9\n%"});
        qputenv("PATH", QFile::encodeName(env.home() + u"/nothing"_qs));
        const Trash::FallbackRun missing = Trash::moveWithDesktopTool({"/b"});
        qputenv("PATH", path);

        QVERIFY(run.started);
        QCOMPARE(run.exitCode, 3);
        QCOMPARE(run.errorOutput, u"gio: oops\n"_qs);
        QCOMPARE(TestEnvironment::readFile(args),
                 QByteArray("trash\n--\nfile:///-x%20y\nfile:///caf%E9%0A%25\n"));
        QVERIFY(!missing.started);
    }
};

QTEST_GUILESS_MAIN(TrashTest)
#include "tst_trash.moc"
