#include "EngineProcess.h"
#include "LoopMounts.h"
#include "overview/StatusSnapshot.h"

#include "status/Batteries.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <sys/stat.h>
#include <csignal>

namespace {

QJsonObject reading() {
    return engineReport({u"status"_qs, u"--json"_qs});
}

// A watch run collecting the lines the app would see.
struct Watch : QProcess {
    QStringList lines;
    explicit Watch(const QString &interval) {
        setProcessChannelMode(MergedChannels);
        connect(this, &QProcess::readyRead, [this] {
            while (canReadLine()) lines << QString::fromUtf8(readLine()).chopped(1);
        });
        start(engineBinary(), {u"status"_qs, u"--watch"_qs, u"--interval"_qs, interval});
    }
    ~Watch() override {
        kill();
        waitForFinished();
    }
};

}  // namespace

class TestMoleStatus : public QObject {
    Q_OBJECT
    TestEnvironment m_env;

private Q_SLOTS:
    // Real volumes only, one per device, the root first, each as df sees
    // it: total - used is what the user can still write, and the share used
    // is df's Use% (rounded up) within a point. Includes a nearly full image
    // whose reserved blocks are not free.
    void disksAgreeWithDf() {
        QTemporaryDir dir;
        LoopMounts mounts;
        const QString full = dir.path() + u"/full"_qs;
        if (LoopMounts::unavailable({u"mkfs.ext4"_qs}).isEmpty()) {
            const QString ext4 = mounts.image(dir.path() + u"/ext4.img"_qs, 32,
                                              {u"mkfs.ext4"_qs, u"-q"_qs, u"-m"_qs, u"20"_qs});
            QVERIFY2(!ext4.isEmpty() && mounts.mount(ext4, full), qPrintable(mounts.error()));
            QVERIFY(mounts.run({u"fallocate"_qs, u"-l"_qs, u"22M"_qs, full + u"/filler"_qs}));
        }
        const QJsonArray disks = reading()[u"disks"_qs].toArray();
        QCOMPARE(disks.first()[u"mount"_qs].toString(), u"/"_qs);
        static const QRegularExpression pseudo(u"^/(proc|sys|dev|run)(/|$)"_qs);
        QSet<dev_t> devices;
        QStringList listed;
        for (const QJsonValue &disk : disks) {
            const QString mount = disk[u"mount"_qs].toString();
            const QByteArray table =
                runCommand({u"df"_qs, u"-B1"_qs, u"--output=target,avail,pcent"_qs, mount}).second;
            // The line after the header: mount point, free bytes, Use%.
            const QStringList df =
                QString::fromUtf8(table.split('\n').value(1)).simplified().split(u' ');
            struct stat st {};
            QVERIFY2(!pseudo.match(mount).hasMatch() && df.value(0) == mount &&
                         ::stat(QFile::encodeName(mount), &st) == 0 && !devices.contains(st.st_dev),
                     qPrintable(mount));
            devices.insert(st.st_dev);
            listed << mount;
            const qint64 free = disk[u"total"_qs].toInteger() - disk[u"used"_qs].toInteger();
            const qint64 slack = mount == full ? 0 : 64 << 20;  // others write to / meanwhile
            QVERIFY2(
                qAbs(free - df[1].toLongLong()) <= slack &&
                    qAbs(disk[u"used_percent"_qs].toDouble() - df[2].chopped(1).toDouble()) <= 1,
                qPrintable(mount));
        }
        QVERIFY(!QDir(full).exists() || listed.contains(full));
    }

    // The Trash: plain files by their size, folders from the directorysizes
    // cache when it matches the .trashinfo time, otherwise measured.
    void trashSize_data() {
        QTest::addColumn<int>("cacheAge");  // -1: no cache
        QTest::newRow("current cache") << 0;
        QTest::newRow("stale cache") << 1;
        QTest::newRow("no cache") << -1;
    }
    void trashSize() {
        QFETCH(int, cacheAge);
        const QString trash = m_env.home() + u"/.local/share/Trash/"_qs;
        QDir(trash).removeRecursively();
        writeFile(trash + u"files/note.txt"_qs, QByteArray(8000, 'x'));
        writeFile(trash + u"files/my folder/big.bin"_qs, QByteArray(200000, 'x'));
        writeFile(trash + u"info/note.txt.trashinfo"_qs, "[Trash Info]");
        writeFile(trash + u"info/my folder.trashinfo"_qs, "[Trash Info]");
        const auto mtime = QFileInfo(trash + u"info/my folder.trashinfo"_qs).lastModified();
        const qint64 claimed = 7 * 1024 * 1024;
        if (cacheAge >= 0)
            writeFile(trash + u"directorysizes"_qs,
                      QByteArray::number(claimed) + ' ' +
                          QByteArray::number(mtime.toSecsSinceEpoch() - cacheAge) +
                          " my%20folder\n");
        const qint64 folder = cacheAge == 0 ? claimed : duBytes(trash + u"files/my folder"_qs);
        QCOMPARE(qint64(reading()[u"trash_size"_qs].toDouble()),
                 duBytes(trash + u"files/note.txt"_qs) + folder);
    }

    // Each accepted form of the interval gives a reading per line, again and
    // again, that the app keeps and decodes strictly (a missing required key
    // or a wrong type throws), with its optional fields there too and the
    // values in range. (Refused forms are with the other usage errors.)
    void readings_data() {
        QTest::addColumn<QString>("interval");
        for (const char *interval : {"2s", "500ms", "0.5"})
            QTest::newRow(interval) << QString::fromLatin1(interval);
    }
    void readings() {
        QFETCH(QString, interval);
        Watch watch(interval);
        QTRY_VERIFY_WITH_TIMEOUT(watch.lines.size() >= 2, 15000);
        for (const QString &line : watch.lines) {
            QVERIFY(!Engine::isFiltered(line));
            StatusSnapshot s;
            try {
                s = StatusSnapshot::decode(
                    Json::Object(QJsonDocument::fromJson(line.toUtf8()).object()));
            } catch (const Json::Error &error) {
                QFAIL(error.what());
            }
            QVERIFY(s.uptime && s.hardware && s.cpu.coreCount && s.disks && s.trashSize &&
                    s.batteries);
            QVERIFY(s.hardware->model && s.hardware->cpuModel && s.hardware->totalRam &&
                    s.hardware->osVersion);
            QVERIFY(s.healthScore >= 0 && s.healthScore <= 100 && !s.healthScoreMsg.isEmpty());
            QVERIFY(s.cpu.usage >= 0 && s.cpu.usage <= 100 && *s.cpu.coreCount >= 1);
            QVERIFY(s.memory.used > 0 && s.memory.used <= s.memory.total);
        }
    }

    // Stopping the watch (the app terminates it, a user presses Ctrl-C, the
    // reader goes away) ends it at once, quietly and successfully, without a
    // further reading; also while a huge trashed folder is being measured,
    // whose reading is given up, not finished.
    void watchStopsPromptly_data() {
        QTest::addColumn<int>("signal");      // 0: the reader goes
        QTest::addColumn<bool>("measuring");  // stopped while the Trash is measured
        QTest::newRow("SIGTERM") << int(SIGTERM) << false;
        QTest::newRow("SIGINT") << int(SIGINT) << false;
        QTest::newRow("SIGTERM while measuring") << int(SIGTERM) << true;
        QTest::newRow("reader gone") << 0 << false;
    }
    void watchStopsPromptly() {
        QFETCH(int, signal);
        QFETCH(bool, measuring);
        if (!signal) {
            const auto [exitCode, output] = runCommand(
                {u"sh"_qs, u"-c"_qs, u"\"$0\" status --watch --interval 60s | head -n 1"_qs,
                 engineBinary()});
            QCOMPARE(exitCode, 0);  // one line, nothing on standard error
            QVERIFY2(output.startsWith('{') && output.indexOf('\n') == output.size() - 1,
                     output.constData());
            return;
        }
        const QString folder = m_env.home() + u"/.local/share/Trash/files/many"_qs;
        const auto removeTrash = qScopeGuard([&] { QDir(folder).removeRecursively(); });
        for (int i = 0; measuring && i < 30'000; ++i)
            writeFile(folder + u"/f"_qs + QString::number(i), {});
        Watch watch(u"60s"_qs);
        QVERIFY(watch.waitForStarted());
        // Until the engine holds the trashed folder open, or the first reading.
        const QString fds = u"/proc/%1/fd/"_qs.arg(watch.processId());
        const auto ready = [&] {
            QCoreApplication::processEvents();
            for (const QString &fd : QDir(fds).entryList(QDir::AllEntries | QDir::System))
                if (QFile::symLinkTarget(fds + fd) == folder)
                    return measuring;
            return !measuring && !watch.lines.isEmpty();
        };
        QElapsedTimer waited;
        waited.start();
        while (!ready() && waited.elapsed() < 10000) QThread::usleep(300);
        QVERIFY(ready());
        QElapsedTimer stopping;
        stopping.start();
        ::kill(pid_t(watch.processId()), signal);
        QVERIFY(watch.waitForFinished(5000));
        // A generous bound for a slow (sanitizer) build.
        QVERIFY2(stopping.elapsed() < 1000, qPrintable(QString::number(stopping.elapsed())));
        QCOMPARE(watch.exitStatus(), QProcess::NormalExit);
        QCOMPARE(watch.exitCode(), 0);
        QCOMPARE(watch.lines.size(), measuring ? 0 : 1);
        QCOMPARE(watch.bytesAvailable(), 0);
    }

    // A laptop battery counts; mains power and a wireless mouse do not.
    void batteriesFromPowerSupplies() {
        QTemporaryDir sys;
        for (const char *line :
             {"BAT0/type=Battery", "BAT0/capacity=87", "BAT0/status=Discharging",
              "BAT0/energy_full=40000000", "BAT0/energy_full_design=50000000",
              "BAT0/cycle_count=312", "AC/type=Mains", "hidpp_battery_0/type=Battery",
              "hidpp_battery_0/scope=Device", "hidpp_battery_0/capacity=40"}) {
            const QList<QByteArray> parts = QByteArray(line).split('=');
            writeFile(sys.filePath(QString::fromLatin1(parts[0])), parts[1] + '\n');
        }
        const auto batteries = mole::status::readBatteries(sys.path().toStdString());
        QCOMPARE(batteries.size(), size_t(1));
        QCOMPARE(batteries[0].percent, 87.0);
        QCOMPARE(batteries[0].status, std::string("Discharging"));
        QCOMPARE(batteries[0].healthPercent.value_or(0), 80.0);
        QCOMPARE(batteries[0].cycleCount.value_or(0), 312);
    }
};

QTEST_GUILESS_MAIN(TestMoleStatus)
#include "tst_mole_status.moc"
