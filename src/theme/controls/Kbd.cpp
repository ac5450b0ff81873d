#include "theme/controls/Kbd.h"

#include <QPainter>
#include <QtMath>

#include "theme/Text.h"
#include "theme/controls/Card.h"

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
    paintCard(painter, rect(), M::radius, Color::gray100);
    drawText(painter, rect(), Qt::AlignCenter | Qt::TextSingleLine, m_keys, keyText());
}
