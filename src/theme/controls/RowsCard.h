#pragma once

#include <QWidget>

class QVBoxLayout;

// A card of rows separated by one-point rules: the card colour on a rounded
// rectangle with a hairline edge, no padding of its own.
class RowsCard : public QWidget {
    Q_OBJECT
public:
    explicit RowsCard(qreal radius, QWidget *parent = nullptr);
    // Appends `row` under a rule (no rule above the first).
    void addRow(QWidget *row);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_radius;
    QVBoxLayout *m_rows;
};
