#include "uninstaller/ui/AppDelegate.h"

#include <QPainter>

#include "engine/Size.h"
#include "theme/IconStore.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/ListRow.h"
#include "uninstaller/AppRows.h"
#include "uninstaller/AppsModel.h"

namespace {

constexpr ListRow::Metrics kRow{6, AppDelegate::gap / 2.0, 10, 10, 24};
constexpr qreal kNameSize = 14;
constexpr qreal kSizeSize = 12;

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
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const ListRow line(option.rect, kRow);
    line.paintBackground(*painter, selected, option);

    if (const QIcon image = m_model->icon(app); !image.isNull())
        image.paint(painter, line.icon.toAlignedRect());
    else  // an app without any icon still gets a glyph
        IconStore::shared().paint(*painter, line.icon, u"app"_qs,
                                  Theme::instance().color(Color::gray900));

    const QRectF content = line.content;
    const auto size = m_model->sizes().constFind(app.path);
    const QString sizeText = size == m_model->sizes().cend() ? QString() : Size::format(*size);
    const TextStyle sizeStyle = monoStyle(kSizeSize, QFont::Normal, Color::gray900);
    const qreal sizeWidth = textWidth(sizeText, sizeStyle);
    drawText(*painter,
             QRectF(content.right() - sizeWidth, content.top(), sizeWidth, content.height()),
             flagsRight, sizeText, sizeStyle);

    line.paintName(*painter, content.right() - sizeWidth - kRow.spacing, app.name,
                   textStyle(kNameSize, selected ? QFont::Medium : QFont::Normal, Color::gray1000),
                   Qt::ElideRight, ListRow::badge(*painter, AppRows::badge(app), Color::gray900));
    painter->restore();
}
