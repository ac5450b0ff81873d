#include "theme/controls/Empty.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "theme/Icon.h"
#include "theme/Text.h"
#include "theme/controls/Card.h"

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
        paintCard(painter, rect(), M::tileRadius);
    }
};

}  // namespace

Empty *Empty::failure(const QString &title, const QString &error, const QString &hint,
                      QWidget *parent) {
    return new Empty(u"warning"_qs, title, messageWithHint(error, hint), parent, Qt::RichText);
}

Empty::Empty(const QString &icon, const QString &title, const QString &message, QWidget *parent,
             Qt::TextFormat format)
    : QWidget(parent),
      m_title(new Label(title, textStyle(M::titleSize, QFont::DemiBold))),
      m_message(new Label(message, textStyle(M::messageSize, QFont::Normal, Color::gray900))) {
    m_message->setTextFormat(format);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(M::padding, M::padding, M::padding, M::padding);
    column->setSpacing(M::spacing);

    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignHCenter);
    m_message->setFixedWidth(M::messageWidth);
    column->addStretch();
    column->addWidget(new IconTile(icon), 0, Qt::AlignHCenter);
    column->addWidget(m_title, 0, Qt::AlignHCenter);
    // In a row of its own: a column asks a wrapped label for its height at the
    // column's width, a row at the label's own.
    auto *centred = new QHBoxLayout;
    centred->addStretch();
    centred->addWidget(m_message);
    centred->addStretch();
    column->addLayout(centred);
    column->addStretch();
}

QString Empty::title() const {
    return m_title->text();
}

QString Empty::message() const {
    return m_message->text();
}

void Empty::setTitle(const QString &title) {
    m_title->setText(title);
}

void Empty::setMessage(const QString &message, Qt::TextFormat format) {
    m_message->setTextFormat(format);
    m_message->setText(message);
}

void Empty::setFailure(const QString &error, const QString &hint) {
    setMessage(messageWithHint(error, hint), Qt::RichText);
}

void Empty::resizeEvent(QResizeEvent *event) {
    // A wrapped label wraps at the width it is given: give it the room there
    // is, up to its maximum, so its height follows its lines.
    m_message->setFixedWidth(qMin(M::messageWidth, qMax(0, width() - 2 * M::padding)));
    QWidget::resizeEvent(event);
}
