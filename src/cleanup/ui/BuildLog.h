#pragma once

#include <QListView>
#include <QStyledItemDelegate>
#include <QWidget>

class CleanModel;
class LogLines;
class QLabel;

// Paints one log line: its number, its time and its text in the line's colour.
class LogDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 20;
    static constexpr int idWidth = 32;
    static constexpr int spacing = 12;
    static constexpr int padding = 16;  // left and right
    static constexpr qreal textSize = 12;

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

// The clean run's output as it happens: a header with the line count, the
// lines in a scrolling list that follows the newest one unless the user has
// scrolled up to read, and a "Running…" row while the run goes on. Lines can
// be selected and copied.
class BuildLog : public QWidget {
    Q_OBJECT
public:
    static constexpr int headerHeight = 40;
    static constexpr int listHeight = 420;
    static constexpr int runningHeight = 32;
    static constexpr qreal radius = 12;

    explicit BuildLog(const CleanModel *model, QWidget *parent = nullptr);

    void setRunning(bool running);
    QListView *list() const { return m_list; }
    LogLines *lines() const { return m_lines; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void grew();
    void copySelection() const;

    LogLines *m_lines;
    QListView *m_list;
    QLabel *m_count;
    QWidget *m_running;
    bool m_follow = true;
};
