#include "EngineProcess.h"
#include "overview/StatusSnapshot.h"
#include "support/TestEnvironment.h"

#include "status/Batteries.h"
#include "status/Hardware.h"
#include "status/Health.h"
#include "status/System.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <csignal>

namespace {

enum class Kind { Integer, Number, String, Object, Array };

bool hasKind(const QJsonValue &value, Kind kind) {
    switch (kind) {
        case Kind::Integer:
            return value.isDouble() && value.toDouble() == double(value.toInteger());
        case Kind::Number:
            return value.isDouble();
        case Kind::String:
            return value.isString();
        case Kind::Object:
            return value.isObject();
        case Kind::Array:
            return value.isArray();
    }
    return false;
}

// A value by slash-separated path; "disks/0/mount" indexes arrays.
QJsonValue lookup(const QJsonObject &root, const QString &path) {
    QJsonValue value = root;
    for (const QString &part : path.split(u'/')) {
        bool isIndex = false;
        const int index = part.toInt(&isIndex);
        value = isIndex ? value.toArray().at(index) : value.toObject().value(part);
    }
    return value;
}

// Every field the app's status record reads.
void addSchemaRows() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<Kind>("kind");
    const std::pair<const char *, Kind> fields[] = {
        {"health_score", Kind::Integer},
        {"health_score_msg", Kind::String},
        {"uptime", Kind::String},
        {"hardware", Kind::Object},
        {"hardware/model", Kind::String},
        {"hardware/cpu_model", Kind::String},
        {"hardware/total_ram", Kind::String},
        {"hardware/os_version", Kind::String},
        {"cpu", Kind::Object},
        {"cpu/usage", Kind::Number},
        {"cpu/core_count", Kind::Integer},
        {"memory", Kind::Object},
        {"memory/used", Kind::Number},
        {"memory/total", Kind::Number},
        {"memory/used_percent", Kind::Number},
        {"disks", Kind::Array},
        {"disks/0/mount", Kind::String},
        {"disks/0/used", Kind::Number},
        {"disks/0/total", Kind::Number},
        {"disks/0/used_percent", Kind::Number},
        {"trash_size", Kind::Number},
        {"batteries", Kind::Array},
    };
    for (const auto &[path, kind] : fields)
        QTest::newRow(path) << QString::fromLatin1(path) << kind;
}

void writeFile(const QString &path, qsizetype bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(bytes, 'x'));
}

QJsonObject oneReading() {
    const EngineResult result = runEngine({u"status"_qs, u"--json"_qs});
    if (!result.finished || result.exitCode != 0)
        return {};
    const QStringList lines = appLines(result.output);
    if (lines.size() != 1)
        return {};
    return parseObject(lines.first());
}

// A watch run that collects the lines the app would see.
class Watch {
public:
    explicit Watch(const QStringList &extra) {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        QObject::connect(&m_process, &QProcess::readyRead, [this] {
            m_buffer += m_process.readAll();
            while (m_buffer.contains('\n')) {
                const qsizetype end = m_buffer.indexOf('\n');
                m_lines << QString::fromUtf8(m_buffer.left(end));
                m_buffer.remove(0, end + 1);
            }
        });
        m_process.start(engineBinary(), QStringList{u"status"_qs, u"--watch"_qs} + extra);
    }
    ~Watch() {
        m_process.kill();
        m_process.waitForFinished();
    }
    QProcess &process() { return m_process; }
    const QStringList &lines() const { return m_lines; }

private:
    QProcess m_process;
    QByteArray m_buffer;
    QStringList m_lines;
};

}  // namespace

Q_DECLARE_METATYPE(Kind)

class TestMoleStatus : public QObject {
    Q_OBJECT

private:
    TestEnvironment m_env;
    QJsonObject m_reading;

private Q_SLOTS:
    void initTestCase() {
        m_reading = oneReading();
        QVERIFY(!m_reading.isEmpty());
    }

    void readingHasEveryKey_data() { addSchemaRows(); }
    void readingHasEveryKey() {
        QFETCH(QString, path);
        QFETCH(Kind, kind);
        QVERIFY2(hasKind(lookup(m_reading, path), kind), qPrintable(path));
    }

    // The app's own record takes the reading whole.
    void readingDecodesWithTheAppRecord() {
        try {
            const StatusSnapshot snapshot = StatusSnapshot::decode(Json::Object(m_reading));
            QCOMPARE(snapshot.healthScore, m_reading[u"health_score"_qs].toInteger());
            QVERIFY(snapshot.hardware && snapshot.hardware->model && snapshot.cpu.coreCount);
            QVERIFY(snapshot.rootDisk().has_value());
            QCOMPARE(snapshot.rootDisk()->mount, u"/"_qs);
            QVERIFY(snapshot.trashSize.has_value() && snapshot.batteries.has_value());
        } catch (const Json::Error &error) {
            QFAIL(error.what());
        }
    }

    void readingValuesAreInRange() {
        const qint64 score = m_reading[u"health_score"_qs].toInteger();
        QVERIFY(score >= 0 && score <= 100);
        QVERIFY(!m_reading[u"health_score_msg"_qs].toString().isEmpty());
        const double usage = lookup(m_reading, u"cpu/usage"_qs).toDouble();
        QVERIFY(usage >= 0 && usage <= 100);
        QVERIFY(lookup(m_reading, u"cpu/core_count"_qs).toInteger() >= 1);
        const double used = lookup(m_reading, u"memory/used"_qs).toDouble();
        const double total = lookup(m_reading, u"memory/total"_qs).toDouble();
        QVERIFY(used > 0 && used <= total);
        QVERIFY(lookup(m_reading, u"hardware/total_ram"_qs).toString().endsWith(u"B"_qs));
    }

    // Real volumes only, one per device, the root first.
    void disksAreRealVolumes() {
        const QJsonArray disks = m_reading[u"disks"_qs].toArray();
        QVERIFY(!disks.isEmpty());
        QCOMPARE(disks.first()[u"mount"_qs].toString(), u"/"_qs);
        QSet<dev_t> devices;
        for (const QJsonValue &disk : disks) {
            const QString mount = disk[u"mount"_qs].toString();
            QVERIFY2(!mount.startsWith(u"/proc"_qs) && !mount.startsWith(u"/sys"_qs) &&
                         !mount.startsWith(u"/dev"_qs) && !mount.startsWith(u"/run"_qs),
                     qPrintable(mount));
            struct stat st {};
            QCOMPARE(::stat(QFile::encodeName(mount).constData(), &st), 0);
            QVERIFY2(!devices.contains(st.st_dev), qPrintable(mount));
            devices.insert(st.st_dev);
            const double percent = disk[u"used_percent"_qs].toDouble();
            QVERIFY(percent >= 0 && percent <= 100);
            QVERIFY(disk[u"used"_qs].toDouble() <= disk[u"total"_qs].toDouble());
        }
    }

    void readingSurvivesAppFilters() {
        const EngineResult result = runEngine({u"status"_qs, u"--json"_qs});
        for (const QString &line : appLines(result.output))
            QVERIFY2(survivesAppFilters(line), qPrintable(line));
    }

    // The Trash: plain files by their size, folders from the directorysizes
    // cache when it matches the .trashinfo time, otherwise measured.
    void trashSize_data() {
        QTest::addColumn<QString>("cache");
        QTest::addColumn<bool>("cacheUsed");
        QTest::newRow("current cache") << u"current"_qs << true;
        QTest::newRow("stale cache") << u"stale"_qs << false;
        QTest::newRow("no cache") << QString() << false;
    }
    void trashSize() {
        QFETCH(QString, cache);
        QFETCH(bool, cacheUsed);
        const QString trash = m_env.home() + u"/.local/share/Trash"_qs;
        QDir(trash).removeRecursively();
        writeFile(trash + u"/files/note.txt"_qs, 8000);
        writeFile(trash + u"/files/my folder/big.bin"_qs, 200000);
        writeFile(trash + u"/info/note.txt.trashinfo"_qs, 60);
        writeFile(trash + u"/info/my folder.trashinfo"_qs, 60);
        const qint64 claimed = 7 * 1024 * 1024;
        if (!cache.isEmpty()) {
            struct stat info {};
            QCOMPARE(::stat(QFile::encodeName(trash + u"/info/my folder.trashinfo"_qs).constData(),
                            &info),
                     0);
            const qint64 mtime = info.st_mtime - (cache == u"stale"_qs ? 1 : 0);
            QFile sizes(trash + u"/directorysizes"_qs);
            QVERIFY(sizes.open(QIODevice::WriteOnly));
            sizes.write(QByteArray::number(claimed) + ' ' + QByteArray::number(mtime) +
                        " my%20folder\n");
        }
        const qint64 folder = cacheUsed ? claimed : duBytes(trash + u"/files/my folder"_qs);
        const qint64 expected = duBytes(trash + u"/files/note.txt"_qs) + folder;
        QCOMPARE(qint64(oneReading()[u"trash_size"_qs].toDouble()), expected);
    }

    void watchPrintsOneReadingPerLine() {
        Watch watch({u"--interval"_qs, u"500ms"_qs});
        QTRY_VERIFY_WITH_TIMEOUT(watch.lines().size() >= 3, 15000);
        for (const QString &line : watch.lines()) {
            const QJsonObject reading = parseObject(line);
            QVERIFY(reading.contains(u"health_score"_qs));
            QVERIFY(reading.contains(u"cpu"_qs));
        }
    }

    void intervalForms_data() {
        QTest::addColumn<QString>("interval");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("seconds") << u"2s"_qs << true;
        QTest::newRow("milliseconds") << u"500ms"_qs << true;
        QTest::newRow("bare seconds") << u"1"_qs << true;
        QTest::newRow("fraction") << u"0.5"_qs << true;
        QTest::newRow("word") << u"soon"_qs << false;
        QTest::newRow("zero") << u"0"_qs << false;
        QTest::newRow("negative") << u"-1s"_qs << false;
        QTest::newRow("unknown unit") << u"3h"_qs << false;
        QTest::newRow("empty") << QString() << false;
    }
    void intervalForms() {
        QFETCH(QString, interval);
        QFETCH(bool, accepted);
        Watch watch({u"--interval"_qs, interval});
        if (accepted) {
            QTRY_VERIFY_WITH_TIMEOUT(!watch.lines().isEmpty(), 10000);
            QVERIFY(watch.lines().first().startsWith(u'{'));
        } else {
            QVERIFY(watch.process().waitForFinished(10000));
            QVERIFY(watch.process().exitCode() != 0);
            QVERIFY(!watch.lines().join(u'\n').contains(u'{'));
        }
    }

    // Stopping the watch (the app terminates it, a user presses Ctrl-C) ends
    // it at once, quietly and successfully.
    void watchStopsPromptlyOnSignal_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void watchStopsPromptlyOnSignal() {
        QFETCH(int, signal);
        Watch watch({u"--interval"_qs, u"60s"_qs});
        QTRY_VERIFY_WITH_TIMEOUT(!watch.lines().isEmpty(), 10000);
        ::kill(pid_t(watch.process().processId()), signal);
        QVERIFY(watch.process().waitForFinished(5000));
        QCOMPARE(watch.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(watch.process().exitCode(), 0);
        QCOMPARE(watch.lines().size(), 1);
    }

    // A reader that goes away ends the watch without waiting for the next
    // reading: the pipeline finishes long before the 60 s interval.
    void watchStopsWhenTheReaderGoes() {
        QProcess shell;
        shell.start(u"sh"_qs, {u"-c"_qs, u"\"$0\" status --watch --interval 60s | head -n 1"_qs,
                               engineBinary()});
        QVERIFY(shell.waitForFinished(10000));
        QCOMPARE(shell.exitCode(), 0);
        QVERIFY(shell.readAllStandardOutput().startsWith('{'));
        QVERIFY(shell.readAllStandardError().isEmpty());
    }

    void batteriesFromPowerSupplies() {
        QTemporaryDir sys;
        const auto put = [&](const QString &device, const QString &file, const QByteArray &text) {
            QDir().mkpath(sys.filePath(device));
            QFile out(sys.filePath(device + u'/' + file));
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(text + '\n');
        };
        put(u"BAT0"_qs, u"type"_qs, "Battery");
        put(u"BAT0"_qs, u"capacity"_qs, "87");
        put(u"BAT0"_qs, u"status"_qs, "Discharging");
        put(u"BAT0"_qs, u"energy_full"_qs, "40000000");
        put(u"BAT0"_qs, u"energy_full_design"_qs, "50000000");
        put(u"BAT0"_qs, u"cycle_count"_qs, "312");
        put(u"AC"_qs, u"type"_qs, "Mains");
        put(u"hidpp_battery_0"_qs, u"type"_qs, "Battery");
        put(u"hidpp_battery_0"_qs, u"scope"_qs, "Device");
        put(u"hidpp_battery_0"_qs, u"capacity"_qs, "40");

        const auto batteries = mole::status::readBatteries(sys.path().toStdString());
        QCOMPARE(batteries.size(), size_t(1));
        QCOMPARE(batteries[0].percent, 87.0);
        QCOMPARE(batteries[0].status, std::string("Discharging"));
        QCOMPARE(batteries[0].healthPercent.value_or(0), 80.0);
        QCOMPARE(mole::status::healthText(*batteries[0].healthPercent), std::string("Good (80%)"));
        QCOMPARE(batteries[0].cycleCount.value_or(0), 312);
    }

    void healthScore_data() {
        QTest::addColumn<double>("cpu");
        QTest::addColumn<double>("memory");
        QTest::addColumn<double>("disk");
        QTest::addColumn<double>("battery");  // 0: none
        QTest::addColumn<int>("failed");
        QTest::addColumn<int>("score");
        QTest::addColumn<QString>("message");
        QTest::newRow("idle") << 5.0 << 30.0 << 40.0 << 0.0 << 0 << 100 << u"Excellent"_qs;
        QTest::newRow("full disk")
            << 5.0 << 30.0 << 100.0 << 0.0 << 0 << 70 << u"Fair: disk nearly full"_qs;
        QTest::newRow("failed services")
            << 5.0 << 30.0 << 40.0 << 0.0 << 3 << 85 << u"Good: 3 failed services"_qs;
        QTest::newRow("worn battery")
            << 5.0 << 30.0 << 40.0 << 50.0 << 0 << 85 << u"Good: battery worn"_qs;
        QTest::newRow("everything bad")
            << 100.0 << 100.0 << 100.0 << 10.0 << 9 << 0 << u"Needs attention: disk nearly full"_qs;
    }
    void healthScore() {
        QFETCH(double, cpu);
        QFETCH(double, memory);
        QFETCH(double, disk);
        QFETCH(double, battery);
        QFETCH(int, failed);
        QFETCH(int, score);
        QFETCH(QString, message);
        mole::status::HealthInput input{cpu, memory, disk, std::nullopt, failed};
        if (battery > 0)
            input.weakestBatteryHealth = battery;
        const mole::status::Health health = mole::status::assessHealth(input);
        QCOMPARE(health.score, score);
        QCOMPARE(QString::fromStdString(health.message), message);
    }

    void shortTexts() {
        QCOMPARE(mole::status::formatUptime(3 * 86400 + 4 * 3600 + 12 * 60 + 5),
                 std::string("3d 4h 12m"));
        QCOMPARE(mole::status::formatUptime(2 * 3600), std::string("2h 0m"));
        QCOMPARE(mole::status::formatUptime(59), std::string("0m"));
        // The kernel's total sits a little below the installed memory.
        QCOMPARE(mole::status::installedMemoryText(16'300'000'000), std::string("16 GB"));
        QCOMPARE(mole::status::installedMemoryText(8ull << 30), std::string("8 GB"));
    }
};

QTEST_GUILESS_MAIN(TestMoleStatus)
#include "tst_mole_status.moc"
