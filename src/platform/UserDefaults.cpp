#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSettings>

namespace UserDefaults {

static QSettings settings() {
    return QSettings(u"Brightloft"_qs, u"Brightloft"_qs);
}

bool flag(const char *key, bool fallback) {
    return settings().value(QLatin1StringView(key), fallback).toBool();
}

void setFlag(const char *key, bool value) {
    settings().setValue(QLatin1StringView(key), value);
    Q_EMIT notifier().flagChanged(QString::fromLatin1(key));
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
