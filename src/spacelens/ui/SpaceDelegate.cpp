#include "spacelens/ui/SpaceDelegate.h"

#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QPainter>

#include "engine/Size.h"
#include "spacelens/SpaceRows.h"
#include "theme/IconStore.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/Card.h"
#include "theme/controls/ShareBar.h"

namespace {

constexpr qreal kNameSize = 14;
constexpr qreal kShareSize = 12;
constexpr qreal kSizeSize = 13;
constexpr int kEllipsis = 16;
constexpr int kChevronIcon = 14;
constexpr int kCaptionPadding = 20;

QRectF square(qreal left, qreal centreY, qreal side) {
    return {left, centreY - side / 2, side, side};
}

}  // namespace

SpaceColumns SpaceColumns::in(const QRectF &row) {
    SpaceColumns c;
    const ListRow line(row, metrics);
    const qreal right = line.content.right();
    const qreal y = row.center().y();
    c.chevron_ = QRectF(right - chevron, row.top(), chevron, row.height());
    c.actions_ = square(c.chevron_.left() - spacing - actions, y, actions);
    c.size = QRectF(c.actions_.left() - spacing - sizeWidth, row.top(), sizeWidth, row.height());
    c.share = QRectF(c.size.left() - spacing - shareWidth, row.top(), shareWidth, row.height());
    c.icon_ = line.icon;
    c.name = QRectF(line.nameLeft, row.top(), qMax(0.0, c.share.left() - spacing - line.nameLeft),
                    row.height());
    return c;
}

SpaceDelegate::SpaceDelegate(const SpaceRows *rows, QObject *parent)
    : QStyledItemDelegate(parent), m_rows(rows) {}

QSize SpaceDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const {
    const bool caption = m_rows->row(index.row()).kind == SpaceRows::Row::largeCaption;
    return {0, caption ? captionHeight : rowHeight};
}

QIcon SpaceDelegate::icon(const DiskEntry &entry) const {
    static const QFileIconProvider provider;
    if (entry.isFolder())
        return provider.icon(QFileIconProvider::Folder);
    // By name only: reading every file's contents would stall the list.
    static const QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(entry.path, QMimeDatabase::MatchExtension);
    auto found = m_icons.constFind(type.name());
    if (found != m_icons.cend())
        return *found;
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull())
        icon = provider.icon(QFileIconProvider::File);
    m_icons.insert(type.name(), icon);
    return icon;
}

void SpaceDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (m_rows->row(index.row()).kind == SpaceRows::Row::largeCaption) {
        const Theme &theme = Theme::instance();
        // Clear of the panel's hairline edge on either side.
        const QRectF box = QRectF(option.rect).adjusted(1, 0, -1, 0);
        painter->fillRect(box, theme.color(Color::bg200));
        Rule::paint(*painter, box.left(), box.top(), box.width());
        drawText(*painter, box.adjusted(kCaptionPadding, 0, -kCaptionPadding, 0), flagsLeft,
                 SpaceRows::tr("Largest files"), eyebrow());
    } else {
        paintEntry(*painter, option, index.row());
    }
    painter->restore();
}

void SpaceDelegate::paintEntry(QPainter &painter, const QStyleOptionViewItem &option,
                               int index) const {
    const SpaceRows::Row &row = m_rows->row(index);
    const DiskEntry &e = row.item;
    const Theme &theme = Theme::instance();
    const ListRow line(option.rect, SpaceColumns::metrics);
    line.paintBackground(painter, false, option);
    const SpaceColumns c = SpaceColumns::in(option.rect);

    icon(e).paint(&painter, c.icon_.toAlignedRect());
    QPixmap tag;
    if (e.cleanable.value_or(false))
        tag = ListRow::badge(painter, SpaceRows::tr("Cleanable"), Color::blue);
    else if (e.insight.value_or(false))
        tag = ListRow::badge(painter, SpaceRows::tr("Worth a look"), Color::amber);
    line.paintName(painter, c.name.right(), e.name, textStyle(kNameSize), Qt::ElideMiddle, tag);

    if (e.size >= 0) {
        const QRectF bar(c.share.left(), c.share.center().y() - SpaceColumns::barHeight / 2.0,
                         SpaceColumns::barWidth, SpaceColumns::barHeight);
        ShareBar::paint(painter, bar, row.bar, theme.color(Color::gray1000));
        const QRectF text(bar.right() + SpaceColumns::barGap, c.share.top(),
                          c.share.right() - bar.right() - SpaceColumns::barGap, c.share.height());
        drawText(painter, text, flagsRight, SpaceRows::shareText(row.share),
                 monoStyle(kShareSize, QFont::Normal, Color::gray900));
        drawText(painter, c.size, flagsRight, Size::format(e.size), monoStyle(kSizeSize));
    } else {
        drawText(painter, c.size, flagsRight, SpaceRows::tr("measuring…"),
                 monoStyle(kShareSize, QFont::Normal, Color::gray600));
    }

    IconStore &icons = IconStore::shared();
    const QRectF dots =
        square(c.actions_.center().x() - kEllipsis / 2.0, c.actions_.center().y(), kEllipsis);
    icons.paint(painter, dots, u"ellipsis"_qs, theme.color(Color::gray900));
    if (e.isFolder()) {
        const QRectF chevron = square(c.chevron_.center().x() - kChevronIcon / 2.0,
                                      c.chevron_.center().y(), kChevronIcon);
        icons.paint(painter, chevron, u"chevron-right"_qs, theme.color(Color::gray600));
    }
}
