#pragma once

#include <QObject>
#include <QString>

#include <optional>

// The two persisted flags. Stored with QSettings under the app's organisation
// and name, so tests can redirect them through XDG_CONFIG_HOME.
//
// Every write is checked. When the settings file cannot be written (a
// read-only or full home, a configuration folder we may not write, no home
// at all) the value still holds for the rest of this run, and the failure is
// announced once so the window can say what was not saved and where.
namespace UserDefaults {

inline constexpr char setupDone[] = "setupDone";
inline constexpr char automationAsked[] = "automationAsked";

// An absent key reads as `fallback`: the main window and Settings read
// setupDone with different defaults. A stored value that is not a clear
// true or false reads as absent.
bool flag(const char *key, bool fallback = false);
// Stores `value`; false when it could not be saved (it still holds until quit).
bool setFlag(const char *key, bool value);

// Where the flags are stored: the settings file's path.
QString location();
// The first failed write of this run, as the file that could not be written.
std::optional<QString> saveFailure();

// Announces every write through setFlag(), so each view reading a flag follows
// a change made anywhere in the app, and the first write that failed.
class Notifier : public QObject {
    Q_OBJECT
Q_SIGNALS:
    void flagChanged(const QString &key);
    // Once per run: `location` could not be written.
    void saveFailed(const QString &location);
};
Notifier &notifier();

}  // namespace UserDefaults
