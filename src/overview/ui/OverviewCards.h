#pragma once

#include <QWidget>

#include "overview/StatusSnapshot.h"

class Badge;
class Label;
class QHBoxLayout;
class RollingText;
class ShareBar;
class Sparkline;
class Status;

// The root volume's used, Trash and purgeable shares as one capsule bar.
class UsageBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int height = 10;
    static constexpr qreal gap = 2;

    explicit UsageBar(QWidget *parent = nullptr);
    // Fractions of the bar (possibly beyond 1) for used, Trash and purgeable.
    void setShares(double used, double trash, double purgeable);
    // The three segments' rectangles for a bar of `width`, empty ones left out.
    static QList<QRectF> segments(qreal width, const double (&shares)[3]);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double m_shares[3] = {0, 0, 0};
};

// Free space of the root volume with its badge, the usage bar and the legend.
class StorageCard : public QWidget {
    Q_OBJECT
public:
    explicit StorageCard(QWidget *parent = nullptr);
    void showReading(const StatusSnapshot &snapshot);

    RollingText *freeSpace() const { return m_free; }
    Badge *badge() const { return m_badge; }
    QString legend(int index) const;  // the byte count of Used, Trash, Purgeable, Free

private:
    QWidget *m_body;
    RollingText *m_free;
    Badge *m_badge;
    UsageBar *m_bar;
    QList<Label *> m_legend;
};

// A big number over an eyebrow, with the lines below it: the health, CPU,
// memory and battery cards.
class FigureCard : public QWidget {
    Q_OBJECT
public:
    enum class Kind { health, load, battery };
    FigureCard(Kind kind, const QString &title, QWidget *parent = nullptr);

    void showHealth(const StatusSnapshot &snapshot);
    void showLoad(double percent, const QString &detail, const QList<double> &history);
    void showBattery(const StatusSnapshot::Battery &battery);

    RollingText *figure() const { return m_figure; }
    Status *status() const { return m_status; }
    Sparkline *sparkline() const { return m_sparkline; }
    ShareBar *bar() const { return m_bar; }
    Label *detail() const { return m_detail; }

private:
    RollingText *m_figure;
    Status *m_status = nullptr;
    Sparkline *m_sparkline = nullptr;
    ShareBar *m_bar = nullptr;
    Label *m_detail;
};
