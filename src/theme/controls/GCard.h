#pragma once

#include <QVBoxLayout>
#include <QWidget>

// A raised panel: its content, padded, at the top left, across the full
// width, on the card colour with a hairline edge.
class GCard : public QWidget {
    Q_OBJECT
public:
    static constexpr int defaultPadding = 16;
    static constexpr qreal radius = 12;

    explicit GCard(int padding = defaultPadding, QWidget *parent = nullptr);
    // Where the content goes.
    QVBoxLayout *content() const { return m_content; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QVBoxLayout *m_content;
};
