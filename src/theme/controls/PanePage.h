#pragma once

#include <QList>
#include <QPointer>
#include <QScrollArea>

#include <functional>
#include <initializer_list>

class PageTitle;
class QVBoxLayout;

// The frame every pane draws in: a vertically scrolling column, padded,
// at most `maxWidth` wide and centred, starting with the pane's title.
//
// Long lists never make the page itself long: the region that holds one
// takes the height left below it in the window (fillRest) and its list
// scrolls inside, so a list of any length stays an item view of window size.
class PanePage : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int padding = 32;
    static constexpr int spacing = 24;  // between regions
    static constexpr int maxWidth = 1120;

    // How a region takes the height left below it.
    enum class Fill {
        exactly,  // all of it (side-by-side panels that fill the window)
        atMost,   // as tall as its content, up to all of it
    };

    PanePage(const QString &title, const QString &subtitle, QWidget *parent = nullptr);

    PageTitle *pageTitle() const { return m_title; }
    // Appends a region below the ones before it.
    void addRegion(QWidget *region);
    // `region` (already added) takes the height left below its top in the
    // visible page, never less than `minimumHeight`; the page scrolls only
    // when the window is too low for that.
    void fillRest(QWidget *region, int minimumHeight, Fill fill);

protected:
    // Calls `sync` once, on the next turn of the event loop, after any number
    // of `changes` of `model`: many change together per batch of engine
    // lines, and the page draws once per batch.
    template <class Model, class Page>
    void syncOn(const Model *model, std::initializer_list<void (Model::*)()> changes,
                void (Page::*sync)()) {
        m_sync = [this, sync] { (static_cast<Page *>(this)->*sync)(); };
        for (auto changed : changes) connect(model, changed, this, &PanePage::requestSync);
    }

    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Filling {
        QPointer<QWidget> region;
        int minimumHeight;
        Fill fill;
    };
    void fit(const Filling &filling);
    void requestSync();

    PageTitle *m_title;
    QVBoxLayout *m_column;
    QList<Filling> m_fillings;
    std::function<void()> m_sync;
    bool m_syncPending = false;
};
