#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QLabel>

#include "theme/controls/GButton.h"
#include "theme/controls/PhaseActions.h"
#include "theme/controls/SummaryStrip.h"

// What a pane view shows, read the way a person reads it. Views with a
// row of phase actions and a summary strip: Cleanup and Maintenance.
namespace ViewProbe {

// The action buttons shown now.
template <class View>
QList<GButton *> shownButtons(const View &view) {
    QList<GButton *> out = view.actions()->template findChildren<GButton *>();
    out.removeIf([](const GButton *b) { return b->isHidden(); });
    return out;
}
template <class View>
QStringList shownActions(const View &view) {
    QStringList out;
    for (const GButton *b : shownButtons(view)) out.append(b->title());
    return out;
}
template <class View>
GButton *visibleButton(const View &view, const QString &title) {
    return shownButtons(view).value(shownActions(view).indexOf(title));
}

// "Caption: value" per strip cell.
template <class View>
QStringList strip(const View &view) {
    QStringList out;
    for (int i = 0; i < view.strip()->count(); ++i)
        out.append(view.strip()->cell(i)->caption() + u": "_qs +
                   view.strip()->cell(i)->value()->accessibleName());
    return out;
}

// Every text a user can see or hear in `root`: labels, button titles,
// tooltips, accessible names and menu entries.
inline QStringList visibleTexts(QWidget *root) {
    QStringList texts;
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets << root;
    for (QWidget *w : widgets) {
        texts << w->toolTip() << w->accessibleName();
        if (auto *label = qobject_cast<QLabel *>(w))
            texts << label->text();
        if (auto *button = qobject_cast<QAbstractButton *>(w))
            texts << button->text();
        for (QAction *action : w->actions()) texts << action->text() << action->toolTip();
    }
    texts.removeAll(QString());
    return texts;
}

}  // namespace ViewProbe
