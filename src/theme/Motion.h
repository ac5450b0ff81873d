#pragma once

#include <QEasingCurve>

class QWidget;

// How things move: an easing curve and a duration.
struct Motion {
    QEasingCurve curve;
    int durationMs = 0;

    // The default for state changes: a fast start easing into a long, soft
    // landing; cubic bezier (0.23, 1), (0.32, 1), 200 ms.
    static Motion out();
    // The same curve, 140 ms, for press feedback.
    static Motion press();
    // Ease-out, 120 ms, for pointer hover.
    static Motion hover();

    // A cubic bezier from (0, 0) to (1, 1) with the two control points given.
    static QEasingCurve cubicBezier(QPointF c1, QPointF c2);
};

// Fades `widget` in while it moves up from 4 points below its place, with
// Motion::out(). Shows it at once when animations are off.
void rise(QWidget *widget);

// Shows or hides `widget` with a fade over Motion::out(), taking over from a
// fade still running. Switches at once where nobody would see it: animations
// off, or its parent not on screen.
void fade(QWidget *widget, bool visible);
