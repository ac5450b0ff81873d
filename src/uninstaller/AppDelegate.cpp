#include "uninstaller/AppDelegate.h"

#include <QFontMetricsF>
#include <QPainter>

#include "engine/Size.h"
#include "theme/IconStore.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/Badge.h"
#include "theme/controls/HoverRow.h"
#include "uninstaller/AppRows.h"
#include "uninstaller/AppsModel.h"

namespace {

constexpr int kInset = 6;
constexpr int kPadding = 10;
constexpr int kSpacing = 10;
constexpr int kIcon = 24;
constexpr qreal kNameSize = 14;
constexpr qreal kSizeSize = 12;

constexpr int flagsLeft = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
constexpr int flagsRight = Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine;

}  // namespace

AppDelegate::AppDelegate(AppsModel *model, const AppRows *rows, QObject *parent)
    : QStyledItemDelegate(parent), m_model(model), m_rows(rows) {}

QSize AppDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const {
    return {0, rowHeight + gap};
}

void AppDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                        const QModelIndex &index) const {
    const InstalledApp &app = m_rows->app(index.row());
    const bool selected = m_model->selection() == app.path;
    const bool hovered = option.state & QStyle::State_MouseOver;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF row = QRectF(option.rect).adjusted(kInset, gap / 2.0, -kInset, -gap / 2.0);
    HoverRow::paintBackground(*painter, row, selected, hovered ? 1 : 0);

    const QRectF content = row.adjusted(kPadding, 0, -kPadding, 0);
    const QRectF icon(content.left(), content.center().y() - kIcon / 2.0, kIcon, kIcon);
    if (const QIcon image = m_model->icon(app); !image.isNull())
        image.paint(painter, icon.toAlignedRect());
    else  // an app without any icon still gets a glyph
        IconStore::shared().paint(*painter, icon, u"app"_qs,
                                  Theme::instance().color(Color::gray900));

    const auto size = m_model->sizes().constFind(app.path);
    const QString sizeText = size == m_model->sizes().cend() ? QString() : Size::format(*size);
    const TextStyle sizeStyle = monoStyle(kSizeSize, QFont::Normal, Color::gray900);
    const qreal sizeWidth = textWidth(sizeText, sizeStyle);
    drawText(*painter,
             QRectF(content.right() - sizeWidth, content.top(), sizeWidth, content.height()),
             flagsRight, sizeText, sizeStyle);

    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QString source = AppRows::badge(app);
    const QPixmap badge = source.isEmpty() ? QPixmap() : Badge::pixmap(source, Color::gray900, dpr);
    const qreal badgeWidth = badge.isNull() ? 0 : badge.deviceIndependentSize().width() + kSpacing;
    const qreal nameLeft = icon.right() + kSpacing;
    const qreal room = qMax(0.0, content.right() - sizeWidth - kSpacing - badgeWidth - nameLeft);
    const TextStyle nameStyle =
        textStyle(kNameSize, selected ? QFont::Medium : QFont::Normal, Color::gray1000);
    const QString name = QFontMetricsF(nameStyle.font).elidedText(app.name, Qt::ElideRight, room);
    drawText(*painter, QRectF(nameLeft, content.top(), room, content.height()), flagsLeft, name,
             nameStyle);
    if (!badge.isNull()) {
        const QSizeF at = badge.deviceIndependentSize();
        painter->drawPixmap(QPointF(nameLeft + textWidth(name, nameStyle) + kSpacing,
                                    content.center().y() - at.height() / 2),
                            badge);
    }
    painter->restore();
}
