#include "cleanup/ui/KeptItemsView.h"

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
    // A Release pressed from the keyboard goes with its row: the keys move
    // to the row taking its place, or to the last one.
    const QList<GButton *> before = m_card ? m_card->findChildren<GButton *>() : QList<GButton *>();
    const qsizetype focused = before.indexOf(window()->focusWidget());
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

    // New widgets join the end of the Tab order: put the rows back after the
    // control that comes before this view.
    QWidget *previous = previousInFocusChain();
    while (previous != this && (m_card->isAncestorOf(previous) || isAncestorOf(previous) ||
                                !(previous->focusPolicy() & Qt::TabFocus)))
        previous = previous->previousInFocusChain();
    const QList<GButton *> releases = m_card->findChildren<GButton *>();
    for (GButton *release : releases) {
        if (previous != this)
            QWidget::setTabOrder(previous, release);
        previous = release;
    }
    if (focused >= 0 && !releases.isEmpty())
        releases[qMin(focused, releases.size() - 1)]->setFocus(Qt::TabFocusReason);
    else if (focused >= 0)
        for (QWidget *next = nextInFocusChain(); next != this; next = next->nextInFocusChain())
            if (!isAncestorOf(next) && (next->focusPolicy() & Qt::TabFocus) && next->isVisible() &&
                next->isEnabled())
                return next->setFocus(Qt::TabFocusReason);
}
