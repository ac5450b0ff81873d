#include "theme/controls/ElidedLabel.h"

#include <QFontMetrics>

namespace {

constexpr int kMinimumCharacters = 6;

}  // namespace

ElidedLabel::ElidedLabel(const QString &text, const TextStyle &style, Qt::TextElideMode mode,
                         QWidget *parent)
    : Label({}, style, parent), m_mode(mode) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFullText(text);
}

void ElidedLabel::setFullText(const QString &text) {
    m_full = text;
    setToolTip(text);
    elide();
    updateGeometry();
}

QSize ElidedLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_full) + 2, metrics.height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    const QFontMetrics metrics(font());
    const int few = metrics.horizontalAdvance(m_full.left(kMinimumCharacters) + u'…');
    return {qMin(few, sizeHint().width()), metrics.height()};
}

void ElidedLabel::resizeEvent(QResizeEvent *event) {
    Label::resizeEvent(event);
    elide();
}

void ElidedLabel::elide() {
    const QString shown = QFontMetrics(font()).elidedText(m_full, m_mode, width());
    if (shown != text())
        setText(shown);
}
