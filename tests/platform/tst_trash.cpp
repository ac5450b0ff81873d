#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include "platform/Trash.h"
#include "support/TestEnvironment.h"
#include "support/TrashCheck.h"

#include <unistd.h>

// Files go to the freedesktop Trash of the temporary home, each with a
// .trashinfo a file manager can restore from.
class TrashTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void movesItemsRestorably_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");  // file, folder, or link to a file kept in place
        QTest::newRow("file") << u"notes.txt"_qs << u"file"_qs;
        QTest::newRow("folder with content") << u"Project"_qs << u"folder"_qs;
        QTest::newRow("awkward name") << u"-rf 50% #1\nline"_qs << u"file"_qs;
        QTest::newRow("non-Latin name") << u"Überraschung 写真"_qs << u"file"_qs;
        QTest::newRow("link: moved, not followed") << u"link"_qs << u"link"_qs;
    }
    void movesItemsRestorably() {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        TestEnvironment env;
        const QString path = env.home() + u"/Documents/"_qs + name;
        const QString target = env.home() + u"/Documents/keep.txt"_qs;
        if (kind == u"link")
            QVERIFY(TestEnvironment::writeFile(target) && QFile::link(target, path));
        else
            QVERIFY(
                TestEnvironment::writeFile(kind == u"folder" ? path + u"/inner/file"_qs : path));
        QCOMPARE(Trash::moveToTrash({path}).size(), 0);
        QVERIFY(!QFileInfo::exists(path) && !QFileInfo(path).isSymLink());
        QCOMPARE(TrashCheck::problemWith(path), QString());
        QCOMPARE(QFileInfo::exists(target), kind == u"link");
    }

    void failuresAreReportedAndTheRestMoves() {
        TestEnvironment env;
        const QString kept = env.home() + u"/a.txt"_qs;
        QVERIFY(TestEnvironment::writeFile(kept));
        const QString missing = env.home() + u"/missing"_qs;
        const QString trash = env.home() + u"/.local/share/Trash"_qs;
        const QList<Trash::Failure> failures =
            Trash::moveToTrash({missing, env.home(), u"/"_qs, trash, kept});
        QStringList failed;
        for (const Trash::Failure &f : failures) {
            failed.append(f.path);
            QVERIFY(!f.message.isEmpty());
        }
        QCOMPARE(failed, (QStringList{missing, env.home(), u"/"_qs, trash}));
        QVERIFY(QFileInfo::exists(env.home() + u"/.local"_qs));
        QCOMPARE(TrashCheck::problemWith(kept), QString());
    }

    // Qt itself would fall back to the current directory in both cases.
    void anUnusableHomeTrashRefusesEveryMove_data() {
        QTest::addColumn<bool>("dataFolderMissing");
        QTest::newRow("no data folder yet: created") << true;
        QTest::newRow("a file where the Trash belongs") << false;
    }
    void anUnusableHomeTrashRefusesEveryMove() {
        QFETCH(bool, dataFolderMissing);
        TestEnvironment env;
        const QString data = env.home() + u"/.local/share"_qs;
        QDir(data).removeRecursively();
        if (!dataFolderMissing)
            QVERIFY(TestEnvironment::writeFile(data + u"/Trash"_qs));
        const QString path = env.home() + u"/a.txt"_qs;
        QVERIFY(TestEnvironment::writeFile(path));
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(env.home()));
        const QList<Trash::Failure> failures = Trash::moveToTrash({path});
        QDir::setCurrent(cwd);
        QVERIFY(!QFileInfo::exists(env.home() + u"/files"_qs));
        QCOMPARE(failures.size(), dataFolderMissing ? 0 : 1);
        QCOMPARE(QFileInfo::exists(path), !dataFolderMissing);
        if (dataFolderMissing)
            QCOMPARE(TrashCheck::problemWith(path), QString());
    }

    // Qt reports success over an empty .trashinfo when the disk is full; the
    // item must then stay where it was, reported, with no entry left behind.
    void aFullDiskLeavesTheItemInPlace() {
        if (::geteuid() != 0 || QStandardPaths::findExecutable(u"mount"_qs).isEmpty())
            QSKIP("mounting a small tmpfs needs root");
        TestEnvironment env;
        const QString home = env.home();
        QVERIFY(QProcess::execute(u"mount"_qs, {u"-t"_qs, u"tmpfs"_qs, u"-o"_qs, u"size=64k"_qs,
                                                u"tmpfs"_qs, home}) == 0);
        const auto unmount = qScopeGuard([&] { QProcess::execute(u"umount"_qs, {home}); });
        QVERIFY(QDir().mkpath(home + u"/.local/share/Trash/files"_qs));
        QVERIFY(QDir().mkpath(home + u"/.local/share/Trash/info"_qs));
        const QString path = home + u"/a.txt"_qs;
        QVERIFY(TestEnvironment::writeFile(path));
        QFile filler(home + u"/filler"_qs);
        QVERIFY(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'x')) > 0 && filler.flush()) {
        }
        filler.close();

        const QList<Trash::Failure> failures = Trash::moveToTrash({path});
        QCOMPARE(failures.size(), 1);
        QVERIFY(!failures.first().message.isEmpty());
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(QDir(home + u"/.local/share/Trash/files"_qs)
                     .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 true);
        QCOMPARE(QDir(home + u"/.local/share/Trash/info"_qs)
                     .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 true);
    }

    void desktopToolGetsThePathsAfterADoubleDash() {
        TestEnvironment env;
        const QString bin = env.home() + u"/bin"_qs;
        const QString args = env.home() + u"/args"_qs;
        env.writeScript(bin + u"/gio"_qs,
                        u"for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"_qs + args +
                            u"'\necho 'gio: oops' >&2\nexit 3\n"_qs);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin));
        const Trash::FallbackRun run = Trash::moveWithDesktopTool({u"-x y"_qs, u"/b"_qs});
        qputenv("PATH", QFile::encodeName(env.home() + u"/nothing"_qs));
        const Trash::FallbackRun missing = Trash::moveWithDesktopTool({u"/b"_qs});
        qputenv("PATH", path);

        QVERIFY(run.started);
        QCOMPARE(run.exitCode, 3);
        QCOMPARE(run.errorOutput, u"gio: oops\n"_qs);
        QCOMPARE(TestEnvironment::readFile(args), QByteArray("trash\n--\n-x y\n/b\n"));
        QVERIFY(!missing.started);
    }
};

QTEST_GUILESS_MAIN(TrashTest)
#include "tst_trash.moc"
