#include "theme/Icon.h"

#include <QPainter>

#include "theme/IconStore.h"
#include "theme/Theme.h"

Icon::Icon(const QString &name, int size, Color color, QWidget *parent)
    : QWidget(parent), m_name(name), m_size(size), m_color(color) {
    setFixedSize(size, size);
}

void Icon::setName(const QString &name) {
    m_name = name;
    update();
}

void Icon::setColor(Color color) {
    m_color = color;
    update();
}

void Icon::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    IconStore::shared().paint(painter, rect(), m_name, Theme::instance().color(m_color));
}
