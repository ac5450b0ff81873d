#include "cleanup/ui/ReportTable.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

#include "cleanup/ReportRows.h"
#include "cleanup/ui/ItemRow.h"
#include "engine/Size.h"
#include "theme/Icon.h"
#include "theme/IconStore.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/ContentList.h"
#include "theme/controls/ListRow.h"
#include "theme/controls/ShareBar.h"
#include "theme/controls/Spinner.h"

namespace {

constexpr int kChevron = 14;
constexpr int kGap = 10;          // chevron to title, title to badge
constexpr qreal kHoverInset = 6;  // the hover fill stays clear of the card's edge
// A section row is a list row with the chevron where the icon stands.
constexpr ListRow::Metrics kSectionRow{kHoverInset, 2, ReportColumns::padding - kHoverInset, kGap,
                                       kChevron};
constexpr qreal kTitleSize = 14;
constexpr qreal kFigureSize = 13;  // counts and sizes
constexpr int kShareHeight = 4;
constexpr qreal kFooterTextSize = 12;
constexpr int kFooterIcon = 14;
constexpr int kFooterSpacing = 6;
constexpr int kFooterHeight = 44;
constexpr int kPlaceholderSpacing = 8;

int actionCount(const ReportSection &section) {
    return int(std::count_if(section.items.cbegin(), section.items.cend(), [](const ReportItem &i) {
        return i.kind == ReportItem::Kind::action;
    }));
}

bool needsReview(const ReportSection &section) {
    return std::any_of(section.items.cbegin(), section.items.cend(),
                       [](const ReportItem &i) { return i.kind == ReportItem::Kind::review; });
}

static_assert(ReportRows::rule == Rule::thickness, "the rows leave room for the panel's rule");

// The captions above the columns, with a rule below.
class Header : public QWidget {
public:
    Header() { setFixedHeight(ReportTable::headerHeight); }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        const QRectF row(0, 0, width(), height() - ReportRows::rule);
        const ReportColumns c = ReportColumns::in(row);
        const TextStyle style = eyebrow();
        drawText(painter, c.category, flagsLeft, ReportTable::tr("Category"), style);
        drawText(painter, c.items, flagsRight, ReportTable::tr("Items"), style);
        drawText(painter, c.share, flagsLeft, ReportTable::tr("Share"), style);
        drawText(painter, c.size, flagsRight, ReportTable::tr("Size"), style);
        Rule::paint(painter, 0, row.bottom(), width());
    }
};

// A row of an icon or a spinner beside a text.
QWidget *notice(QWidget *glyph, const QString &text, const TextStyle &style, int spacing) {
    auto *w = new QWidget;
    auto *row = new QHBoxLayout(w);
    row->setContentsMargins(ReportColumns::padding, 0, ReportColumns::padding, 0);
    row->setSpacing(spacing);
    row->addWidget(glyph);
    auto *label = new Label(text, style);
    label->setWordWrap(true);
    row->addWidget(label, 1);
    return w;
}

// Centred in a block of its own height.
QWidget *centred(QWidget *content, int height) {
    auto *w = new QWidget;
    w->setFixedHeight(height);
    auto *row = new QHBoxLayout(w);
    row->addStretch();
    row->addWidget(content);
    row->addStretch();
    return w;
}

}  // namespace

ReportColumns ReportColumns::in(const QRectF &row) {
    ReportColumns c;
    const qreal right = row.right() - padding;
    c.size = QRectF(right - sizeWidth, row.top(), sizeWidth, row.height());
    const qreal shareEnd = c.size.left() - sharePadding;
    c.share = QRectF(shareEnd - shareWidth, row.top(), shareWidth, row.height());
    c.items =
        QRectF(c.share.left() - sharePadding - itemsWidth, row.top(), itemsWidth, row.height());
    const qreal left = row.left() + padding;
    c.category = QRectF(left, row.top(), qMax(0.0, c.items.left() - left), row.height());
    return c;
}

ReportDelegate::ReportDelegate(const ReportRows *rows, QObject *parent)
    : QStyledItemDelegate(parent), m_rows(rows) {}

QSize ReportDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const {
    return {0, m_rows->rowHeight(index.row())};
}

void ReportDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                           const QModelIndex &index) const {
    const int row = index.row();
    const ReportRows::Row &r = m_rows->row(row);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (r.item < 0) {
        paintSection(*painter, option, row);
    } else {
        QRectF line = option.rect;
        line.setTop(line.top() + (r.firstItem ? ReportRows::blockPadding : 0));
        line.setHeight(ReportRows::itemHeight);
        const ReportColumns c = ReportColumns::in(line);
        line.setLeft(c.category.left() + kChevron + kGap);
        ItemRow::paint(*painter, line, c.size, *m_rows->item(row));
    }
    if (r.lastOfSection)
        Rule::paint(*painter, option.rect.left(), option.rect.bottom() + 1 - ReportRows::rule,
                    option.rect.width());
    painter->restore();
}

void ReportDelegate::paintSection(QPainter &painter, const QStyleOptionViewItem &option,
                                  int row) const {
    const ReportSection &section = m_rows->section(row);
    const QRectF line(option.rect.left(), option.rect.top(), option.rect.width(),
                      ReportRows::sectionHeight);
    const ListRow shape(line, kSectionRow);
    shape.paintBackground(painter, false, option.state & QStyle::State_MouseOver);
    const ReportColumns c = ReportColumns::in(line);
    const Theme &theme = Theme::instance();

    // The chevron points down while the section is open.
    const QRectF chevron = shape.icon;
    painter.save();
    painter.translate(chevron.center());
    if (m_rows->isExpanded(section.id))
        painter.rotate(90);
    IconStore::shared().paint(painter, chevron.translated(-chevron.center()), u"chevron-right"_qs,
                              theme.color(Color::gray900));
    painter.restore();

    const QPixmap review =
        needsReview(section) ? ListRow::badge(painter, tr("Review"), Color::amber) : QPixmap();
    shape.paintName(painter, c.category.right(), section.title,
                    textStyle(kTitleSize, QFont::Medium), Qt::ElideRight, review);

    const TextStyle figure = monoStyle(kFigureSize, QFont::Normal, Color::gray900);
    drawText(painter, c.items, flagsRight, QString::number(actionCount(section)), figure);

    const qint64 bytes = section.bytes();
    ShareBar::paint(painter,
                    QRectF(c.share.left(), line.center().y() - kShareHeight / 2.0, c.share.width(),
                           kShareHeight),
                    double(bytes) / double(m_rows->largest()), theme.color(Color::gray1000));

    drawText(painter, c.size, flagsRight,
             bytes == 0 ? QStringLiteral("\u2014") : Size::format(bytes), monoStyle(kFigureSize));
}

ReportTable::ReportTable(QWidget *parent)
    : Card(Card::defaultRadius, parent),
      m_rows(new ReportRows(this)),
      m_list(new ContentList([this] { return m_rows->contentHeight(); }, minimumListHeight)) {
    m_list->setModel(m_rows);
    m_list->setItemDelegate(new ReportDelegate(m_rows, m_list));
    ListRow::prepare(m_list);
    m_list->setCursor(Qt::PointingHandCursor);
    m_list->setAccessibleName(tr("Items"));
    connect(m_list, &QAbstractItemView::clicked, this,
            [this](const QModelIndex &index) { m_rows->toggle(index.row()); });
    m_list->installEventFilter(this);

    m_searching = centred(notice(new Spinner(14, Color::gray900), tr("Looking for junk…"),
                                 textStyle(14, QFont::Normal, Color::gray900), kPlaceholderSpacing),
                          placeholderHeight);
    m_nothing = centred(notice(new Icon(u"check-circle"_qs, 14, Color::green),
                               tr("Nothing to clean. No junk was found."),
                               textStyle(14, QFont::Normal, Color::gray900), kPlaceholderSpacing),
                        placeholderHeight);
    m_footer = notice(new Icon(u"info"_qs, kFooterIcon, Color::gray900),
                      tr("Items marked Review are never removed automatically. Admin-only system "
                         "caches are skipped. Cleaning empties the Trash."),
                      textStyle(kFooterTextSize, QFont::Normal, Color::gray900), kFooterSpacing);
    m_footer->setMinimumHeight(kFooterHeight);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(new Header);
    column->addWidget(m_searching);
    column->addWidget(m_nothing);
    column->addWidget(m_list);
    column->addWidget(m_footer);
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_rows, signal, this, &ReportTable::fit);
    connect(m_rows, &QAbstractItemModel::dataChanged, m_list->viewport(),
            qOverload<>(&QWidget::update));
    fit();
}

QListView *ReportTable::list() const {
    return m_list;
}

void ReportTable::setSections(const QList<ReportSection> &sections) {
    m_rows->setSections(sections);
    fit();
}

void ReportTable::setFinished(bool finished) {
    m_finished = finished;
    fit();
}

void ReportTable::fit() {
    const bool empty = m_rows->rowCount() == 0;
    m_searching->setVisible(empty && !m_finished);
    m_nothing->setVisible(empty && m_finished);
    m_list->setVisible(!empty);
    m_footer->setVisible(!empty);
    m_list->contentChanged();
}

bool ReportTable::eventFilter(QObject *watched, QEvent *event) {
    // Space or Return opens or closes the focused section, like a click.
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
            m_list->currentIndex().isValid()) {
            m_rows->toggle(m_list->currentIndex().row());
            return true;
        }
    }
    return Card::eventFilter(watched, event);
}
