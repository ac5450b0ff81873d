#include "engine/Json.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <limits>

namespace Json {

QString camelFromSnake(const QString &key) {
    if (!key.contains(u'_'))
        return key;
    qsizetype begin = 0, end = key.size();
    while (begin < end && key.at(begin) == u'_') ++begin;
    while (end > begin && key.at(end - 1) == u'_') --end;
    if (begin == end)
        return key;

    QString out = key.left(begin);
    bool first = true;
    for (const QStringView word : QStringView(key).mid(begin, end - begin).split(u'_')) {
        if (word.isEmpty())
            continue;
        if (first) {
            out += word.toString().toLower();
            first = false;
        } else {
            out += word.left(1).toString().toUpper() + word.mid(1).toString().toLower();
        }
    }
    return out + key.mid(end);
}

static QJsonObject camelKeys(const QJsonObject &object) {
    QJsonObject out;
    for (auto it = object.begin(); it != object.end(); ++it)
        out.insert(camelFromSnake(it.key()), it.value());
    return out;
}

Object::Object(const QJsonObject &snakeObject) : m_object(camelKeys(snakeObject)) {}

bool Decoder<bool>::decode(const QJsonValue &v) {
    if (!v.isBool())
        throw Error("expected a boolean");
    return v.toBool();
}

qint64 Decoder<qint64>::decode(const QJsonValue &v) {
    if (!v.isDouble())
        throw Error("expected an integer");
    // A whole number that fits reads the same whatever the fallback; one with
    // a fraction, or beyond 64 bits, gives the fallback back. No conversion
    // of an out-of-range double is ever made.
    const qint64 a = v.toInteger(0), b = v.toInteger(1);
    if (a != b)
        throw Error("expected an integer");
    return a;
}

Count Decoder<Count>::decode(const QJsonValue &v) {
    const qint64 n = Decoder<qint64>::decode(v);
    if (n < 0)
        throw Error("expected a count of zero or more");
    return {n};
}

int Decoder<int>::decode(const QJsonValue &v) {
    const qint64 n = Decoder<qint64>::decode(v);
    if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        throw Error("integer out of range");
    return int(n);
}

double Decoder<double>::decode(const QJsonValue &v) {
    if (!v.isDouble())
        throw Error("expected a number");
    return v.toDouble();
}

QString Decoder<QString>::decode(const QJsonValue &v) {
    if (!v.isString())
        throw Error("expected a string");
    return v.toString();
}

Object Decoder<Object>::decode(const QJsonValue &v) {
    if (!v.isObject())
        throw Error("expected an object");
    return Object(v.toObject());
}

QJsonValue parse(const QByteArray &json) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw Error(error.errorString().toStdString());
    if (doc.isArray())
        return doc.array();
    return doc.object();
}

QJsonValue parseAfterLeadingText(const QString &text, QChar open) {
    // Leading text may itself hold the bracket, so try each one in turn.
    std::string lastError = "no JSON in the output";
    for (qsizetype start = text.indexOf(open); start >= 0; start = text.indexOf(open, start + 1)) {
        try {
            return parse(QStringView(text).mid(start).toUtf8());
        } catch (const Error &e) {
            lastError = e.what();
        }
    }
    throw Error(lastError);
}

}  // namespace Json
