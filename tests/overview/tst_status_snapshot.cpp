#include <QTest>

#include "overview/StatusSnapshot.h"

namespace {

const QByteArray kMinimal =
    R"({"health_score": 92, "health_score_msg": "Excellent", "cpu": {"usage": 12.5},
        "memory": {"used": 8000000000, "total": 16000000000, "used_percent": 50}})";

std::optional<StatusSnapshot> decode(const QByteArray &json) {
    try {
        return Json::decode<StatusSnapshot>(Json::parse(json));
    } catch (const Json::Error &) {
        return std::nullopt;
    }
}

// The minimal reading with one top-level key added or replaced.
QByteArray with(const char *key, const char *value) {
    QByteArray json = kMinimal;
    json.chop(1);
    return json + ", \"" + key + "\": " + value + "}";
}

using Disks = std::optional<QList<StatusSnapshot::Disk>>;

StatusSnapshot::Disk disk(const char *mount) {
    return {QString::fromUtf8(mount), 1, 2, 50, {}};
}

}  // namespace

Q_DECLARE_METATYPE(Disks)

class StatusSnapshotTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void minimalReadingLeavesTheRestAbsent() {
        const auto s = decode(kMinimal);
        QVERIFY(s);
        QCOMPARE(s->healthScore, 92);
        QCOMPARE(s->healthScoreMsg, u"Excellent"_qs);
        QCOMPARE(s->cpu.usage, 12.5);
        QCOMPARE(s->cpu.coreCount, std::nullopt);
        QCOMPARE(s->memory.used, 8e9);  // integers are fine where doubles are expected
        QCOMPARE(s->memory.usedPercent, 50.0);
        QVERIFY(!s->uptime && !s->hardware && !s->disks && !s->trashSize && !s->batteries);
        QCOMPARE(s->rootDisk(), std::nullopt);
    }

    void fullReading() {
        const auto s = decode(R"({
            "health_score": 61, "health_score_msg": "Fair", "uptime": "3d 4h",
            "hardware": {"model": "ThinkPad", "cpu_model": "Ryzen 7", "total_ram": "32 GB",
                         "os_version": "Debian 12"},
            "cpu": {"usage": 40, "core_count": 8},
            "memory": {"used": 1.5, "total": 3, "used_percent": 50.5},
            "disks": [{"mount": "/", "used": 10, "total": 20, "used_percent": 50, "purgeable": 2}],
            "trash_size": 1234,
            "batteries": [{"percent": 87.5, "status": "Charging", "health": "Good", "cycle_count": 112}],
            "failed_user_services": 0, "something_new": {"nested": true}})");
        QVERIFY(s);
        QCOMPARE(s->uptime, u"3d 4h"_qs);
        QCOMPARE(s->hardware, (StatusSnapshot::Hardware{u"ThinkPad"_qs, u"Ryzen 7"_qs, u"32 GB"_qs,
                                                        u"Debian 12"_qs}));
        QCOMPARE(s->cpu.coreCount, 8);
        QCOMPARE(s->disks->size(), 1);
        QCOMPARE(s->disks->first().purgeable, 2.0);
        QCOMPARE(s->trashSize, 1234.0);
        QCOMPARE(s->batteries->first(),
                 (StatusSnapshot::Battery{87.5, u"Charging"_qs, u"Good"_qs, 112}));
    }

    void decodesOrFailsAsAWhole_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("decodes");
        QTest::newRow("memory without used_percent")
            << QByteArray(R"({"health_score": 1, "health_score_msg": "", "cpu": {"usage": 1},
                             "memory": {"used": 1, "total": 2}})")
            << false;
        QTest::newRow("required key null") << with("health_score", "null") << false;
        QTest::newRow("fractional integer") << with("health_score", "92.5") << false;
        QTest::newRow("number as text") << with("health_score", "\"92\"") << false;
        QTest::newRow("optional of the wrong type") << with("uptime", "42") << false;
        QTest::newRow("optional null") << with("uptime", "null") << true;
        QTest::newRow("core count null")
            << with("cpu", R"({"usage": 3, "core_count": null})") << true;
        QTest::newRow("volume without a mount")
            << with("disks", R"([{"used": 1, "total": 2, "used_percent": 50}])") << false;
        QTest::newRow("empty battery list") << with("batteries", "[]") << true;
        QTest::newRow("hardware null") << with("hardware", "null") << true;
        QTest::newRow("camelCase keys")
            << QByteArray(R"({"healthScore": 1, "healthScoreMsg": "ok", "cpu": {"usage": 1},
                             "memory": {"used": 1, "total": 2, "usedPercent": 3}})")
            << true;
        QTest::newRow("empty object") << QByteArray("{}") << false;
        QTest::newRow("truncated") << kMinimal.left(kMinimal.size() - 1) << false;
    }
    void decodesOrFailsAsAWhole() {
        QFETCH(QByteArray, json);
        QFETCH(bool, decodes);
        QCOMPARE(decode(json).has_value(), decodes);
    }

    void emptyBatteryListStaysAnEmptyList() {
        const auto s = decode(with("batteries", "[]"));
        QVERIFY(s && s->batteries);
        QVERIFY(s->batteries->isEmpty());
    }

    void rootDisk_data() {
        QTest::addColumn<Disks>("disks");
        QTest::addColumn<QString>("root");
        QTest::newRow("root after another") << Disks({disk("/Volumes/Data"), disk("/")}) << u"/"_qs;
        QTest::newRow("no root: the first")
            << Disks({disk("/Volumes/Data"), disk("/home")}) << u"/Volumes/Data"_qs;
        QTest::newRow("empty list") << Disks(QList<StatusSnapshot::Disk>()) << QString();
        QTest::newRow("absent") << Disks() << QString();
    }
    void rootDisk() {
        QFETCH(Disks, disks);
        QFETCH(QString, root);
        StatusSnapshot s;
        s.disks = disks;
        const auto found = s.rootDisk();
        if (root.isEmpty()) {
            QCOMPARE(found, std::nullopt);
            return;
        }
        QVERIFY(found);
        QCOMPARE(found->mount, root);
    }
};

QTEST_GUILESS_MAIN(StatusSnapshotTest)
#include "tst_status_snapshot.moc"
