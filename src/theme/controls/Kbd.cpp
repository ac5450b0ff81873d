#include "theme/controls/Kbd.h"

#include <QPainter>
#include <QtMath>

#include "theme/Text.h"
#include "theme/Theme.h"

using M = Kbd::Metrics;

namespace {

TextStyle keyText() {
    return monoStyle(M::textSize, QFont::Normal, Color::gray900);
}

}  // namespace

QString Kbd::shown(const QString &keys) {
    // The command key is the one part that differs between desktops.
    return QString(keys).replace(u"⌘"_qs, tr("⌘"));
}

Kbd::Kbd(const QString &keys, QWidget *parent) : QWidget(parent), m_keys(shown(keys)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(m_keys);
}

void Kbd::setKeys(const QString &keys) {
    m_keys = shown(keys);
    setAccessibleName(m_keys);
    updateGeometry();
    update();
}

QSize Kbd::sizeHint() const {
    return {qCeil(textWidth(m_keys, keyText())) + 2 * M::padding, M::height};
}

void Kbd::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::instance().color(Color::gray100));
    painter.drawRoundedRect(rect(), M::radius, M::radius);
    drawHairline(painter, rect(), M::radius);
    drawText(painter, rect(), Qt::AlignCenter | Qt::TextSingleLine, m_keys, keyText());
}
