#include "theme/controls/RollingText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

#include "theme/Theme.h"

namespace {

constexpr qreal kRollDistance = 0.45;  // of the line height

// Where each character of `text` starts, tracking included.
QList<qreal> offsets(const QString &text, const QFont &font) {
    const QFontMetricsF metrics(font);
    QList<qreal> out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) out.append(metrics.horizontalAdvance(text.left(i)));
    return out;
}

}  // namespace

RollingText::RollingText(const TextStyle &style, QWidget *parent)
    : QWidget(parent), m_style(style), m_roll(this, 1) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void RollingText::setText(const QString &text) {
    if (text == m_text)
        return;
    m_previous = m_text;
    m_text = text;
    setAccessibleName(spoken());
    updateGeometry();
    if (m_rolling && !m_previous.isEmpty()) {
        m_roll.jumpTo(0);
        m_roll.animateTo(1, Motion::out());
    } else {
        m_roll.jumpTo(1);
    }
}

// The text and its suffix sit apart on screen; heard, they need a space.
QString RollingText::spoken() const {
    return m_suffix.isEmpty() ? m_text : m_text + u' ' + m_suffix;
}

void RollingText::setColor(Color color) {
    m_style.color = color;
    update();
}

void RollingText::setSuffix(const QString &suffix, const TextStyle &style, int spacing) {
    m_suffix = suffix;
    m_suffixStyle = style;
    m_spacing = spacing;
    setAccessibleName(spoken());
    updateGeometry();
    update();
}

qreal RollingText::baseline() const {
    const QFontMetricsF big(m_style.font);
    return big.ascent();
}

QSize RollingText::sizeHint() const {
    const QFontMetricsF big(m_style.font);
    qreal width = big.horizontalAdvance(m_text);
    qreal descent = big.descent();
    if (!m_suffix.isEmpty()) {
        const QFontMetricsF small(m_suffixStyle.font);
        width += m_spacing + small.horizontalAdvance(m_suffix);
        descent = qMax(descent, small.descent());
    }
    return {qCeil(width), qCeil(big.ascent() + descent)};
}

QSize RollingText::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void RollingText::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const qreal y = baseline();
    const QFontMetricsF big(m_style.font);
    qreal suffixWidth = 0;
    if (!m_suffix.isEmpty())
        suffixWidth = m_spacing + QFontMetricsF(m_suffixStyle.font).horizontalAdvance(m_suffix);
    const qreal room = width() - suffixWidth;
    const qreal progress = m_roll.value();

    if (progress < 1 && big.horizontalAdvance(m_text) <= room) {
        paintRoll(painter, y, progress);
    } else {
        painter.setFont(m_style.font);
        painter.setPen(Theme::instance().color(m_style.color));
        painter.drawText(QPointF(0, y), big.elidedText(m_text, Qt::ElideRight, qMax(room, 0.0)));
    }
    if (!m_suffix.isEmpty()) {
        painter.setFont(m_suffixStyle.font);
        painter.setPen(Theme::instance().color(m_suffixStyle.color));
        painter.drawText(QPointF(qMin(room, big.horizontalAdvance(m_text)) + m_spacing, y),
                         m_suffix);
    }
}

// Characters are compared position by position: equal ones stand still,
// the others trade places vertically.
void RollingText::paintRoll(QPainter &painter, qreal y, qreal progress) const {
    const QColor color = Theme::instance().color(m_style.color);
    const QList<qreal> from = offsets(m_previous, m_style.font);
    const QList<qreal> to = offsets(m_text, m_style.font);
    const qreal distance = kRollDistance * QFontMetricsF(m_style.font).height();
    painter.setFont(m_style.font);
    painter.setPen(color);
    for (qsizetype i = 0; i < qMax(m_text.size(), m_previous.size()); ++i) {
        const bool hasNew = i < m_text.size(), hasOld = i < m_previous.size();
        if (hasNew && hasOld && m_text[i] == m_previous[i]) {
            painter.setOpacity(1);
            painter.drawText(QPointF(to[i], y), QString(m_text[i]));
            continue;
        }
        if (hasOld) {
            painter.setOpacity(1 - progress);
            painter.drawText(QPointF(from[i], y - distance * progress), QString(m_previous[i]));
        }
        if (hasNew) {
            painter.setOpacity(progress);
            painter.drawText(QPointF(to[i], y + distance * (1 - progress)), QString(m_text[i]));
        }
    }
    painter.setOpacity(1);
}
