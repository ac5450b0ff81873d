#include "theme/Animated.h"

#include <QEvent>
#include <QWidget>

#include "theme/Theme.h"

Transition::Transition(QWidget *widget, qreal initial)
    : QObject(widget), m_widget(widget), m_value(initial), m_target(initial) {
    connect(&m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_value = value.toReal();
        m_widget->update();
    });
}

void Transition::animateTo(qreal target, const Motion &motion) {
    if (target == m_target)
        return;
    if (!Theme::instance().animationsEnabled())
        return jumpTo(target);
    m_target = target;
    m_animation.stop();
    m_animation.setStartValue(m_value);
    m_animation.setEndValue(target);
    m_animation.setDuration(motion.durationMs);
    m_animation.setEasingCurve(motion.curve);
    m_animation.start();
}

void Transition::jumpTo(qreal value) {
    m_animation.stop();
    m_value = m_target = value;
    m_widget->update();
}

Loop::Loop(QWidget *widget, int periodMs, const QEasingCurve &curve, Kind kind)
    : QObject(widget), m_widget(widget), m_kind(kind) {
    m_animation.setStartValue(0.0);
    m_animation.setEndValue(1.0);
    m_animation.setDuration(periodMs);
    m_animation.setEasingCurve(curve);
    m_animation.setLoopCount(-1);
    connect(&m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_phase = value.toReal();
        m_widget->update();
    });
    connect(&Theme::instance(), &Theme::motionChanged, this, &Loop::sync);
    widget->installEventFilter(this);
    sync();
}

void Loop::setWanted(bool wanted) {
    m_wanted = wanted;
    sync();
}

bool Loop::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_widget && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        sync();
    return QObject::eventFilter(watched, event);
}

void Loop::sync() {
    const Theme &theme = Theme::instance();
    const bool allowed =
        m_kind == Kind::essential ? theme.essentialAnimationsEnabled() : theme.animationsEnabled();
    const bool run = m_wanted && m_widget->isVisible() && allowed;
    if (run && m_animation.state() != QAbstractAnimation::Running) {
        m_animation.start();
    } else if (!run && m_animation.state() != QAbstractAnimation::Stopped) {
        m_animation.stop();
        m_phase = 0;
        m_widget->update();
    }
}
