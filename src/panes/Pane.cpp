#include "panes/Pane.h"

#include <QCoreApplication>

QList<Pane> Panes::all() {
    return {Pane::overview, Pane::clean, Pane::uninstall, Pane::space, Pane::optimize};
}

QString Panes::title(Pane pane) {
    switch (pane) {
        case Pane::overview:
            return QCoreApplication::translate("Pane", "Overview");
        case Pane::clean:
            return QCoreApplication::translate("Pane", "Cleanup");
        case Pane::uninstall:
            return QCoreApplication::translate("Pane", "Uninstaller");
        case Pane::space:
            return QCoreApplication::translate("Pane", "Space Lens");
        case Pane::optimize:
            return QCoreApplication::translate("Pane", "Maintenance");
    }
    return {};
}

QString Panes::shortcutKey(Pane pane) {
    return QString::number(all().indexOf(pane) + 1);
}
