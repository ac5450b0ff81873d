#include "theme/Motion.h"

#include <QGraphicsEffect>
#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QVariantAnimation>
#include <QWidget>

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

}  // namespace

void rise(QWidget *widget) {
    if (!Theme::instance().animationsEnabled())
        return;
    auto *effect = new RiseEffect(widget);
    widget->setGraphicsEffect(effect);
    const Motion motion = Motion::out();
    auto *animation = new QVariantAnimation(widget);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setDuration(motion.durationMs);
    animation->setEasingCurve(motion.curve);
    QObject::connect(animation, &QVariantAnimation::valueChanged, effect,
                     [effect](const QVariant &value) { effect->setProgress(value.toReal()); });
    // The effect costs an offscreen pass per paint: drop it once settled,
    // unless a later rise has replaced it.
    QObject::connect(animation, &QVariantAnimation::finished, effect, [widget, effect] {
        if (widget->graphicsEffect() == effect)
            widget->setGraphicsEffect(nullptr);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
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
    const Motion motion = Motion::out();
    auto *animation = new QVariantAnimation(widget);
    animation->setObjectName(name);
    animation->setStartValue(from);
    animation->setEndValue(visible ? 1.0 : 0.0);
    animation->setDuration(motion.durationMs);
    animation->setEasingCurve(motion.curve);
    QObject::connect(animation, &QVariantAnimation::valueChanged, effect,
                     [effect](const QVariant &value) { effect->setOpacity(value.toReal()); });
    QObject::connect(animation, &QVariantAnimation::finished, widget, [widget, visible] {
        widget->setGraphicsEffect(nullptr);  // an offscreen pass per paint is wasted once settled
        widget->setVisible(visible);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}
