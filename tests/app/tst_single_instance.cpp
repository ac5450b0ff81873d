#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/SingleInstance.h"
#include "support/TestEnvironment.h"

namespace {

constexpr uid_t kNobody = 65534;

// A folder anyone may write to, as /tmp is.
QString sharedFolder(const QTemporaryDir &dir) {
    QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777));
    return dir.path();
}

}  // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A socket file nobody answers on, as a crashed copy leaves behind, is
    // taken over.
    void secondLaunchRaisesTheFirst_data() {
        QTest::addColumn<bool>("staleSocket");
        QTest::newRow("fresh") << false;
        QTest::newRow("socket left by a crash") << true;
    }
    void secondLaunchRaisesTheFirst() {
        QFETCH(bool, staleSocket);
        TestEnvironment env;
        const QString folder = SingleInstance::privateFolder();
        QCOMPARE(folder, qEnvironmentVariable("XDG_RUNTIME_DIR"));
        if (staleSocket)
            QVERIFY(TestEnvironment::writeFile(folder + u"/brightloft.socket"_qs, {}));
        SingleInstance first(folder);
        QVERIFY(!first.handOver());  // nobody there yet: this one runs
        QSignalSpy raised(&first, &SingleInstance::activationRequested);

        SingleInstance second(folder);
        QVERIFY(second.handOver());
        QVERIFY(raised.wait(2000));
        QCOMPARE(raised.count(), 1);
    }

    void theFolderMustBePrivate_data() {
        QTest::addColumn<QString>("runtime");   // how XDG_RUNTIME_DIR is set up
        QTest::addColumn<QString>("fallback");  // how <tmp>/brightloft-<uid> is set up
        QTest::addColumn<QString>("expected");  // "runtime", "fallback" or "none"
        const auto row = [](const char *tag, const char *runtime, const char *fallback,
                            const char *expected) {
            QTest::newRow(tag) << QString::fromLatin1(runtime) << QString::fromLatin1(fallback)
                               << QString::fromLatin1(expected);
        };
        row("runtime folder", "0700", "", "runtime");
        row("runtime folder 0755", "0755", "", "fallback");
        row("runtime folder is a link", "link", "", "fallback");
        row("no runtime folder", "unset", "", "fallback");
        row("fallback taken by another user", "unset", "foreign", "none");
        row("fallback is a link", "unset", "link", "none");
    }
    void theFolderMustBePrivate() {
        QFETCH(QString, runtime);
        QFETCH(QString, fallback);
        QFETCH(QString, expected);
        TestEnvironment env;
        QTemporaryDir dir;
        const QString tmp = sharedFolder(dir);
        const QByteArray savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(tmp));
        const QString runtimeFolder = dir.path() + u"/runtime"_qs;
        const QString fallbackFolder = tmp + u"/brightloft-%1"_qs.arg(::getuid());
        const QString target = dir.path() + u"/target"_qs;
        QVERIFY(QDir().mkdir(target, QFileDevice::Permissions(0x700)));
        const auto make = [&](const QString &how, const QString &path) {
            if (how == u"link")
                return QFile::link(target, path);
            if (how.isEmpty() || how == u"unset")
                return true;
            if (!QDir().mkdir(path))
                return false;
            if (how == u"foreign")
                return ::chown(QFile::encodeName(path).constData(), kNobody, kNobody) == 0 &&
                       ::chmod(QFile::encodeName(path).constData(), 0700) == 0;
            return ::chmod(QFile::encodeName(path).constData(), how.toUInt(nullptr, 8)) == 0;
        };
        QVERIFY(make(runtime, runtimeFolder));
        QVERIFY(make(fallback, fallbackFolder));
        if (runtime == u"unset")
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder));
        const QString chosen = SingleInstance::privateFolder();
        qputenv("TMPDIR", savedTmp);
        QCOMPARE(chosen, expected == u"runtime"    ? runtimeFolder
                         : expected == u"fallback" ? fallbackFolder
                                                   : QString());
        if (expected == u"none") {
            // The app then runs unguarded rather than trust a shared place.
            SingleInstance instance(chosen);
            QVERIFY(!instance.handOver());
        }
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_single_instance.moc"
