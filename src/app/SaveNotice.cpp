#include "app/SaveNotice.h"

#include <QHBoxLayout>
#include <QPainter>

#include <utility>

#include "platform/UserDefaults.h"
#include "theme/Icon.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/Card.h"
#include "theme/controls/GButton.h"

namespace {

constexpr int kPadding = 16;
constexpr int kSpacing = 10;
constexpr int kVertical = 8;
constexpr int kButtonHeight = 28;

}  // namespace

SaveNotice::SaveNotice(QWidget *parent)
    : QWidget(parent),
      m_text(new Label({}, textStyle(13, QFont::Normal, Color::gray1000))),
      m_dismiss(new GButton(tr("Dismiss"), GButton::Kind::tertiary)) {
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(kPadding, kVertical, kPadding, kVertical + Rule::thickness);
    row->setSpacing(kSpacing);
    row->addWidget(new Icon(u"warning"_qs, 15, Color::amber), 0, Qt::AlignVCenter);
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(m_text, 1);
    m_dismiss->setHeight(kButtonHeight);
    row->addWidget(m_dismiss, 0, Qt::AlignVCenter);
    setVisible(false);
    // Hidden, not deleted: the button that hides it is still handling its click.
    connect(m_dismiss, &GButton::clicked, this, &QWidget::hide);
    connect(&UserDefaults::notifier(), &UserDefaults::Notifier::saveFailed, this,
            &SaveNotice::announce);
    if (const std::optional<QString> failure = UserDefaults::saveFailure())
        announce(*failure);
}

QString SaveNotice::message(const QString &location) {
    return tr("Your settings couldn't be saved to %1. They apply until Brightloft quits.")
        .arg(location);
}

QString SaveNotice::text() const {
    return m_text->text();
}

void SaveNotice::announce(const QString &location) {
    if (std::exchange(m_told, true))
        return;
    m_text->setText(message(location));
    show();
}

void SaveNotice::paintEvent(QPaintEvent *) {
    const Theme &theme = Theme::instance();
    QPainter painter(this);
    QColor tint = theme.color(Color::amber);
    tint.setAlphaF(0.12);
    painter.fillRect(rect(), theme.color(Color::bg100));
    painter.fillRect(rect(), tint);
    Rule::paint(painter, 0, height() - Rule::thickness, width());
}
