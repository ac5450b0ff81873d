#pragma once

#include <QWidget>

#include "theme/Animated.h"
#include "theme/Text.h"

// One line of text, optionally followed by a smaller suffix on the same
// baseline ("42" "/100"). A changed text can roll: characters that differ
// slide up and fade out while their replacements rise in, along
// Motion::out(). Too narrow for its text, it elides on the right.
class RollingText : public QWidget {
    Q_OBJECT
public:
    explicit RollingText(const TextStyle &style, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    Color color() const { return m_style.color; }
    void setColor(Color color);
    QString suffix() const { return m_suffix; }
    void setSuffix(const QString &suffix, const TextStyle &style, int spacing);
    // Whether changes roll; off, a new text simply replaces the old one.
    void setRolling(bool rolling) { m_rolling = rolling; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString spoken() const;
    qreal baseline() const;
    void paintRoll(QPainter &painter, qreal y, qreal progress) const;

    TextStyle m_style;
    TextStyle m_suffixStyle;
    QString m_text;
    QString m_previous;
    QString m_suffix;
    int m_spacing = 0;
    bool m_rolling = true;
    Transition m_roll;  // 1 once the new text has settled
};
