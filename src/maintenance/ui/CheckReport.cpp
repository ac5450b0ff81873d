#include "maintenance/ui/CheckReport.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

#include "theme/IconStore.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/Card.h"

namespace {

constexpr qreal kTitleSize = 14;
constexpr qreal kLineSize = 12;
constexpr int kIconGap = 8;

int heightOf(const CheckReport::Line &line, const CheckReport::Line *previous) {
    using C = CheckReport;
    switch (line.kind) {
        case C::Line::header:
            return C::headerHeight + (previous ? C::sectionSpacing : 0);
        case C::Line::item:
            return C::lineHeight;
        case C::Line::summary:
            // The first summary line sits below a rule.
            return C::lineHeight + (previous && previous->kind != C::Line::summary
                                        ? 2 * C::sectionSpacing + 1
                                        : C::summarySpacing);
    }
    return 0;
}

}  // namespace

CheckReport::CheckReport(QWidget *parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QString CheckReport::itemText(const ReportItem &item) {
    QStringList parts;
    for (const QString &part : {item.label, item.detail})
        if (!part.isEmpty())
            parts.append(part);
    return parts.join(u" \u00B7 "_qs);
}

QList<CheckReport::Line> CheckReport::linesFor(const QList<ReportSection> &sections,
                                               const QStringList &summary) {
    QList<Line> lines;
    for (const ReportSection &section : sections) {
        const bool attention =
            std::any_of(section.items.cbegin(), section.items.cend(),
                        [](const ReportItem &i) { return i.kind == ReportItem::Kind::note; });
        lines.append({Line::header, section.title, Color::gray1000,
                      attention ? u"warning"_qs : u"check-circle"_qs});
        for (const ReportItem &item : section.items)
            lines.append({Line::item,
                          itemText(item),
                          item.kind == ReportItem::Kind::note ? Color::amber : Color::gray900,
                          {}});
    }
    for (const QString &line : summary) lines.append({Line::summary, line, Color::gray900, {}});
    return lines;
}

void CheckReport::setReport(const QList<ReportSection> &sections, const QStringList &summary) {
    m_lines = linesFor(sections, summary);
    int height = 2 * padding;
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        height += heightOf(m_lines[i], i > 0 ? &m_lines[i - 1] : nullptr);
    setFixedHeight(height);
    update();
}

void CheckReport::paintEvent(QPaintEvent *event) {
    const Theme &theme = Theme::instance();
    QPainter painter(this);
    paintCard(painter, rect(), radius);

    const qreal left = padding, width = this->width() - 2 * padding;
    qreal y = padding;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line &line = m_lines[i];
        const Line *previous = i > 0 ? &m_lines[i - 1] : nullptr;
        const int h = heightOf(line, previous);
        const QRectF box(left, y + h - (line.kind == Line::header ? headerHeight : lineHeight),
                         width, line.kind == Line::header ? headerHeight : lineHeight);
        y += h;
        if (!box.intersects(event->rect()))
            continue;
        if (line.kind == Line::summary && previous && previous->kind != Line::summary)
            painter.fillRect(QRectF(0, box.top() - sectionSpacing - 1, this->width(), 1),
                             theme.color(Color::border));
        QRectF text = box;
        TextStyle style = monoStyle(kLineSize, QFont::Normal, line.color);
        if (line.kind == Line::header) {
            const qreal inset = (iconFrame - icon) / 2.0;
            const QRectF frame(box.left(), box.center().y() - iconFrame / 2.0, iconFrame,
                               iconFrame);
            IconStore::shared().paint(
                painter, frame.adjusted(inset, inset, -inset, -inset), line.icon,
                theme.color(line.icon == u"warning"_qs ? Color::amber : Color::green));
            text.setLeft(frame.right() + kIconGap);
            style = textStyle(kTitleSize, QFont::Medium);
        } else if (line.kind == Line::item) {
            // Under the title, not under the icon.
            text.setLeft(box.left() + iconFrame + kIconGap);
        }
        drawText(painter, text, flagsLeft,
                 QFontMetricsF(style.font).elidedText(line.text, Qt::ElideRight, text.width()),
                 style);
    }
}
