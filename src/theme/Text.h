#pragma once

#include <QFont>
#include <QLabel>

#include "theme/Color.h"

class QPainter;

// A font with the named colour text is drawn in.
struct TextStyle {
    QFont font;
    Color color = Color::gray1000;
};

// Geist at `size` and `weight` in `color`.
TextStyle textStyle(qreal size, QFont::Weight weight = QFont::Normal,
                    Color color = Color::gray1000);
TextStyle monoStyle(qreal size, QFont::Weight weight = QFont::Normal,
                    Color color = Color::gray1000);
// Titles: Geist semibold, tracked in by 4 % of the size.
TextStyle heading(qreal size);
// Small section captions: GeistMono 11 medium, upper case, tracked out.
TextStyle eyebrow();

// Flags for drawText: one line, vertically centred, at the box's left or right.
inline constexpr int flagsLeft = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
inline constexpr int flagsRight = Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine;

// Draws `text` in `style`, its colour resolved now.
void drawText(QPainter &painter, const QRectF &rect, int flags, const QString &text,
              const TextStyle &style);
// The natural width of `text` in `style`.
qreal textWidth(const QString &text, const TextStyle &style);

// Rich text for a label: `plain` escaped, each `command` between backticks
// set in the monospaced face and never broken across lines.
QString withCode(const QString &plain);
// A message and the hint after it on a line of its own, as rich text; the
// hint's `commands` in backticks are set as code.
QString messageWithHint(const QString &message, const QString &hint);

// A one-point outline in Color::border just inside a rounded rectangle.
void drawHairline(QPainter &painter, const QRectF &rect, qreal radius);

// A QLabel whose font and colour come from a TextStyle and follow the
// appearance, for text that needs wrapping, selection or links.
class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(const QString &text = {}, const TextStyle &style = textStyle(14),
                   QWidget *parent = nullptr);
    void setStyle(const TextStyle &style);

private:
    void applyColor();
    Color m_color;
};
