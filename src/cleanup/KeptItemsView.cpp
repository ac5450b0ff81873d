#include "cleanup/KeptItemsView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "cleanup/KeptItems.h"
#include "theme/Text.h"
#include "theme/controls/GButton.h"
#include "theme/controls/RowsCard.h"

namespace {

constexpr int kRowHeight = 48;
constexpr int kRowPadding = 14;
constexpr int kButtonHeight = 28;
constexpr qreal kCardRadius = 10;

QWidget *line(QWidget *text, GButton *button) {
    auto *row = new QWidget;
    row->setFixedHeight(kRowHeight);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(kRowPadding, 0, kRowPadding, 0);
    layout->setSpacing(10);
    layout->addWidget(text, 1);
    if (button)
        layout->addWidget(button, 0, Qt::AlignVCenter);
    return row;
}

}  // namespace

KeptItemsView::KeptItemsView(QWidget *parent)
    : QWidget(parent), m_items(new KeptItems(this)), m_card(nullptr) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(new Label(tr("Kept Items"), eyebrow()));
    column->addStretch();  // the card goes above: rows at the top, however tall the view
    connect(m_items, &KeptItems::changed, this, &KeptItemsView::rebuild);
    rebuild();
}

void KeptItemsView::showEvent(QShowEvent *event) {
    m_items->load();
    QWidget::showEvent(event);
}

// The card is made anew for each list: a handful of rows.
void KeptItemsView::rebuild() {
    delete m_card;
    m_card = new RowsCard(kCardRadius);
    const TextStyle path = monoStyle(12);
    for (const QString &kept : m_items->paths()) {
        auto *text = new Label(kept, path);
        text->setToolTip(kept);
        auto *release = new GButton(tr("Release"), GButton::Kind::secondary);
        release->setHeight(kButtonHeight);
        release->setAccessibleName(tr("Release %1").arg(kept));
        connect(release, &GButton::clicked, m_items, [this, kept] { m_items->release(kept); });
        m_card->addRow(line(text, release));
    }
    if (m_items->paths().isEmpty()) {
        auto *none = new Label(tr("Nothing is kept. Choose Always Keep on a Cleanup item to "
                                  "never remove it."),
                               textStyle(13, QFont::Normal, Color::gray900));
        none->setWordWrap(true);
        m_card->addRow(line(none, nullptr));
    }
    if (!m_items->error().isEmpty()) {
        auto *error = new Label(m_items->error(), textStyle(13, QFont::Normal, Color::red));
        error->setWordWrap(true);
        m_card->addRow(line(error, nullptr));
    }
    static_cast<QVBoxLayout *>(layout())->insertWidget(1, m_card);
}
