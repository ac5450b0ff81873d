#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>
#include <stdexcept>
#include <type_traits>

// Strict decoding of the engine's JSON. The engine writes snake_case keys;
// records name their fields in camelCase and ask for them by that name.
//
//   Json::Object o(document.object());
//   qint64 score = o.required<qint64>("healthScore");
//   std::optional<QString> up = o.optional<QString>("uptime");   // null = absent
//
// A missing required key or a value of the wrong type throws Json::Error;
// integers refuse fractional numbers and numbers beyond 64 bits, counts
// (byte sizes) also refuse negative ones; doubles accept integers.
namespace Json {

struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A count of something, such as bytes: a whole number of zero or more.
struct Count {
    qint64 value = 0;
    operator qint64() const { return value; }
};

// health_score_msg -> healthScoreMsg; leading and trailing underscores stay.
QString camelFromSnake(const QString &key);

template <typename T>
T decode(const QJsonValue &value);

class Object {
public:
    explicit Object(const QJsonObject &snakeObject);

    template <typename T>
    T required(const char *camelKey) const {
        const QJsonValue v = m_object.value(QLatin1StringView(camelKey));
        if (v.isUndefined() || v.isNull())
            throw Error(std::string("missing key ") + camelKey);
        return decodeAt<T>(v, camelKey);
    }

    template <typename T>
    std::optional<T> optional(const char *camelKey) const {
        const QJsonValue v = m_object.value(QLatin1StringView(camelKey));
        if (v.isUndefined() || v.isNull())
            return std::nullopt;
        return decodeAt<T>(v, camelKey);
    }

private:
    template <typename T>
    static T decodeAt(const QJsonValue &v, const char *key) {
        try {
            return decode<T>(v);
        } catch (const Error &e) {
            throw Error(std::string(key) + ": " + e.what());
        }
    }

    QJsonObject m_object;  // keys already in camelCase
};

// Records decode themselves with a static `T::decode(const Json::Object &)`;
// QList<T> decodes an array element by element.
template <typename T>
struct Decoder {
    static T decode(const QJsonValue &v) {
        if (!v.isObject())
            throw Error("expected an object");
        return T::decode(Object(v.toObject()));
    }
};
template <>
struct Decoder<bool> {
    static bool decode(const QJsonValue &v);
};
template <>
struct Decoder<qint64> {
    static qint64 decode(const QJsonValue &v);
};
template <>
struct Decoder<Count> {
    static Count decode(const QJsonValue &v);
};
template <>
struct Decoder<int> {
    static int decode(const QJsonValue &v);
};
template <>
struct Decoder<double> {
    static double decode(const QJsonValue &v);
};
template <>
struct Decoder<QString> {
    static QString decode(const QJsonValue &v);
};
template <>
struct Decoder<Object> {
    static Object decode(const QJsonValue &v);
};
template <typename E>
struct Decoder<QList<E>> {
    static QList<E> decode(const QJsonValue &v) {
        if (!v.isArray())
            throw Error("expected an array");
        QList<E> out;
        const QJsonArray array = v.toArray();
        out.reserve(array.size());
        for (const QJsonValue &e : array) out.append(Decoder<E>::decode(e));
        return out;
    }
};

template <typename T>
T decode(const QJsonValue &value) {
    return Decoder<T>::decode(value);
}

// Parses the first JSON value in `text` that starts with `open` ('{' or '[')
// and decodes it; engines may print text before their JSON. Throws Json::Error.
QJsonValue parseAfterLeadingText(const QString &text, QChar open);

// Parses one complete JSON document; throws Json::Error with the parser's text.
QJsonValue parse(const QByteArray &json);

}  // namespace Json
