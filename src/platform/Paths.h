#pragma once

#include <QString>

// Where things live on this machine.
namespace Paths {

// The resources folder: $BRIGHTLOFT_RESOURCES, else <exe>/../share/brightloft,
// else the build tree's resources folder. Empty when none exists.
QString resources();

// The user's home folder ($HOME), without a trailing slash.
QString home();

// "~" and "~/..." in the user's home; every other path as it is.
QString expandTilde(const QString &path);

}  // namespace Paths
