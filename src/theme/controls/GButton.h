#pragma once

#include "theme/Animated.h"
#include "theme/Color.h"
#include "theme/controls/Pressable.h"

// The push button every screen uses: an optional icon (a spinner while
// loading) and a one-line title on a rounded shape, at its natural width.
// Loading disables it (no clicks, no shortcut) until it ends.
class GButton : public Pressable {
    Q_OBJECT
public:
    enum class Kind { primary, secondary, tertiary, error };

    struct Metrics {
        static constexpr int defaultHeight = 32;
        static constexpr int padding = 12;  // left and right
        static constexpr int spacing = 6;   // glyph to title
        static constexpr int iconSize = 15;
        static constexpr int spinnerSize = 12;
        static constexpr qreal radius = 6;
        static constexpr qreal textSize = 14;
        static constexpr qreal pressedScale = 0.97;
        static constexpr qreal disabledOpacity = 0.5;
        static constexpr qreal hoverOpacity = 0.85;  // of solid fills
        static constexpr qreal focusRing = 2;
    };

    // How a kind is dressed at a hover amount (0 idle ... 1 hovered or pressed).
    struct Colors {
        QColor text;
        QColor background;
        QColor outline;  // transparent for none
    };
    static Colors colors(Kind kind, qreal hover);

    explicit GButton(const QString &title = {}, Kind kind = Kind::primary,
                     QWidget *parent = nullptr);

    QString title() const { return text(); }
    void setTitle(const QString &title);
    QString iconName() const { return m_look.icon; }
    void setIconName(const QString &name);
    Kind kind() const { return m_look.kind; }
    void setKind(Kind kind);
    bool isLoading() const { return m_loading; }
    void setLoading(bool loading);
    void setHeight(int height);

    bool isInteractive() const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    struct Look {
        QString title;
        QString icon;
        Kind kind;
    };
    // Changes title, icon and kind at once, cross-fading from the old look.
    void changeLook(const Look &look);

    QPainterPath shape() const override;
    void paintEvent(QPaintEvent *event) override;

private:
    void paintBackground(QPainter &painter, Kind kind, qreal opacity) const;
    void paintLabel(QPainter &painter, const Look &look, qreal opacity) const;
    qreal labelWidth(const Look &look) const;

    Look m_look;
    Look m_previous;
    Transition m_fade;  // 1 once the current look is fully shown
    Loop m_spin;
    bool m_loading = false;
    bool m_enabledBeforeLoading = true;
    int m_height = Metrics::defaultHeight;
};
