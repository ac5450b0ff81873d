#pragma once

#include <QString>

// Shows a file or folder selected in the desktop's file manager: through
// org.freedesktop.FileManager1 on the session bus, else by opening the
// folder that holds it. Returns at once.
namespace Reveal {

void show(const QString &path);

}  // namespace Reveal
