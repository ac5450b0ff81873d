#pragma once

#include <QList>
#include <QWidget>

class Label;
class QVBoxLayout;

// One cell of a summary strip: a caption in the eyebrow style above a value
// of fixed height.
class StripCell : public QWidget {
    Q_OBJECT
public:
    static constexpr int paddingX = 20;
    static constexpr int paddingY = 16;
    static constexpr int spacing = 8;
    static constexpr int valueHeight = 28;

    explicit StripCell(QWidget *parent = nullptr);

    QString caption() const;
    void setCaption(const QString &caption);
    QWidget *value() const { return m_value; }
    // Takes ownership; replaces (and deletes) the previous value.
    void setValue(QWidget *value);

private:
    Label *m_caption;
    QVBoxLayout *m_slot;
    QWidget *m_value = nullptr;
};

// A pane's key figures in equal cells side by side, separated by hairline
// rules, on a card.
class SummaryStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal radius = 12;
    static constexpr int rule = 1;

    explicit SummaryStrip(int cells, QWidget *parent = nullptr);
    StripCell *cell(int index) const { return m_cells.at(index); }
    int count() const { return int(m_cells.size()); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<StripCell *> m_cells;
};
