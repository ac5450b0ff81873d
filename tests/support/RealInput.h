#pragma once

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QWidget>
#include <QWindow>

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
inline void settle() {
    for (int turn = 0; turn < 4; ++turn) QCoreApplication::processEvents();
}

// Moves the pointer to `point` of `window`, presses and releases the left
// button there. False when the window cannot take input.
inline bool clickAt(QWidget *window, QPoint point) {
    QWindow *handle = window->window()->isVisible() ? window->window()->windowHandle() : nullptr;
    if (!handle || !QTest::qWaitForWindowExposed(handle))
        return false;
    QTest::mouseMove(handle, point);
    QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, point);
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, point);
    // Let queued switches and deferred deletions run, as the event loop would.
    QCoreApplication::processEvents();
    return true;
}

// Clicks `target` at `local` (its centre by default). False, and nothing is
// pressed, when `target` is hidden, when the point lies outside its window's
// visible area, or when another widget covers it there; `why` says which
// (else a warning says it where the test stops).
inline bool click(QWidget *target, QPoint local = {-1, -1}, QString *why = nullptr) {
    settle();
    QString problem = u"not shown"_qs;
    if (target && target->isVisible()) {
        local = local == QPoint(-1, -1) ? target->rect().center() : local;
        QWidget *window = target->window();
        const QPoint point = target->mapTo(window, local);
        QWidget *hit = window->childAt(point) ? window->childAt(point) : window;
        if (!window->rect().contains(point))
            problem = u"outside its window"_qs;
        else if (hit != target && !target->isAncestorOf(hit))
            problem = u"covered by "_qs + QString::fromLatin1(hit->metaObject()->className());
        else if (!target->visibleRegion().contains(local))  // inside every clipping parent
            problem = u"clipped by a parent"_qs;
        else
            return clickAt(window, point);
    }
    if (why)
        *why = problem;
    else
        qWarning("cannot click %s: %s", target ? target->metaObject()->className() : "nothing",
                 qPrintable(problem));
    return false;
}

// Chooses `action` in an open `menu` by clicking its entry.
inline bool choose(QMenu *menu, QAction *action) {
    if (!menu || !action || !QTest::qWaitForWindowExposed(menu))
        return false;
    const QRect entry = menu->actionGeometry(action);
    return !entry.isEmpty() && clickAt(menu, entry.center());
}

// Presses a key with `modifiers` and lets it go, through the focus window.
inline bool key(QWidget *window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWindow *handle = window->window()->isVisible() ? window->window()->windowHandle() : nullptr;
    if (!handle)
        return false;
    QTest::keyClick(handle, Qt::Key(key), modifiers);
    QCoreApplication::processEvents();
    return true;
}

}  // namespace RealInput
