#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QSettings>

namespace UserDefaults {

namespace {

QSettings settings() {
    return QSettings(u"Brightloft"_qs, u"Brightloft"_qs);
}

// What this run wrote to `location` but could not save there, and whether
// that was announced. It belongs to the application object, like the
// notifier, and to one settings file: another file (tests) starts clean.
struct Session : QObject {
    QString location;
    QHash<QString, bool> unsaved;
    std::optional<QString> failure;
};

Session &session() {
    static QPointer<Session> instance;
    if (!instance) {
        instance = new Session;
        instance->setParent(QCoreApplication::instance());
    }
    if (const QString location = settings().fileName(); instance->location != location) {
        instance->location = location;
        instance->unsaved.clear();
        instance->failure.reset();
    }
    return *instance;
}

std::optional<bool> parse(const QVariant &value) {
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed().toLower();
    if (text == u"true" || text == u"1")
        return true;
    if (text == u"false" || text == u"0")
        return false;
    return std::nullopt;
}

}  // namespace

bool flag(const char *key, bool fallback) {
    const QString name = QLatin1StringView(key);
    if (const auto held = session().unsaved.constFind(name); held != session().unsaved.cend())
        return *held;
    return parse(settings().value(name)).value_or(fallback);
}

bool setFlag(const char *key, bool value) {
    const QString name = QLatin1StringView(key);
    QSettings store = settings();
    store.setValue(name, value);
    store.sync();
    const bool saved = store.status() == QSettings::NoError;
    if (saved) {
        session().unsaved.remove(name);
    } else {
        session().unsaved.insert(name, value);
        if (!session().failure) {
            session().failure = store.fileName();
            Q_EMIT notifier().saveFailed(store.fileName());
        }
    }
    Q_EMIT notifier().flagChanged(name);
    return saved;
}

QString location() {
    return settings().fileName();
}

std::optional<QString> saveFailure() {
    return session().failure;
}

Notifier &notifier() {
    // Owned by the application, like the theme: a later application (tests)
    // gets a fresh one.
    static QPointer<Notifier> instance;
    if (!instance) {
        instance = new Notifier;
        instance->setParent(QCoreApplication::instance());
    }
    return *instance;
}

}  // namespace UserDefaults
