#include "theme/controls/PhaseActions.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QShortcut>

namespace {

// "⌘R" for Ctrl+R: the key hint after a title in a tooltip. Other keys get none.
QString keyHint(const QKeySequence &key) {
    if (key.isEmpty() || !(key[0].keyboardModifiers() & Qt::ControlModifier))
        return {};
    return QCoreApplication::translate("PhaseActions", "  ⌘") +
           QKeySequence(key[0].key()).toString(QKeySequence::NativeText);
}

}  // namespace

PhaseActions::PhaseActions(QWidget *parent) : QWidget(parent), m_row(new QHBoxLayout(this)) {
    m_row->setContentsMargins(0, 0, 0, 0);
    m_row->setSpacing(spacing);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void PhaseActions::addControl(QWidget *control, const QList<int> &phases) {
    m_row->addWidget(control);
    control->setVisible(false);
    m_entries.append({control, phases});
}

GButton *PhaseActions::addButton(const Button &button, const QList<int> &phases) {
    auto *b = new GButton(button.title, button.kind);
    if (!button.icon.isEmpty())
        b->setIconName(button.icon);
    if (!button.action) {
        b->setLoading(true);
    } else {
        connect(b, &QAbstractButton::clicked, this, button.action);
        b->setToolTip(button.title + keyHint(button.key));
    }
    if (!button.key.isEmpty()) {
        // Parented to the button: a hidden or busy button's key does nothing.
        auto *shortcut = new QShortcut(button.key, b);
        connect(shortcut, &QShortcut::activated, b, [b] {
            if (b->isVisible() && b->isInteractive())
                b->click();
        });
    }
    addControl(b, phases);
    return b;
}

void PhaseActions::showPhase(int phase) {
    QWidget *focus = window()->focusWidget();
    const bool keysHere = focus && (focus == this || isAncestorOf(focus));
    for (const Entry &entry : m_entries) entry.control->setVisible(entry.phases.contains(phase));
    if (!keysHere || (focus != this && focus->isVisible() && focus->isEnabled()))
        return;
    // The pressed button went with its phase: the keys stay here, on the
    // first control that takes them, or on the row while a run is busy, so
    // they come back to the next phase's buttons.
    for (const Entry &entry : m_entries)
        if (entry.control->isVisible() && entry.control->isEnabled() &&
            (entry.control->focusPolicy() & Qt::TabFocus))
            return entry.control->setFocus(Qt::OtherFocusReason);
    setFocus(Qt::OtherFocusReason);
}
