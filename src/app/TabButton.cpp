#include "app/TabButton.h"

#include <QPainter>
#include <QtMath>

#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/HoverRow.h"

using M = TabButton::Metrics;

TabButton::TabButton(Pane pane, QWidget *parent) : Pressable(parent), m_pane(pane) {
    setText(Panes::title(pane));
    setToolTip(toolTipFor(pane));
    // Checked is the selected tab; assistive tools read it as a selected page tab.
    setCheckable(true);
    setShortcut(QKeySequence(
        QKeyCombination(Qt::ControlModifier, Qt::Key(Qt::Key_1 + Panes::all().indexOf(pane)))));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QString TabButton::toolTipFor(Pane pane) {
    return Panes::title(pane) + tr("  ⌘") + Panes::shortcutKey(pane);
}

void TabButton::setSelected(bool selected) {
    setChecked(selected);
    update();
}

QSize TabButton::sizeHint() const {
    const qreal title = textWidth(text(), textStyle(M::textSize));
    return {qCeil(title) + 2 * M::padding, M::height + M::below};
}

void TabButton::paintEvent(QPaintEvent *) {
    const Theme &theme = Theme::instance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF fill(0, 0, width(), M::height);
    const qreal hover = hoverAmount();
    if (hover > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(withOpacity(theme.color(Color::alpha100), hover));
        painter.drawRoundedRect(fill, M::radius, M::radius);
    }
    const qreal strength = isSelected() ? 1 : hover;
    painter.setFont(textStyle(M::textSize).font);
    painter.setPen(mix(theme.color(Color::gray900), theme.color(Color::gray1000), strength));
    painter.drawText(fill, Qt::AlignCenter | Qt::TextSingleLine, text());
    if (showsFocus())
        HoverRow::paintFocus(painter, fill);  // reached with Tab
    if (isSelected()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(theme.color(Color::gray1000));
        painter.drawRect(QRectF(M::markInset, height() - M::markHeight, width() - 2 * M::markInset,
                                M::markHeight));
    }
}
