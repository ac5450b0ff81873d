#pragma once

#include <QTimer>

#include "theme/controls/GButton.h"

// A two-step button for destructive actions. The first activation arms it
// (red, a warning icon, the confirm title); a second activation within the
// confirm window disarms it and emits confirmed() once. The window lapsing,
// or Escape while it has focus, disarms it without running anything.
class ConfirmButton : public GButton {
    Q_OBJECT
public:
    static constexpr int height = 32;
    static constexpr int confirmWindowMs = 4000;

    ConfirmButton(const QString &title, const QString &confirmTitle, const QString &iconName,
                  QWidget *parent = nullptr);

    bool isArmed() const { return m_armed; }
    // Changes both titles (say, when the size to clean changes); the shown one follows.
    void setTitles(const QString &title, const QString &confirmTitle);
    // How long an armed button waits for the second activation.
    void setConfirmWindow(int ms) { m_disarmTimer.setInterval(ms); }
    void disarm();

Q_SIGNALS:
    void confirmed();
    void armedChanged(bool armed);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void activate();
    void setArmed(bool armed);

    QString m_title;
    QString m_confirmTitle;
    QString m_icon;
    bool m_armed = false;
    QTimer m_disarmTimer;
};
