#pragma once

#include <QScrollArea>

class PageTitle;
class QVBoxLayout;

// The frame every pane draws in: a vertically scrolling column, padded,
// at most `maxWidth` wide and centred, starting with the pane's title.
class PanePage : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int padding = 32;
    static constexpr int spacing = 24;  // between regions
    static constexpr int maxWidth = 1120;

    PanePage(const QString &title, const QString &subtitle, QWidget *parent = nullptr);

    PageTitle *pageTitle() const { return m_title; }
    // Appends a region below the ones before it.
    void addRegion(QWidget *region);

private:
    PageTitle *m_title;
    QVBoxLayout *m_column;
};
