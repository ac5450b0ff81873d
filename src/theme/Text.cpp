#include "theme/Text.h"

#include <QFontMetricsF>
#include <QPainter>

#include "theme/Fonts.h"
#include "theme/Theme.h"

namespace {

constexpr qreal kHeadingTracking = -0.04;  // of the size
constexpr qreal kEyebrowSize = 11;
constexpr qreal kEyebrowTracking = 0.4;
constexpr qreal kHairlineWidth = 1;

}  // namespace

TextStyle textStyle(qreal size, QFont::Weight weight, Color color) {
    return {Font::geist(size, weight), color};
}

TextStyle monoStyle(qreal size, QFont::Weight weight, Color color) {
    return {Font::geistMono(size, weight), color};
}

TextStyle heading(qreal size) {
    TextStyle style = textStyle(size, QFont::DemiBold);
    style.font.setLetterSpacing(QFont::AbsoluteSpacing, kHeadingTracking * size);
    return style;
}

TextStyle eyebrow() {
    TextStyle style = monoStyle(kEyebrowSize, QFont::Medium, Color::gray900);
    style.font.setCapitalization(QFont::AllUppercase);
    style.font.setLetterSpacing(QFont::AbsoluteSpacing, kEyebrowTracking);
    return style;
}

void drawText(QPainter &painter, const QRectF &rect, int flags, const QString &text,
              const TextStyle &style) {
    painter.setFont(style.font);
    painter.setPen(Theme::instance().color(style.color));
    painter.drawText(rect, flags, text);
}

qreal textWidth(const QString &text, const TextStyle &style) {
    return QFontMetricsF(style.font).horizontalAdvance(text);
}

QString withCode(const QString &plain) {
    const QStringList parts = plain.split(u'`');
    QString html;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString text = parts[i].toHtmlEscaped();
        // Odd parts lie between backticks; a last odd part has no closing one.
        if (i % 2 == 1 && i + 1 < parts.size()) {
            // Rich text breaks lines inside a span whatever its white-space
            // says: no-break spaces, and a word joiner after each hyphen and
            // slash, keep a command on one line.
            QString code = text;
            code.replace(u' ', QChar::Nbsp);
            code.replace(u"-"_qs, u"-\u2060"_qs).replace(u"/"_qs, u"/\u2060"_qs);
            html += u"<span style=\"font-family:'Geist Mono'; white-space:pre\">"_qs + code +
                    u"</span>"_qs;
        } else {
            html += (i % 2 == 1 ? u"`"_qs : QString()) + text;
        }
    }
    return html;
}

QString messageWithHint(const QString &message, const QString &hint) {
    if (message.trimmed().isEmpty())
        return withCode(hint.trimmed());
    return withCode(message.trimmed()) + u"<br>"_qs + withCode(hint.trimmed());
}

void drawHairline(QPainter &painter, const QRectF &rect, qreal radius) {
    const qreal inset = kHairlineWidth / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Theme::instance().color(Color::border), kHairlineWidth));
    painter.drawRoundedRect(rect.adjusted(inset, inset, -inset, -inset), radius - inset,
                            radius - inset);
    painter.restore();
}

Label::Label(const QString &text, const TextStyle &style, QWidget *parent)
    : QLabel(text, parent), m_color(style.color) {
    setFont(style.font);
    applyColor();
    connect(&Theme::instance(), &Theme::appearanceChanged, this, &Label::applyColor);
}

void Label::setStyle(const TextStyle &style) {
    setFont(style.font);
    m_color = style.color;
    applyColor();
}

void Label::applyColor() {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, Theme::instance().color(m_color));
    setPalette(p);
}
