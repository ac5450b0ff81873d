#include "theme/controls/Badge.h"

#include <QHash>
#include <QPainter>
#include <QtMath>

#include "theme/Text.h"
#include "theme/Theme.h"

using M = Badge::Metrics;

namespace {

TextStyle badgeText() {
    return textStyle(M::textSize, QFont::Medium);
}

}  // namespace

Badge::Colors Badge::colors(Color tint) {
    const Theme &theme = Theme::instance();
    const QColor own = theme.color(tint);
    if (tint == Color::gray900)
        return {theme.color(Color::gray1000), theme.color(Color::gray100), own};
    return {own, withOpacity(own, M::fillOpacity), own};
}

Badge::Badge(const QString &text, Color tint, bool dot, QWidget *parent)
    : QWidget(parent), m_text(text), m_tint(tint), m_dot(dot) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text);
}

void Badge::setText(const QString &text) {
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void Badge::setTint(Color tint) {
    m_tint = tint;
    update();
}

void Badge::setDot(bool dot) {
    m_dot = dot;
    updateGeometry();
    update();
}

QSize Badge::sizeHint() const {
    const qreal dot = m_dot ? M::dot + M::spacing : 0;
    return {qCeil(2 * M::padding + dot + textWidth(m_text, badgeText())), M::height};
}

void Badge::paintEvent(QPaintEvent *) {
    const Colors c = colors(m_tint);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(c.fill);
    const QRectF bounds = rect();
    const qreal radius = bounds.height() / 2;
    painter.drawRoundedRect(bounds, radius, radius);

    qreal x = M::padding;
    if (m_dot) {
        painter.setBrush(c.dot);
        painter.drawEllipse(QRectF(x, bounds.center().y() - M::dot / 2.0, M::dot, M::dot));
        x += M::dot + M::spacing;
    }
    painter.setFont(badgeText().font);
    painter.setPen(c.text);
    painter.drawText(QRectF(x, 0, bounds.width() - x, bounds.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_text);
}

QPixmap Badge::pixmap(const QString &text, Color tint, qreal devicePixelRatio) {
    static QHash<QString, QPixmap> cache;
    const QString key = text + u'\n' + QString::number(int(tint)) + u'\n' +
                        QString::number(int(Theme::instance().appearance())) + u'\n' +
                        QString::number(devicePixelRatio);
    auto found = cache.constFind(key);
    if (found != cache.cend())
        return *found;
    Badge badge(text, tint);
    badge.resize(badge.sizeHint());
    QPixmap picture(badge.size() * devicePixelRatio);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(Qt::transparent);
    badge.render(&picture, {}, {}, QWidget::DrawChildren);
    cache.insert(key, picture);
    return picture;
}
