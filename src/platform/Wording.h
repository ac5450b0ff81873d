#pragma once

#include <QString>

class QCoreApplication;

// The Linux wording: a translation that renames only what exists just on a
// Mac ("Finder", "macOS", the ⌘ key); every other text passes through. All
// translations/*.ts files are compiled into this one file.
namespace Wording {

// The compiled wording file inside a resources folder.
QString file(const QString &resources);

// Loads the wording into `app` on Linux (not on macOS, where the source texts
// are right). False when the file is missing or unreadable.
bool install(QCoreApplication *app, const QString &resources);

}  // namespace Wording
