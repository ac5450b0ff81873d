#include "support/RealInput.h"

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace RealInput {

void settle() {
    for (int turn = 0; turn < 4; ++turn) QCoreApplication::processEvents();
}

QWidget *widgetAt(QWidget *window, QPoint point) {
    window = window->window();
    if (!window->rect().contains(point))
        return nullptr;
    QWidget *hit = window->childAt(point);
    return hit ? hit : window;
}

bool clickAt(QWidget *window, QPoint point) {
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

bool click(QWidget *target, QPoint local, QString *why) {
    settle();
    QString problem;
    QPoint point;
    if (!target || !target->isVisible()) {
        problem = u"not shown"_qs;
    } else {
        local = local == QPoint(-1, -1) ? target->rect().center() : local;
        point = target->mapTo(target->window(), local);
        QWidget *hit = widgetAt(target->window(), point);
        if (!hit)
            problem = u"outside its window"_qs;
        else if (hit != target && !target->isAncestorOf(hit))
            problem = u"covered by "_qs + QString::fromLatin1(hit->metaObject()->className());
        else if (!target->visibleRegion().contains(
                     local))  // inside every scrolled or clipped parent
            problem = u"clipped by a parent"_qs;
    }
    if (problem.isEmpty())
        return clickAt(target->window(), point);
    if (why)
        *why = problem;
    else  // said where the test stops
        qWarning("cannot click %s: %s", target ? target->metaObject()->className() : "nothing",
                 qPrintable(problem));
    return false;
}

bool choose(QMenu *menu, QAction *action) {
    if (!menu || !action || !QTest::qWaitForWindowExposed(menu))
        return false;
    const QRect entry = menu->actionGeometry(action);
    return !entry.isEmpty() && clickAt(menu, entry.center());
}

bool key(QWidget *window, int key, Qt::KeyboardModifiers modifiers) {
    QWindow *handle = window->window()->isVisible() ? window->window()->windowHandle() : nullptr;
    if (!handle)
        return false;
    QTest::keyClick(handle, Qt::Key(key), modifiers);
    QCoreApplication::processEvents();
    return true;
}

}  // namespace RealInput
