#include "theme/controls/Status.h"

#include <QHBoxLayout>

#include "theme/Text.h"
#include "theme/controls/StatusDot.h"

Status::Status(const QString &text, Color tint, bool pulsing, QWidget *parent)
    : QWidget(parent),
      m_dot(new StatusDot(tint, pulsing)),
      m_text(new Label(text, textStyle(textSize, QFont::Medium))) {
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);
    row->addWidget(m_dot);
    row->addWidget(m_text);
    setAccessibleName(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QString Status::text() const {
    return m_text->text();
}

Color Status::tint() const {
    return m_dot->tint();
}

void Status::setTextStyle(const TextStyle &style) {
    m_text->setStyle(style);
}

void Status::setText(const QString &text) {
    m_text->setText(text);
    setAccessibleName(text);
}

void Status::setTint(Color tint) {
    m_dot->setTint(tint);
}
void Status::setPulsing(bool pulsing) {
    m_dot->setPulsing(pulsing);
}
