#pragma once

#include <QObject>
#include <QPalette>

#include <optional>

#include "theme/Color.h"

class QWidget;

// The one object that knows how things look right now: the appearance (light
// or dark) and whether anything may move. Paint code asks it for colours on
// every paint; when the appearance changes it repaints every widget.
//
// The appearance comes from, in order: a forced choice (command line,
// environment, tests), the desktop's colour scheme from the settings portal,
// and otherwise the lightness of the application palette.
class Theme : public QObject {
    Q_OBJECT
public:
    static Theme &instance();

    Appearance appearance() const { return m_appearance; }
    bool isDark() const { return m_appearance == Appearance::dark; }
    QColor color(Color color) const { return resolve(color, m_appearance); }

    void setForcedAppearance(std::optional<Appearance> appearance);

    // "--appearance=light|dark" among `arguments`, else $BRIGHTLOFT_APPEARANCE.
    static std::optional<Appearance> forcedAppearance(const QStringList &arguments);

    // The user asked the desktop for less motion.
    bool reducedMotion() const { return m_reducedMotion; }
    void setReducedMotion(bool reduced);
    // The one switch for every animation: off under $BRIGHTLOFT_NO_ANIMATIONS=1
    // (tests, screenshots) and with reduced motion.
    bool animationsEnabled() const { return !m_animationsOff && !m_reducedMotion; }
    // Motion that says something (a spinner's "working") keeps running under
    // reduced motion; only the switch for tests and screenshots stops it.
    bool essentialAnimationsEnabled() const { return !m_animationsOff; }

    // A palette of the named colours for the standard widgets inside a window.
    QPalette palette() const;
    // Gives `window` that palette now and after every appearance change.
    // Every window shown (menus, dialogs, tooltips too) follows by itself.
    void follow(QWidget *window);

    static Appearance appearanceOf(const QPalette &palette);

Q_SIGNALS:
    void appearanceChanged(Appearance appearance);
    void motionChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit Theme(QObject *parent);
    void settle();

    std::optional<Appearance> m_forced;
    std::optional<Appearance> m_desktop;
    Appearance m_fromPalette = Appearance::light;
    Appearance m_appearance = Appearance::light;
    bool m_reducedMotion = false;
    bool m_animationsOff = false;
};
