#pragma once

#include <QHBoxLayout>

#include "theme/controls/Pressable.h"

// A clickable row that lights up under the pointer and stays filled while
// selected. Item delegates draw the same background with paintBackground().
class HoverRow : public Pressable {
    Q_OBJECT
public:
    static constexpr qreal radius = 6;
    static constexpr qreal focusRing = 2;

    explicit HoverRow(QWidget *parent = nullptr);

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    QHBoxLayout *content() const { return m_content; }

    // The row background for a hover amount (0...1) or selection.
    static void paintBackground(QPainter &painter, const QRectF &rect, bool selected, qreal hover);
    // The keyboard focus ring around a row's background.
    static void paintFocus(QPainter &painter, const QRectF &rect);

    QSize sizeHint() const override { return layout()->sizeHint(); }
    QSize minimumSizeHint() const override { return layout()->minimumSize(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QHBoxLayout *m_content;
    bool m_selected = false;
};
