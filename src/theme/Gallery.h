#pragma once

#include <QScrollArea>
#include <QWidget>

class QVBoxLayout;

// Every control in every state on one page, in the current appearance; what
// `brightloft --gallery` shows and what the screenshots are taken of.
class GalleryPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 980;
    explicit GalleryPage(QWidget *parent = nullptr);

private:
    void addSection(const QString &caption, QWidget *content);
    void addSection(const QString &caption, QLayout *content);

    QVBoxLayout *m_column;
};

// The gallery window: the page in a scroll area.
class Gallery : public QScrollArea {
    Q_OBJECT
public:
    explicit Gallery(QWidget *parent = nullptr);
};
