#pragma once

#include <QObject>
#include <QVariant>

class QDBusVariant;

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

private Q_SLOTS:
    void onSettingChanged(const QString &group, const QString &key, const QDBusVariant &value);

private:
    void read(const QString &group, const QString &key);
    void apply(const QString &group, const QString &key, const QVariant &value);
};
