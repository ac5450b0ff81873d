#include "theme/controls/Empty.h"

#include <QPainter>
#include <QVBoxLayout>

#include "theme/Icon.h"
#include "theme/Text.h"
#include "theme/Theme.h"

using M = Empty::Metrics;

namespace {

// The icon on a small card-coloured tile.
class IconTile : public QWidget {
public:
    explicit IconTile(const QString &icon) {
        setFixedSize(M::tile, M::tile);
        auto *centre = new QVBoxLayout(this);
        centre->setContentsMargins(0, 0, 0, 0);
        centre->addWidget(new Icon(icon, M::icon, Color::gray1000), 0, Qt::AlignCenter);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::instance().color(Color::bg100));
        painter.drawRoundedRect(rect(), M::tileRadius, M::tileRadius);
        drawHairline(painter, rect(), M::tileRadius);
    }
};

}  // namespace

Empty::Empty(const QString &icon, const QString &title, const QString &message, QWidget *parent)
    : QWidget(parent) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(M::padding, M::padding, M::padding, M::padding);
    column->setSpacing(M::spacing);
    column->setAlignment(Qt::AlignCenter);

    auto *heading = new Label(title, textStyle(M::titleSize, QFont::DemiBold));
    auto *text = new Label(message, textStyle(M::messageSize, QFont::Normal, Color::gray900));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignHCenter);
    text->setMaximumWidth(M::messageWidth);
    column->addWidget(new IconTile(icon), 0, Qt::AlignHCenter);
    column->addWidget(heading, 0, Qt::AlignHCenter);
    column->addWidget(text, 0, Qt::AlignHCenter);
}
