#pragma once

#include <QVBoxLayout>

#include "theme/controls/Card.h"

// A raised panel: its content, padded, at the top left, across the full
// width, on the card colour with a hairline edge.
class GCard : public Card {
    Q_OBJECT
public:
    static constexpr int defaultPadding = 16;

    explicit GCard(int padding = defaultPadding, QWidget *parent = nullptr);
    // Where the content goes.
    QVBoxLayout *content() const { return m_content; }

private:
    QVBoxLayout *m_content;
};
