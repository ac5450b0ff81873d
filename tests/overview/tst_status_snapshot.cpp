#include <QTest>

#include "overview/StatusSnapshot.h"

namespace {

const QByteArray kMinimal =
    R"({"health_score": 92, "health_score_msg": "Excellent", "cpu": {"usage": 12.5},
        "memory": {"used": 8000000000, "total": 16000000000, "used_percent": 50}})";

// kMinimal decoded: integers are fine where doubles are expected, the rest is absent.
const StatusSnapshot kMinimalDecoded = {
    92, u"Excellent"_qs, {}, {}, {12.5, {}}, {8e9, 16e9, 50}, {}, {}, {}};

std::optional<StatusSnapshot> decode(const QByteArray &json) {
    try {
        return Json::decode<StatusSnapshot>(Json::parse(json));
    } catch (const Json::Error &) {
        return std::nullopt;
    }
}

// The minimal reading with one top-level key added or replaced.
QByteArray with(const char *key, const char *value) {
    return kMinimal.chopped(1) + ", \"" + key + "\": " + value + "}";
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
    void decodesEveryField() {
        QCOMPARE(decode(kMinimal), kMinimalDecoded);
        StatusSnapshot noBatteries = kMinimalDecoded;
        noBatteries.batteries = QList<StatusSnapshot::Battery>();  // an empty list, not absent
        QCOMPARE(decode(with("batteries", "[]")), noBatteries);

        const StatusSnapshot full{
            .healthScore = 61,
            .healthScoreMsg = u"Fair"_qs,
            .uptime = u"3d 4h"_qs,
            .hardware = {{u"ThinkPad"_qs, u"Ryzen 7"_qs, u"32 GB"_qs, u"Debian 12"_qs}},
            .cpu = {40, 8},
            .memory = {1.5, 3, 50.5},
            .disks = {{{u"/"_qs, 10, 20, 50, 2}}},
            .trashSize = 1234,
            .batteries = {{{87.5, u"Charging"_qs, u"Good"_qs, 112}}}};
        QCOMPARE(decode(R"({
            "health_score": 61, "health_score_msg": "Fair", "uptime": "3d 4h",
            "hardware": {"model": "ThinkPad", "cpu_model": "Ryzen 7", "total_ram": "32 GB",
                         "os_version": "Debian 12"},
            "cpu": {"usage": 40, "core_count": 8},
            "memory": {"used": 1.5, "total": 3, "used_percent": 50.5},
            "disks": [{"mount": "/", "used": 10, "total": 20, "used_percent": 50, "purgeable": 2}],
            "trash_size": 1234,
            "batteries": [{"percent": 87.5, "status": "Charging", "health": "Good", "cycle_count": 112}],
            "failed_user_services": 0, "something_new": {"nested": true}})"),
                 full);
    }

    void decodesOrFailsAsAWhole_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("decodes");
        QTest::newRow("volume without a mount")
            << with("disks", R"([{"used": 1, "total": 2, "used_percent": 50}])") << false;
        QTest::newRow("camelCase keys")
            << QByteArray(R"({"healthScore": 1, "healthScoreMsg": "ok", "cpu": {"usage": 1},
                             "memory": {"used": 1, "total": 2, "usedPercent": 3}})")
            << true;
    }
    void decodesOrFailsAsAWhole() {
        QFETCH(QByteArray, json);
        QFETCH(bool, decodes);
        QCOMPARE(decode(json).has_value(), decodes);
    }

    void rootDisk_data() {
        QTest::addColumn<Disks>("disks");
        QTest::addColumn<QString>("root");  // empty: none
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
        QCOMPARE(found ? found->mount : QString(), root);
    }
};

QTEST_GUILESS_MAIN(StatusSnapshotTest)
#include "tst_status_snapshot.moc"
