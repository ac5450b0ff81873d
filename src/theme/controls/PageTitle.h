#pragma once

#include <QPointer>
#include <QWidget>

class Label;
class QHBoxLayout;

// A pane's heading: title and subtitle on the left, an optional widget
// (usually the pane's main button) on the right.
class PageTitle : public QWidget {
    Q_OBJECT
public:
    static constexpr int spacing = 16;
    static constexpr int lineSpacing = 6;
    static constexpr qreal titleSize = 32;
    static constexpr qreal subtitleSize = 14;

    explicit PageTitle(const QString &title, const QString &subtitle = {},
                       QWidget *parent = nullptr);
    void setTitle(const QString &title);
    void setSubtitle(const QString &subtitle);
    // Takes ownership; replaces (and deletes) the previous one.
    void setTrailing(QWidget *trailing);

private:
    Label *m_title;
    Label *m_subtitle;
    QHBoxLayout *m_row;
    QPointer<QWidget> m_trailing;
};
