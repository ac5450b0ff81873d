#pragma once

#include <QColor>

// The fourteen named colours every screen paints with. Each has a light and a
// dark value; Theme::color() picks one for the current appearance, so paint
// code resolves them on every paint and an appearance switch needs no restart.
enum class Color {
    bg100,    // cards, top bar, pills
    bg200,    // window background
    gray100,  // neutral fills (step circles, chips)
    gray200,
    gray400,
    gray600,   // faint text, separators in text
    gray900,   // secondary text
    gray1000,  // primary text, logo
    alpha100,  // hover fills
    border,    // outlines and rules
    blue,
    green,  // success, granted
    amber,  // warnings, waiting
    red,    // errors, denied
};

enum class Appearance { light, dark };

// The value of `color` in `appearance`, in sRGB.
QColor resolve(Color color, Appearance appearance);

// `color` with its alpha multiplied by `opacity` (0...1).
QColor withOpacity(QColor color, qreal opacity);

// The colour a fraction `t` (0...1) of the way from `from` to `to`.
QColor mix(const QColor &from, const QColor &to, qreal t);
