#pragma once

#include <QObject>
#include <QVariantAnimation>

#include "theme/Motion.h"

class QWidget;

// A number that glides to each new target along a motion, repainting its
// widget on every step. Jumps straight there when animations are off.
class Transition : public QObject {
    Q_OBJECT
public:
    explicit Transition(QWidget *widget, qreal initial = 0);

    qreal value() const { return m_value; }
    qreal target() const { return m_target; }
    void animateTo(qreal target, const Motion &motion);
    void jumpTo(qreal value);

private:
    QWidget *m_widget;
    QVariantAnimation m_animation;
    qreal m_value;
    qreal m_target;
};

// A phase running from 0 to 1 over and over (spinners, pulses). It runs only
// while it is wanted, its widget is visible and animations are on; otherwise
// the phase rests at 0.
class Loop : public QObject {
    Q_OBJECT
public:
    // An essential loop (a spinner) keeps running under reduced motion; a
    // decorative one (a pulse) rests.
    enum class Kind { decorative, essential };

    Loop(QWidget *widget, int periodMs, const QEasingCurve &curve, Kind kind = Kind::decorative);

    qreal phase() const { return m_phase; }
    void setWanted(bool wanted);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void sync();

    QWidget *m_widget;
    QVariantAnimation m_animation;
    qreal m_phase = 0;
    bool m_wanted = true;
    Kind m_kind;
};
