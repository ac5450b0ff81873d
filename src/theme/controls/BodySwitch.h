#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

#include <initializer_list>

// The blocks a pane shows one at a time in the same place (a report, a
// placeholder, an error): the chosen one is visible and rises in as it comes,
// the others are hidden.
class BodySwitch {
public:
    // The blocks start hidden.
    BodySwitch(std::initializer_list<QWidget *> blocks);

    // Shows `block` (one of the blocks), or none of them.
    void show(QWidget *block);
    QWidget *shown() const { return m_shown; }

private:
    QList<QPointer<QWidget>> m_blocks;
    QPointer<QWidget> m_shown;
};
