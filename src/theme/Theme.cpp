#include "theme/Theme.h"

#include <QApplication>
#include <QPointer>
#include <QToolTip>
#include <QWidget>

#include "theme/Accessibility.h"
#include "theme/DesktopSettings.h"

namespace {

std::optional<Appearance> appearanceNamed(QStringView name) {
    if (name == u"dark")
        return Appearance::dark;
    if (name == u"light")
        return Appearance::light;
    return std::nullopt;
}

}  // namespace

Theme &Theme::instance() {
    // Owned by the application so it goes away before the application does;
    // a later application (tests) gets a fresh one.
    static QPointer<Theme> theme;
    if (!theme)
        theme = new Theme(QCoreApplication::instance());
    return *theme;
}

Theme::Theme(QObject *parent) : QObject(parent) {
    // Every painted control draws through the theme: its readings go with it.
    Accessibility::install();
    m_animationsOff = qEnvironmentVariable("BRIGHTLOFT_NO_ANIMATIONS") == u"1";
    m_fromPalette = appearanceOf(QGuiApplication::palette());
    m_appearance = m_fromPalette;
    if (parent)
        parent->installEventFilter(this);

    auto *desktop = new DesktopSettings(this);
    connect(desktop, &DesktopSettings::colorSchemeChanged, this, [this](bool dark) {
        m_desktop = dark ? Appearance::dark : Appearance::light;
        settle();
    });
    connect(desktop, &DesktopSettings::animationsChanged, this,
            [this](bool enabled) { setReducedMotion(!enabled); });
}

std::optional<Appearance> Theme::forcedAppearance(const QStringList &arguments) {
    const QString prefix = u"--appearance="_qs;
    for (const QString &argument : arguments) {
        if (argument.startsWith(prefix))
            return appearanceNamed(QStringView(argument).mid(prefix.size()));
    }
    return appearanceNamed(qEnvironmentVariable("BRIGHTLOFT_APPEARANCE"));
}

void Theme::setForcedAppearance(std::optional<Appearance> appearance) {
    m_forced = appearance;
    settle();
}

void Theme::setReducedMotion(bool reduced) {
    if (m_reducedMotion == reduced)
        return;
    m_reducedMotion = reduced;
    Q_EMIT motionChanged();
}

Appearance Theme::appearanceOf(const QPalette &palette) {
    return palette.color(QPalette::Window).lightness() <
                   palette.color(QPalette::WindowText).lightness()
               ? Appearance::dark
               : Appearance::light;
}

bool Theme::eventFilter(QObject *watched, QEvent *event) {
    // The palette is only a fallback for desktops without the portal.
    if (watched == QCoreApplication::instance() &&
        event->type() == QEvent::ApplicationPaletteChange) {
        m_fromPalette = appearanceOf(QGuiApplication::palette());
        settle();
    }
    // Tooltips, menus and dialogs are windows of their own that nobody else
    // dresses: each follows the appearance from its first showing.
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(watched);
        if (widget->isWindow())
            follow(widget);
    }
    return QObject::eventFilter(watched, event);
}

void Theme::settle() {
    const Appearance next = m_forced.value_or(m_desktop.value_or(m_fromPalette));
    if (next == m_appearance)
        return;
    m_appearance = next;
    QToolTip::setPalette(palette());
    Q_EMIT appearanceChanged(next);
    for (QWidget *widget : QApplication::allWidgets()) widget->update();
}

QPalette Theme::palette() const {
    QPalette p;
    const auto set = [&p](QPalette::ColorRole role, QColor color) {
        p.setColor(QPalette::Active, role, color);
        p.setColor(QPalette::Inactive, role, color);
        p.setColor(QPalette::Disabled, role, color);
    };
    set(QPalette::Window, color(Color::bg200));
    set(QPalette::Base, color(Color::bg100));
    set(QPalette::AlternateBase, color(Color::gray100));
    set(QPalette::Button, color(Color::bg100));
    set(QPalette::ToolTipBase, color(Color::bg100));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                      QPalette::ToolTipText, QPalette::BrightText})
        set(role, color(Color::gray1000));
    set(QPalette::PlaceholderText, color(Color::gray600));
    set(QPalette::Highlight, color(Color::blue));
    set(QPalette::HighlightedText, Qt::white);
    set(QPalette::Link, color(Color::blue));
    set(QPalette::Mid, color(Color::gray400));
    set(QPalette::Dark, color(Color::gray600));
    set(QPalette::Light, color(Color::bg100));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, color(Color::gray600));
    return p;
}

void Theme::follow(QWidget *window) {
    static constexpr char kFollows[] = "brightloftFollowsTheme";
    if (window->property(kFollows).toBool())
        return;
    window->setProperty(kFollows, true);
    window->setPalette(palette());
    connect(this, &Theme::appearanceChanged, window,
            [window] { window->setPalette(Theme::instance().palette()); });
}
