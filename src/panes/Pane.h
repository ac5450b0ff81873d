#pragma once

#include <QList>
#include <QString>

// The five panes of the main window, in tab and shortcut order.
enum class Pane { overview, clean, uninstall, space, optimize };

namespace Panes {
// Every pane in tab order.
QList<Pane> all();
// The title shown on the tab and in the top bar ("Overview", "Cleanup", …).
QString title(Pane pane);
// The shortcut key character: "1" for the first pane through "5".
QString shortcutKey(Pane pane);
}  // namespace Panes
