#include "theme/controls/ConfirmButton.h"

#include <QKeyEvent>

ConfirmButton::ConfirmButton(const QString &title, const QString &confirmTitle,
                             const QString &iconName, QWidget *parent)
    : GButton(title, Kind::primary, parent),
      m_title(title),
      m_confirmTitle(confirmTitle),
      m_icon(iconName) {
    setIconName(iconName);
    setHeight(height);
    setAccessibleDescription(tr("Asks for confirmation"));
    m_disarmTimer.setSingleShot(true);
    m_disarmTimer.setInterval(confirmWindowMs);
    connect(&m_disarmTimer, &QTimer::timeout, this, &ConfirmButton::disarm);
    connect(this, &QAbstractButton::clicked, this, &ConfirmButton::activate);
}

void ConfirmButton::setTitles(const QString &title, const QString &confirmTitle) {
    m_title = title;
    m_confirmTitle = confirmTitle;
    setTitle(m_armed ? confirmTitle : title);
}

void ConfirmButton::activate() {
    if (!m_armed) {
        setArmed(true);
        m_disarmTimer.start();
        return;
    }
    // Disarm first, so a slot that re-enters cannot confirm twice.
    disarm();
    Q_EMIT confirmed();
}

void ConfirmButton::disarm() {
    m_disarmTimer.stop();
    setArmed(false);
}

void ConfirmButton::setArmed(bool armed) {
    if (m_armed == armed)
        return;
    m_armed = armed;
    if (armed)
        changeLook({m_confirmTitle, u"warning"_qs, Kind::error});
    else
        changeLook({m_title, m_icon, Kind::primary});
    setAccessibleDescription(armed ? tr("Activate again to confirm") : tr("Asks for confirmation"));
    Q_EMIT armedChanged(armed);
}

void ConfirmButton::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape && m_armed) {
        disarm();
        return event->accept();
    }
    GButton::keyPressEvent(event);
}
