#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "engine/Report.h"
#include "theme/Color.h"

// The Maintenance report as a card: each section's header (a green check
// circle, or an amber warning when an item needs attention) and one line per
// item, then the engine's summary lines. Painted line by line.
class CheckReport : public QWidget {
    Q_OBJECT
public:
    static constexpr int padding = 20;
    static constexpr int headerHeight = 30;
    static constexpr int lineHeight = 20;
    static constexpr int summarySpacing = 4;
    static constexpr int sectionSpacing = 10;
    static constexpr int icon = 17;
    static constexpr int iconFrame = 18;
    static constexpr qreal radius = 12;

    struct Line {
        enum Kind { header, item, summary } kind;
        QString text;
        Color color;
        QString icon;  // headers only
    };

    explicit CheckReport(QWidget *parent = nullptr);

    // "label · detail", leaving out whichever is empty.
    static QString itemText(const ReportItem &item);
    static QList<Line> linesFor(const QList<ReportSection> &sections, const QStringList &summary);

    void setReport(const QList<ReportSection> &sections, const QStringList &summary);
    const QList<Line> &lines() const { return m_lines; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<Line> m_lines;
};
