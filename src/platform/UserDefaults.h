#pragma once

#include <QString>

// The two persisted flags. Stored with QSettings under the app's organisation
// and name, so tests can redirect them through XDG_CONFIG_HOME.
namespace UserDefaults {

inline constexpr char setupDone[] = "setupDone";
inline constexpr char automationAsked[] = "automationAsked";

bool flag(const char *key);
void setFlag(const char *key, bool value);

}  // namespace UserDefaults
