#include "theme/controls/GButton.h"

#include <QPainter>
#include <QtMath>

#include "theme/IconStore.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/Spinner.h"

using M = GButton::Metrics;

namespace {

TextStyle titleStyle() {
    return textStyle(M::textSize, QFont::Medium);
}

}  // namespace

GButton::Colors GButton::colors(Kind kind, qreal hover) {
    const Theme &theme = Theme::instance();
    const QColor none = Qt::transparent;
    const auto solid = [hover](QColor fill) {
        return withOpacity(fill, 1 - (1 - M::hoverOpacity) * hover);
    };
    switch (kind) {
        case Kind::primary:
            return {theme.color(Color::bg100), solid(theme.color(Color::gray1000)), none};
        case Kind::secondary:
            return {theme.color(Color::gray1000),
                    mix(theme.color(Color::bg100), theme.color(Color::gray100), hover),
                    theme.color(Color::border)};
        case Kind::tertiary:
            return {theme.color(Color::gray1000), withOpacity(theme.color(Color::alpha100), hover),
                    none};
        case Kind::error:
            return {Qt::white, solid(theme.color(Color::red)), none};
    }
    Q_UNREACHABLE();
}

GButton::GButton(const QString &title, Kind kind, QWidget *parent)
    : Pressable(parent),
      m_look{title, {}, kind},
      m_previous(m_look),
      m_fade(this, 1),
      m_spin(this, Spinner::periodMs, Spinner::curve(), Loop::Kind::essential) {
    setText(title);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    m_spin.setWanted(false);
}

void GButton::setTitle(const QString &title) {
    changeLook({title, m_look.icon, m_look.kind});
}
void GButton::setIconName(const QString &name) {
    changeLook({m_look.title, name, m_look.kind});
}
void GButton::setKind(Kind kind) {
    changeLook({m_look.title, m_look.icon, kind});
}

void GButton::changeLook(const Look &look) {
    m_previous = m_look;
    m_look = look;
    setText(look.title);
    // A control not on screen yet has nothing to fade from.
    if (isVisible()) {
        m_fade.jumpTo(0);
        m_fade.animateTo(1, Motion::out());
    } else {
        m_previous = look;
        m_fade.jumpTo(1);
    }
    updateGeometry();
}

void GButton::setLoading(bool loading) {
    if (m_loading == loading)
        return;
    m_loading = loading;
    // Disabled, so neither click() nor a shortcut starts the work twice.
    if (loading) {
        m_enabledBeforeLoading = isEnabled();
        setDown(false);
        setEnabled(false);
    } else {
        setEnabled(m_enabledBeforeLoading);
    }
    m_spin.setWanted(loading);
    updateGeometry();
    update();
}

void GButton::setHeight(int height) {
    m_height = height;
    updateGeometry();
}

bool GButton::isInteractive() const {
    return Pressable::isInteractive() && !m_loading;
}

qreal GButton::labelWidth(const Look &look) const {
    const int glyph = m_loading ? M::spinnerSize : look.icon.isEmpty() ? 0 : M::iconSize;
    const qreal title = look.title.isEmpty() ? 0 : textWidth(look.title, titleStyle());
    return glyph + (glyph && title ? M::spacing : 0) + title;
}

QSize GButton::sizeHint() const {
    return {qCeil(labelWidth(m_look)) + 2 * M::padding, m_height};
}

QPainterPath GButton::shape() const {
    QPainterPath path;
    path.addRoundedRect(rect(), M::radius, M::radius);
    return path;
}

void GButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isInteractive())
        painter.setOpacity(M::disabledOpacity);
    const qreal scale = 1 - (1 - M::pressedScale) * pressAmount();
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);

    const qreal fade = m_fade.value();
    if (fade < 1) {
        paintBackground(painter, m_previous.kind, 1);
        paintLabel(painter, m_previous, 1 - fade);
    }
    paintBackground(painter, m_look.kind, fade);
    paintLabel(painter, m_look, fade);
    if (showsFocus()) {
        const qreal inset = M::focusRing / 2;
        painter.setPen(QPen(Theme::instance().color(Color::blue), M::focusRing));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset),
                                M::radius - inset, M::radius - inset);
    }
}

void GButton::paintBackground(QPainter &painter, Kind kind, qreal opacity) const {
    const Colors c = colors(kind, qMax(hoverAmount(), pressAmount()));
    const QRectF shapeRect = rect();
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    painter.setPen(Qt::NoPen);
    painter.setBrush(c.background);
    painter.drawRoundedRect(shapeRect, M::radius, M::radius);
    if (c.outline.alpha() > 0)
        drawHairline(painter, shapeRect, M::radius);
    painter.restore();
}

void GButton::paintLabel(QPainter &painter, const Look &look, qreal opacity) const {
    if (opacity <= 0)
        return;
    const Colors c = colors(look.kind, 0);
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    const QRectF bounds = rect();
    qreal x = bounds.center().x() - labelWidth(look) / 2;
    if (m_loading) {
        // The spinner sits on the button's own fill colour for solid kinds.
        const bool solid = look.kind == Kind::primary || look.kind == Kind::error;
        const QColor tint = Theme::instance().color(solid ? Color::bg100 : Color::gray1000);
        const QRectF box(x, bounds.center().y() - M::spinnerSize / 2.0, M::spinnerSize,
                         M::spinnerSize);
        Spinner::paint(painter, box, tint, m_spin.phase());
        x += M::spinnerSize + M::spacing;
    } else if (!look.icon.isEmpty()) {
        const QRectF box(qRound(x), qRound(bounds.center().y() - M::iconSize / 2.0), M::iconSize,
                         M::iconSize);
        IconStore::shared().paint(painter, box, look.icon, c.text);
        x += M::iconSize + M::spacing;
    }
    TextStyle style = titleStyle();
    painter.setFont(style.font);
    painter.setPen(c.text);
    painter.drawText(QRectF(x, bounds.top(), bounds.right() - x, bounds.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, look.title);
    painter.restore();
}
