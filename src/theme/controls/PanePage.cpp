#include "theme/controls/PanePage.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <utility>

#include "theme/controls/PageTitle.h"

PanePage::PanePage(const QString &title, const QString &subtitle, QWidget *parent)
    : QScrollArea(parent), m_title(new PageTitle(title, subtitle)), m_column(new QVBoxLayout) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Not a Tab stop of its own: the controls inside are.
    setFocusPolicy(Qt::NoFocus);
    // The window's background shows through.
    viewport()->setAutoFillBackground(false);

    auto *sheet = new QWidget;
    sheet->setAutoFillBackground(false);
    auto *centre = new QHBoxLayout(sheet);
    centre->setContentsMargins(padding, padding, padding, padding);
    auto *column = new QWidget;
    column->setMaximumWidth(maxWidth);
    column->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    column->setLayout(m_column);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(spacing);
    m_column->addWidget(m_title);
    m_column->addStretch();
    // The column takes the width first; the margins share what is left over.
    centre->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Preferred, QSizePolicy::Minimum));
    centre->addWidget(column);
    centre->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Preferred, QSizePolicy::Minimum));
    setWidget(sheet);
}

void PanePage::addRegion(QWidget *region) {
    m_column->insertWidget(m_column->count() - 1, region);
}

void PanePage::fillRest(QWidget *region, int minimumHeight, Fill fill) {
    m_fillings.append({region, minimumHeight, fill});
    // Until it has a place, at its minimum: never a page as long as its list.
    if (fill == Fill::exactly)
        region->setFixedHeight(minimumHeight);
    else
        region->setMaximumHeight(minimumHeight);
    // Regions above it appear, wrap or go: it then moves, and fits again.
    region->installEventFilter(this);
    fit(m_fillings.last());
}

void PanePage::fit(const Filling &filling) {
    QWidget *region = filling.region;
    if (!region || !widget()->isAncestorOf(region) || region->isHidden())
        return;
    const int top = region->mapTo(widget(), QPoint()).y();
    const int room = qMax(filling.minimumHeight, viewport()->height() - top - padding);
    if (filling.fill == Fill::exactly)
        region->setFixedHeight(room);
    else
        region->setMaximumHeight(room);
}

void PanePage::resizeEvent(QResizeEvent *event) {
    QScrollArea::resizeEvent(event);
    for (const Filling &filling : std::as_const(m_fillings)) fit(filling);
}

bool PanePage::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Move || event->type() == QEvent::Show) {
        for (const Filling &filling : std::as_const(m_fillings))
            if (filling.region == watched)
                fit(filling);
    }
    return QScrollArea::eventFilter(watched, event);
}

void PanePage::requestSync() {
    if (std::exchange(m_syncPending, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_syncPending = false;
            m_sync();
        },
        Qt::QueuedConnection);
}
