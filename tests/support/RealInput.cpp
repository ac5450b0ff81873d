#include "support/RealInput.h"

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace RealInput {

namespace {

QWindow *handleOf(QWidget *window) {
    window = window->window();
    return window->isVisible() ? window->windowHandle() : nullptr;
}

}  // namespace

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
    QWindow *handle = handleOf(window);
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
    const auto fail = [why, target](const QString &reason) {
        if (why)
            *why = reason;
        else  // said where the test stops
            qWarning("cannot click %s: %s", target ? target->metaObject()->className() : "nothing",
                     qPrintable(reason));
        return false;
    };
    settle();
    if (!target || !target->isVisible())
        return fail(u"not shown"_qs);
    if (local == QPoint(-1, -1))
        local = target->rect().center();
    QWidget *window = target->window();
    const QPoint point = target->mapTo(window, local);
    if (!window->rect().contains(point))
        return fail(u"outside its window"_qs);
    QWidget *hit = widgetAt(window, point);
    if (hit != target && !target->isAncestorOf(hit))
        return fail(u"covered by "_qs + QString::fromLatin1(hit->metaObject()->className()));
    // Inside every scrolled or clipped parent on the way.
    if (!target->visibleRegion().contains(local))
        return fail(u"clipped by a parent"_qs);
    return clickAt(window, point);
}

bool choose(QMenu *menu, QAction *action) {
    if (!menu || !action || !QTest::qWaitForWindowExposed(menu))
        return false;
    const QRect entry = menu->actionGeometry(action);
    return !entry.isEmpty() && clickAt(menu, entry.center());
}

bool key(QWidget *window, int key, Qt::KeyboardModifiers modifiers) {
    QWindow *handle = handleOf(window);
    if (!handle)
        return false;
    QTest::keyClick(handle, Qt::Key(key), modifiers);
    QCoreApplication::processEvents();
    return true;
}

}  // namespace RealInput
