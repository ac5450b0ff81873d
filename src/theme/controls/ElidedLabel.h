#pragma once

#include "theme/Text.h"

// One line of text cut to the width its layout gives it (in the middle by
// default, so both ends of a path stay readable), the whole text in its
// tooltip. It asks for its full width but makes do with a few characters,
// so a long text never pushes its neighbours out of the window.
class ElidedLabel : public Label {
    Q_OBJECT
public:
    explicit ElidedLabel(const QString &text = {}, const TextStyle &style = textStyle(14),
                         Qt::TextElideMode mode = Qt::ElideMiddle, QWidget *parent = nullptr);

    QString fullText() const { return m_full; }
    void setFullText(const QString &text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void elide();

    QString m_full;
    Qt::TextElideMode m_mode;
};
