#pragma once

#include "panes/Pane.h"
#include "theme/controls/Pressable.h"

// One tab of the top bar: the pane's title on a hover fill, with a bar under
// it while selected. Ctrl (⌘ on a Mac) plus the pane's number presses it.
class TabButton : public Pressable {
    Q_OBJECT
public:
    struct Metrics {
        static constexpr int padding = 10;  // left and right of the title
        static constexpr int height = 30;   // the hover fill
        static constexpr int below = 8;     // space under the fill
        static constexpr qreal radius = 6;
        static constexpr qreal textSize = 14;
        static constexpr int markHeight = 2;
        static constexpr int markInset = 8;
    };

    explicit TabButton(Pane pane, QWidget *parent = nullptr);

    Pane pane() const { return m_pane; }
    bool isSelected() const { return isChecked(); }
    void setSelected(bool selected);

    // "Overview  ⌘1": the title, two spaces, the key hint.
    static QString toolTipFor(Pane pane);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void nextCheckState() override {}  // selection follows the root view, not clicks

private:
    Pane m_pane;
};
