#include "theme/controls/Pressable.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>

Pressable::Pressable(QWidget *parent) : QAbstractButton(parent), m_hover(this), m_press(this) {
    setAttribute(Qt::WA_Hover);
}

qreal Pressable::hoverAmount() const {
    if (!isInteractive())
        return 0;
    return m_pinned ? qreal(m_pinned->first) : m_hover.value();
}

qreal Pressable::pressAmount() const {
    if (!isInteractive())
        return 0;
    return m_pinned ? qreal(m_pinned->second) : m_press.value();
}

bool Pressable::showsFocus() const {
    return hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

void Pressable::pinState(bool hovered, bool pressed) {
    m_pinned = std::pair(hovered, pressed);
    update();
}

QPainterPath Pressable::shape() const {
    QPainterPath path;
    path.addRect(rect());
    return path;
}

bool Pressable::hitButton(const QPoint &pos) const {
    return isInteractive() && shape().contains(pos);
}

void Pressable::enterEvent(QEnterEvent *event) {
    m_hover.animateTo(1, Motion::hover());
    QAbstractButton::enterEvent(event);
}

void Pressable::leaveEvent(QEvent *event) {
    m_hover.animateTo(0, Motion::hover());
    QAbstractButton::leaveEvent(event);
}

void Pressable::mousePressEvent(QMouseEvent *event) {
    if (!isInteractive())
        return event->ignore();
    handle([&] { QAbstractButton::mousePressEvent(event); });
}

void Pressable::mouseMoveEvent(QMouseEvent *event) {
    handle([&] { QAbstractButton::mouseMoveEvent(event); });
}

void Pressable::mouseReleaseEvent(QMouseEvent *event) {
    handle([&] { QAbstractButton::mouseReleaseEvent(event); });
}

void Pressable::keyPressEvent(QKeyEvent *event) {
    if (!isInteractive())
        return event->ignore();
    // Return presses a focused control as Space does; the base class knows
    // only Space.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier && !event->isAutoRepeat()) {
        event->accept();
        return handle([&] { click(); });
    }
    handle([&] { QAbstractButton::keyPressEvent(event); });
}

void Pressable::keyReleaseEvent(QKeyEvent *event) {
    handle([&] { QAbstractButton::keyReleaseEvent(event); });
}

void Pressable::changeEvent(QEvent *event) {
    if (event->type() == QEvent::EnabledChange)
        followPress();
    QAbstractButton::changeEvent(event);
}

void Pressable::handle(const std::function<void()> &base) {
    // The base class emits clicked() and friends from inside these handlers,
    // and a slot may close the screen this button is on: look at ourselves
    // again only if we are still there.
    const QPointer<Pressable> alive(this);
    base();
    if (alive)
        followPress();
}

void Pressable::followPress() {
    // The button may have been released, or the pointer dragged off it,
    // without a signal: follow the down state itself.
    m_press.animateTo(isDown() ? 1 : 0, Motion::press());
    update();
}
