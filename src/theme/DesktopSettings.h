#pragma once

#include <QDBusVariant>  // complete, so the change slot's signature can be matched
#include <QObject>
#include <QVariant>

#include <optional>

// The desktop's appearance preferences, read from the freedesktop settings
// portal: the colour scheme and whether the user turned animations off. Reads
// are asynchronous and followed by the portal's change signal; without a
// session bus or a portal nothing is ever reported.
class DesktopSettings : public QObject {
    Q_OBJECT
public:
    explicit DesktopSettings(QObject *parent = nullptr);

    // The portal's colour-scheme value as an appearance: 1 means dark,
    // 0 (no preference) and 2 mean light. Other values are not understood.
    static std::optional<bool> prefersDark(const QVariant &colorScheme);

Q_SIGNALS:
    void colorSchemeChanged(bool dark);
    void animationsChanged(bool enabled);

public Q_SLOTS:
    // Connected by name to the portal's change signal.
    void onSettingChanged(const QString &group, const QString &key, const QDBusVariant &value);

private:
    void read(const QString &group, const QString &key);
    void apply(const QString &group, const QString &key, const QVariant &value);
};
