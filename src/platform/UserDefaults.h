#pragma once

#include <QObject>
#include <QString>

// The two persisted flags. Stored with QSettings under the app's organisation
// and name, so tests can redirect them through XDG_CONFIG_HOME.
namespace UserDefaults {

inline constexpr char setupDone[] = "setupDone";
inline constexpr char automationAsked[] = "automationAsked";

// An absent key reads as `fallback`: the main window and Settings read
// setupDone with different defaults.
bool flag(const char *key, bool fallback = false);
void setFlag(const char *key, bool value);

// Announces every write through setFlag(), so each view reading a flag follows
// a change made anywhere in the app.
class Notifier : public QObject {
    Q_OBJECT
Q_SIGNALS:
    void flagChanged(const QString &key);
};
Notifier &notifier();

}  // namespace UserDefaults
