#include "platform/UserDefaults.h"

#include <QSettings>

namespace UserDefaults {

static QSettings settings() {
    return QSettings(u"Brightloft"_qs, u"Brightloft"_qs);
}

bool flag(const char *key) {
    return settings().value(QLatin1StringView(key), false).toBool();
}

void setFlag(const char *key, bool value) {
    settings().setValue(QLatin1StringView(key), value);
}

}  // namespace UserDefaults
