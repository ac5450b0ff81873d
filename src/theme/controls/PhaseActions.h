#pragma once

#include <QKeySequence>
#include <QList>
#include <QWidget>

#include <functional>
#include <initializer_list>

#include "theme/controls/GButton.h"

class QHBoxLayout;

// A pane's buttons for each phase of its work, side by side: each control is
// shown only in the phases it was added for. A button's keyboard shortcut
// works only while the button is shown and takes input, so two phases may
// give the same key to different buttons. A phase that hides the focused
// button hands the keys to the first button of the next one.
class PhaseActions : public QWidget {
    Q_OBJECT
public:
    static constexpr int spacing = 8;

    struct Button {
        QString title;
        QString icon;  // none when empty
        GButton::Kind kind = GButton::Kind::secondary;
        QKeySequence key;               // none when empty
        std::function<void()> action;   // none: a busy button that only shows progress
    };

    explicit PhaseActions(QWidget *parent = nullptr);

    // A control shown in `phases`, in the order added.
    template <typename Phase>
    void add(QWidget *control, std::initializer_list<Phase> phases) {
        addControl(control, numbers(phases));
    }
    // A GButton built from `button`. Without an action it shows a spinner and
    // ignores input (a run in progress).
    template <typename Phase>
    GButton *add(const Button &button, std::initializer_list<Phase> phases) {
        return addButton(button, numbers(phases));
    }
    template <typename Phase>
    void setPhase(Phase phase) {
        showPhase(int(phase));
    }

private:
    template <typename Phase>
    static QList<int> numbers(std::initializer_list<Phase> phases) {
        QList<int> out;
        for (Phase p : phases) out.append(int(p));
        return out;
    }
    void addControl(QWidget *control, const QList<int> &phases);
    GButton *addButton(const Button &button, const QList<int> &phases);
    void showPhase(int phase);

    struct Entry {
        QWidget *control;
        QList<int> phases;
    };
    QList<Entry> m_entries;
    QHBoxLayout *m_row;
};
