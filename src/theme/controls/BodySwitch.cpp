#include "theme/controls/BodySwitch.h"

#include "theme/Motion.h"

BodySwitch::BodySwitch(std::initializer_list<QWidget *> blocks) {
    for (QWidget *block : blocks) {
        block->setVisible(false);
        m_blocks.append(block);
    }
}

void BodySwitch::show(QWidget *block) {
    Q_ASSERT(!block || m_blocks.contains(block));
    for (QWidget *b : std::as_const(m_blocks))
        if (b)
            b->setVisible(b == block);
    if (block == m_shown)
        return;
    m_shown = block;
    if (block)
        rise(block);
}
