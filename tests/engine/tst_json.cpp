#include <QJsonDocument>
#include <QTest>

#include "engine/Json.h"

namespace {

struct Inner {
    QString name;
    static Inner decode(const Json::Object &o) { return {o.required<QString>("displayName")}; }
};

struct Record {
    qint64 count;
    double ratio;
    std::optional<QString> note;
    std::optional<QList<Inner>> items;
    static Record decode(const Json::Object &o) {
        return {o.required<qint64>("itemCount"), o.required<double>("usedRatio"),
                o.optional<QString>("note"), o.optional<QList<Inner>>("items")};
    }
};

// The value decoded as T, or none when it is not JSON or not a T. `element`
// takes the first element of an array: a bare number is not a JSON document.
template <typename T>
std::optional<T> decoded(const QByteArray &json, bool element = false) {
    try {
        const QJsonValue value = Json::parse(json);
        return Json::decode<T>(element ? value.toArray().at(0) : value);
    } catch (const Json::Error &) {
        return std::nullopt;
    }
}

}  // namespace

class JsonTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Keys arrive in snake case and fields are named in camel case.
    void strictDecoding() {
        const auto r = decoded<Record>(R"({"item_count": 3, "used_ratio": 2, "note": null,
                                  "items": [{"display_name": "a"}]})");
        QVERIFY(r);
        QCOMPARE(r->count, 3);
        QCOMPARE(r->ratio, 2.0);  // doubles take integers
        QVERIFY(!r->note);        // null is absent
        QCOMPARE(r->items->at(0).name, u"a"_qs);

        // Missing, null or fractional where required, a wrong type (also for an
        // optional value or inside a list), not an object, not JSON.
        for (const char *bad :
             {R"({"used_ratio": 1})", R"({"item_count": null, "used_ratio": 1})",
              R"({"item_count": 1.5, "used_ratio": 1})", R"({"item_count": "3", "used_ratio": 1})",
              R"({"item_count": 1, "used_ratio": 1, "note": 5})",
              R"({"item_count": 1, "used_ratio": 1, "items": [{}]})", "[1]", "not json"})
            QVERIFY2(!decoded<Record>(bad), bad);
    }

    // Integers keep every value a signed 64-bit count can hold and refuse
    // the rest, never wrapping around; counts also refuse negative values.
    void integerRange_data() {
        QTest::addColumn<QByteArray>("number");
        QTest::addColumn<bool>("integer");
        QTest::addColumn<bool>("count");
        QTest::newRow("largest") << QByteArray("9223372036854775807") << true << true;
        QTest::newRow("smallest") << QByteArray("-9223372036854775808") << true << false;
        QTest::newRow("one beyond") << QByteArray("9223372036854775808") << false << false;
        QTest::newRow("exponent beyond") << QByteArray("1e19") << false << false;
        QTest::newRow("whole in exponent form") << QByteArray("4e3") << true << true;
        QTest::newRow("fraction") << QByteArray("0.5") << false << false;
        QTest::newRow("negative") << QByteArray("-1") << true << false;
    }
    void integerRange() {
        QFETCH(QByteArray, number);
        QFETCH(bool, integer);
        QFETCH(bool, count);
        const std::optional<qint64> asInteger = decoded<qint64>("[" + number + "]", true);
        QCOMPARE(asInteger.has_value(), integer);
        QCOMPARE(decoded<Json::Count>("[" + number + "]", true).has_value(), count);
        if (integer && !number.contains('e'))
            QCOMPARE(QByteArray::number(*asInteger), number);
    }
};

QTEST_GUILESS_MAIN(JsonTest)
#include "tst_json.moc"
