#include "theme/Motion.h"

#include <QGraphicsEffect>
#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QVariantAnimation>
#include <QWidget>

#include <functional>

#include "theme/Theme.h"

QEasingCurve Motion::cubicBezier(QPointF c1, QPointF c2) {
    // Without a segment ending exactly at (1, 1) the curve quietly turns linear.
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(c1, c2, QPointF(1, 1));
    return curve;
}

Motion Motion::out() {
    return {cubicBezier({0.23, 1}, {0.32, 1}), 200};
}
Motion Motion::press() {
    return {cubicBezier({0.23, 1}, {0.32, 1}), 140};
}
Motion Motion::hover() {
    return {cubicBezier({0, 0}, {0.58, 1}), 120};
}

namespace {

constexpr qreal kRiseDistance = 4;

// Draws its widget faded and lowered by the remaining part of the rise.
class RiseEffect : public QGraphicsEffect {
public:
    using QGraphicsEffect::QGraphicsEffect;
    void setProgress(qreal progress) {
        m_progress = progress;
        update();
    }

protected:
    void draw(QPainter *painter) override {
        QPoint offset;
        const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset);
        painter->save();
        painter->setOpacity(painter->opacity() * m_progress);
        painter->drawPixmap(QPointF(offset) + QPointF(0, kRiseDistance * (1 - m_progress)), pixmap);
        painter->restore();
    }
    QRectF boundingRectFor(const QRectF &rect) const override {
        return rect.adjusted(0, 0, 0, kRiseDistance);
    }

private:
    qreal m_progress = 0;
};

// Drives `effect` on `widget` from `from` to `to` with Motion::out(), handing
// each value to `step`. Once settled the effect is dropped, as it costs an
// offscreen pass per paint, unless another has replaced it; then `settled`.
template <typename Effect, typename Step>
QVariantAnimation *play(
    QWidget *widget, Effect *effect, qreal from, qreal to, Step step,
    std::function<void()> settled = [] {}) {
    const Motion motion = Motion::out();
    auto *animation = new QVariantAnimation(widget);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->setDuration(motion.durationMs);
    animation->setEasingCurve(motion.curve);
    QObject::connect(animation, &QVariantAnimation::valueChanged, effect,
                     [effect, step](const QVariant &value) { (effect->*step)(value.toReal()); });
    QObject::connect(animation, &QVariantAnimation::finished, widget,
                     [widget, effect, settled = std::move(settled)] {
                         if (widget->graphicsEffect() == effect)
                             widget->setGraphicsEffect(nullptr);
                         settled();
                     });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    return animation;
}

}  // namespace

void rise(QWidget *widget) {
    if (!Theme::instance().animationsEnabled())
        return;
    auto *effect = new RiseEffect(widget);
    widget->setGraphicsEffect(effect);
    play(widget, effect, 0, 1, &RiseEffect::setProgress);
}

void fade(QWidget *widget, bool visible) {
    const QString name = u"fade"_qs;
    auto *running = widget->findChild<QVariantAnimation *>(name, Qt::FindDirectChildrenOnly);
    const bool heading = running ? running->endValue().toReal() > 0 : !widget->isHidden();
    if (heading == visible) {
        if (!running)
            widget->setVisible(visible);  // makes a new child's state explicit
        return;
    }
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(widget->graphicsEffect());
    const qreal from = effect ? effect->opacity() : visible ? 0.0 : 1.0;
    if (running) {
        running->disconnect();  // its end would hide or unveil the widget
        delete running;
    }
    const bool seen = widget->parentWidget() && widget->parentWidget()->isVisible();
    if (!seen || !Theme::instance().animationsEnabled()) {
        if (effect)
            widget->setGraphicsEffect(nullptr);
        widget->setVisible(visible);
        return;
    }
    if (!effect) {
        effect = new QGraphicsOpacityEffect(widget);
        widget->setGraphicsEffect(effect);
    }
    effect->setOpacity(from);
    widget->setVisible(true);
    play(widget, effect, from, visible ? 1 : 0, &QGraphicsOpacityEffect::setOpacity,
         [widget, visible] { widget->setVisible(visible); })
        ->setObjectName(name);
}
