#pragma once

#include <QString>

// The app's own facts, fixed when it was built.
namespace InfoDictionary {

QString version();      // short version, e.g. "0.1.0"
QString buildNumber();  // e.g. "42"
QString feedUrl();      // update feed; empty when update checks are off

}  // namespace InfoDictionary
