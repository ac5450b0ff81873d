#pragma once

#include <QListView>

#include <functional>

// A list of painted rows that is as tall as its rows until its page gives it
// less room (PanePage::fillRest), and then scrolls itself. The height of all
// rows comes from the caller, who knows it without asking every row.
class ContentList : public QListView {
    Q_OBJECT
public:
    // `contentHeight` is the height of all rows; the list never shrinks
    // below `minimumHeight` (or its content, when that is lower).
    ContentList(std::function<int()> contentHeight, int minimumHeight, QWidget *parent = nullptr);

    // The rows changed in number or height.
    void contentChanged();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    std::function<int()> m_contentHeight;
    int m_minimumHeight;
};
