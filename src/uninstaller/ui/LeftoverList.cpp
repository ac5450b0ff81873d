#include "uninstaller/ui/LeftoverList.h"

#include <QFontMetricsF>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "theme/IconStore.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/HoverRow.h"
#include "theme/controls/ListRow.h"
#include "uninstaller/ui/AppDetail.h"

namespace {

constexpr ListRow::Metrics kRow{0, 1, 10, 10, 15};
constexpr qreal kTextSize = 12;
constexpr int kGlyph = 14;

}  // namespace

LeftoverRows::LeftoverRows(const QList<AppsModel::Leftover> &files, QObject *parent)
    : QAbstractListModel(parent), m_files(files) {}

int LeftoverRows::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_files.size());
}

QVariant LeftoverRows::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_files.size())
        return {};
    const AppsModel::Leftover &f = m_files.at(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return f.path;
        case Qt::AccessibleTextRole:
            return AppDetail::tr("Show ") + f.path + AppDetail::tr(" in Finder");
        case SizeRole:
            return f.size;
        case IconRole:
            return AppDetail::leftoverIcon(f.path);
        default:
            return {};
    }
}

QRect LeftoverDelegate::revealRect(const QRect &row) {
    const ListRow line(row, kRow);
    return QRectF(line.content.right() - reveal, line.content.center().y() - reveal / 2.0, reveal,
                  reveal)
        .toAlignedRect();
}

QSize LeftoverDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const {
    return {0, rowHeight};
}

void LeftoverDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const {
    const Theme &theme = Theme::instance();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const ListRow line(option.rect, kRow);
    line.paintBackground(*painter, false, option.state & QStyle::State_MouseOver);
    IconStore::shared().paint(*painter, line.icon, index.data(LeftoverRows::IconRole).toString(),
                              theme.color(Color::gray900));

    const QRectF glyphBox = revealRect(option.rect);
    const QRectF glyph(glyphBox.center().x() - kGlyph / 2.0, glyphBox.center().y() - kGlyph / 2.0,
                       kGlyph, kGlyph);
    IconStore::shared().paint(*painter, glyph, u"arrow-up-right"_qs, theme.color(Color::gray1000));

    const TextStyle sizeStyle = monoStyle(kTextSize, QFont::Normal, Color::gray900);
    const QString size = index.data(LeftoverRows::SizeRole).toString();
    const qreal sizeWidth = textWidth(size, sizeStyle);
    const qreal sizeRight = glyphBox.left() - kRow.spacing;
    drawText(*painter,
             QRectF(sizeRight - sizeWidth, line.content.top(), sizeWidth, line.content.height()),
             flagsRight, size, sizeStyle);

    const TextStyle pathStyle = monoStyle(kTextSize);
    const qreal room = qMax(0.0, sizeRight - sizeWidth - kRow.spacing - line.nameLeft);
    drawText(
        *painter, QRectF(line.nameLeft, line.content.top(), room, line.content.height()), flagsLeft,
        QFontMetricsF(pathStyle.font).elidedText(index.data().toString(), Qt::ElideMiddle, room),
        pathStyle);
    painter->restore();
}

LeftoverList::LeftoverList(const QList<AppsModel::Leftover> &files, QWidget *parent)
    : QListView(parent), m_rows(new LeftoverRows(files, this)) {
    setModel(m_rows);
    setItemDelegate(new LeftoverDelegate(this));
    setUniformItemSizes(true);
    ListRow::prepare(this);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(tr("Files"));
}

bool LeftoverList::viewportEvent(QEvent *event) {
    const auto glyphAt = [this](const QPoint &at) {
        const QModelIndex index = indexAt(at);
        return index.isValid() && LeftoverDelegate::revealRect(visualRect(index)).contains(at)
                   ? index
                   : QModelIndex();
    };
    switch (event->type()) {
        case QEvent::MouseButtonRelease: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            const QModelIndex index = glyphAt(mouse->position().toPoint());
            if (mouse->button() == Qt::LeftButton && index.isValid())
                Q_EMIT revealRequested(m_rows->file(index.row()).path);
            break;
        }
        case QEvent::MouseMove:
            viewport()->setCursor(
                glyphAt(static_cast<QMouseEvent *>(event)->position().toPoint()).isValid()
                    ? Qt::PointingHandCursor
                    : Qt::ArrowCursor);
            break;
        case QEvent::ToolTip: {
            // The glyph says what it does; the rest of the row shows the whole path.
            auto *help = static_cast<QHelpEvent *>(event);
            if (glyphAt(help->pos()).isValid()) {
                QToolTip::showText(help->globalPos(), AppDetail::tr("Show in Finder"), viewport());
                return true;
            }
            break;
        }
        default:
            break;
    }
    return QListView::viewportEvent(event);
}

void LeftoverList::keyPressEvent(QKeyEvent *event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        currentIndex().isValid()) {
        Q_EMIT revealRequested(m_rows->file(currentIndex().row()).path);
        return event->accept();
    }
    QListView::keyPressEvent(event);
}
