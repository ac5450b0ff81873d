#pragma once

#include <QWidget>

#include "theme/Color.h"
#include "theme/Text.h"

class Label;
class StatusDot;

// A status dot followed by a short text; read out as one element.
class Status : public QWidget {
    Q_OBJECT
public:
    static constexpr int spacing = 6;
    static constexpr qreal textSize = 14;

    explicit Status(const QString &text = {}, Color tint = Color::green, bool pulsing = false,
                    QWidget *parent = nullptr);
    QString text() const;
    void setText(const QString &text);
    Color tint() const;
    void setTextStyle(const TextStyle &style);
    void setTint(Color tint);
    void setPulsing(bool pulsing);

private:
    StatusDot *m_dot;
    Label *m_text;
};
