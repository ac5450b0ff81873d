#pragma once

#include <QPoint>
#include <QString>

class QAction;
class QMenu;
class QWidget;

// Input the way a person gives it: the pointer moves to a point of a window,
// the button goes down and comes up there, and the window system finds the
// widget under the point. Nothing is called on the target directly, so a
// button that is covered, cut off by its window or deleted while it handles
// its own release behaves here as it would for a user.
namespace RealInput {

// Lets pending changes and layouts run (a layout request travels up one
// parent per turn): a person aims at where a control is drawn, not where a
// layout about to run will move it between press and release. click() does
// this itself; call it before working out a point inside a list.
void settle();

// The widget a pointer at `point` (in `window`'s coordinates) would hit.
QWidget *widgetAt(QWidget *window, QPoint point);

// Moves the pointer to `point` of `window`, presses and releases the left
// button there. False when the window cannot take input.
bool clickAt(QWidget *window, QPoint point);

// Clicks `target` at `local` (its centre by default). False, and nothing is
// pressed, when `target` is hidden, when the point lies outside its window's
// visible area, or when another widget covers it there; `why` says which.
bool click(QWidget *target, QPoint local = {-1, -1}, QString *why = nullptr);

// Chooses `action` in an open `menu` by clicking its entry.
bool choose(QMenu *menu, QAction *action);

// Presses a key with `modifiers` and lets it go, through the focus window.
bool key(QWidget *window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

}  // namespace RealInput
