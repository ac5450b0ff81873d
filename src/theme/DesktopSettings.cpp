#include "theme/DesktopSettings.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {

const QString kService = u"org.freedesktop.portal.Desktop"_qs;
const QString kPath = u"/org/freedesktop/portal/desktop"_qs;
const QString kInterface = u"org.freedesktop.portal.Settings"_qs;
const QString kAppearanceGroup = u"org.freedesktop.appearance"_qs;
const QString kColorScheme = u"color-scheme"_qs;
// GNOME publishes its own switch for reduced motion through the same portal.
const QString kInterfaceGroup = u"org.gnome.desktop.interface"_qs;
const QString kEnableAnimations = u"enable-animations"_qs;

// Read() answers with a variant inside a variant; the signal with one.
QVariant unwrap(QVariant value) {
    while (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

}  // namespace

DesktopSettings::DesktopSettings(QObject *parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // Qt D-Bus learns its own types (QDBusVariant among them) on first use;
    // a slot connected before that silently never matches the signal.
    QDBusMetaType::typeToSignature(QMetaType::fromType<QDBusVariant>());
    bus.connect(kService, kPath, kInterface, u"SettingChanged"_qs, this,
                SLOT(onSettingChanged(QString, QString, QDBusVariant)));
    read(kAppearanceGroup, kColorScheme);
    read(kInterfaceGroup, kEnableAnimations);
}

std::optional<bool> DesktopSettings::prefersDark(const QVariant &colorScheme) {
    bool ok = false;
    const uint value = colorScheme.toUInt(&ok);
    if (!ok || value > 2)
        return std::nullopt;
    return value == 1;
}

void DesktopSettings::read(const QString &group, const QString &key) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, u"Read"_qs);
    call << group << key;
    auto *watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, group, key](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *finished;
                if (!reply.isError())
                    apply(group, key, reply.value().variant());
            });
}

void DesktopSettings::onSettingChanged(const QString &group, const QString &key,
                                       const QDBusVariant &value) {
    apply(group, key, value.variant());
}

void DesktopSettings::apply(const QString &group, const QString &key, const QVariant &value) {
    const QVariant plain = unwrap(value);
    if (group == kAppearanceGroup && key == kColorScheme) {
        if (const auto dark = prefersDark(plain))
            Q_EMIT colorSchemeChanged(*dark);
    } else if (group == kInterfaceGroup && key == kEnableAnimations) {
        if (plain.metaType() == QMetaType::fromType<bool>())
            Q_EMIT animationsChanged(plain.toBool());
    }
}
