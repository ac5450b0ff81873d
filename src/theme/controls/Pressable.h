#pragma once

#include <QAbstractButton>
#include <QPainterPath>

#include <functional>
#include <optional>

#include "theme/Animated.h"

// The shared base of everything clickable: tracks hover and press as animated
// amounts and decides whether the control takes input. Subclasses only paint.
// A control that does not take input shows no hover and ignores the pointer
// and the keyboard.
class Pressable : public QAbstractButton {
    Q_OBJECT
public:
    explicit Pressable(QWidget *parent = nullptr);

    // Enabled and not busy.
    virtual bool isInteractive() const { return isEnabled(); }

    // 0...1, following the pointer with Motion::hover() and the press with
    // Motion::press(); 0 while the control does not take input.
    qreal hoverAmount() const;
    qreal pressAmount() const;
    // Focused by the keyboard (Tab), so the focus should be drawn.
    bool showsFocus() const;

    // Holds the look of hovering and pressing regardless of the pointer, so a
    // gallery can show every state side by side.
    void pinState(bool hovered, bool pressed);

protected:
    // The clickable area, in widget coordinates.
    virtual QPainterPath shape() const;

    bool hitButton(const QPoint &pos) const override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Runs the base class's handler, then follows the press unless a slot
    // it reached deleted this button.
    void handle(const std::function<void()> &base);
    void followPress();

    Transition m_hover;
    Transition m_press;
    std::optional<std::pair<bool, bool>> m_pinned;
};
