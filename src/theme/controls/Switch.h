#pragma once

#include "theme/controls/Pressable.h"

// A small on/off switch: a capsule track with a sliding knob; green when on.
class Switch : public Pressable {
    Q_OBJECT
public:
    struct Metrics {
        static constexpr int width = 32;
        static constexpr int height = 18;
        static constexpr int knobInset = 2;
    };

    explicit Switch(QWidget *parent = nullptr);
    QSize sizeHint() const override { return {Metrics::width, Metrics::height}; }

protected:
    QPainterPath shape() const override;
    void paintEvent(QPaintEvent *event) override;
    void checkStateSet() override;
    void nextCheckState() override;

private:
    Transition m_position;  // 0 off ... 1 on
};
