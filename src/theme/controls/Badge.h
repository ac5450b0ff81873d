#pragma once

#include <QPixmap>
#include <QWidget>

#include "theme/Color.h"

// A small capsule with a short text and an optional dot, in a tint. The
// neutral badge (tint gray900) uses plain text on a grey fill; any other
// tint colours the text and a faint fill of its own.
class Badge : public QWidget {
    Q_OBJECT
public:
    struct Metrics {
        static constexpr int height = 22;
        static constexpr int padding = 8;  // left and right
        static constexpr int spacing = 5;
        static constexpr int dot = 6;
        static constexpr qreal textSize = 12;
        static constexpr qreal fillOpacity = 0.14;
    };

    struct Colors {
        QColor text;
        QColor fill;
        QColor dot;
    };
    static Colors colors(Color tint);

    explicit Badge(const QString &text = {}, Color tint = Color::gray900, bool dot = false,
                   QWidget *parent = nullptr);
    void setText(const QString &text);
    void setTint(Color tint);
    void setDot(bool dot);
    QSize sizeHint() const override;

    // The badge as a picture for item delegates, drawn once per text, tint,
    // appearance and pixel ratio (GUI thread only).
    static QPixmap pixmap(const QString &text, Color tint, qreal devicePixelRatio);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    Color m_tint;
    bool m_dot;
};
