#include "app/FreeSpacePill.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QtMath>

#include <cmath>
#include <limits>

#include "engine/Size.h"
#include "overview/StatusModel.h"
#include "overview/ui/OverviewFigures.h"
#include "theme/Text.h"
#include "theme/controls/Card.h"
#include "theme/controls/StatusDot.h"

using M = FreeSpacePill::Metrics;

std::optional<qint64> FreeSpacePill::freeBytes(const StatusSnapshot &snapshot) {
    const std::optional<StatusSnapshot::Disk> disk = snapshot.rootDisk();
    if (!disk)
        return std::nullopt;
    const double free = std::trunc(disk->total - disk->used);
    // 2^63 itself is out of range; every double below it converts exactly.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(free) || free >= limit || free < -limit)
        return std::nullopt;
    return qint64(free);
}

FreeSpacePill::FreeSpacePill(StatusModel *status, QWidget *parent)
    : QWidget(parent), m_status(status), m_dot(new StatusDot(Color::green, false)) {
    setToolTip(tr("Free space on your startup disk"));
    setFixedHeight(M::height);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(M::padding, 0, M::padding, 0);
    row->setSpacing(M::spacing);
    row->addWidget(m_dot, 0, Qt::AlignVCenter);
    row->addStretch();
    connect(status, &StatusModel::snapshotChanged, this, &FreeSpacePill::follow);
    follow();
}

void FreeSpacePill::follow() {
    const auto &snapshot = m_status->snapshot();
    const std::optional<qint64> free = snapshot ? freeBytes(*snapshot) : std::nullopt;
    setVisible(free.has_value());
    if (!free)
        return;
    m_dot->setTint(OverviewFigures::usageTint(snapshot->rootDisk()->usedPercent));
    m_text = Size::format(*free) + tr(" free");
    setAccessibleName(m_text);
    updateGeometry();
    update();
}

QSize FreeSpacePill::sizeHint() const {
    const qreal text = textWidth(m_text, monoStyle(M::textSize));
    return {2 * M::padding + m_dot->sizeHint().width() + M::spacing + qCeil(text), M::height};
}

void FreeSpacePill::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintCard(painter, rect(), height() / 2.0);
    const qreal x = m_dot->geometry().right() + 1 + M::spacing;
    drawText(painter, QRectF(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, m_text,
             monoStyle(M::textSize));
}
