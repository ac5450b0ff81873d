#include "spacelens/ui/SpaceView.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>
#include <utility>

#include "platform/Reveal.h"
#include "spacelens/SpaceRows.h"
#include "spacelens/ui/SpaceDelegate.h"
#include "theme/Accessibility.h"
#include "theme/Motion.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/Card.h"
#include "theme/controls/ContentList.h"
#include "theme/controls/Empty.h"
#include "theme/controls/GButton.h"
#include "theme/controls/HoverRow.h"
#include "theme/controls/ListRow.h"
#include "theme/controls/PageTitle.h"
#include "theme/controls/Spinner.h"
#include "theme/controls/StatusDot.h"

namespace {

constexpr int kCrumbBarHeight = 48;
constexpr int kCrumbPadding = 16;
constexpr int kCrumbSpacing = 6;
constexpr qreal kCrumbSize = 13;
constexpr int kCrumbInset = 6;  // room for the focus ring around the name
constexpr int kBackHeight = 28;
constexpr int kHeaderHeight = 36;
constexpr int kHeaderPadding = 20;
constexpr int kMeasuringHeight = 320;
constexpr int kErrorHeight = 300;
constexpr int kMeasuringSpacing = 8;
constexpr int kListMinHeight = 3 * SpaceDelegate::rowHeight;
constexpr int kPanelMinHeight = 360;

QString errorHint() {
    return SpaceView::tr(" Check that Brightloft has Full Disk Access, then rescan.");
}

// One breadcrumb: a name as plain text; the current folder's is stronger.
class Crumb : public QAbstractButton {
public:
    Crumb(const QString &name, bool current) : m_current(current) {
        setText(name);
        setCursor(current ? Qt::ArrowCursor : Qt::PointingHandCursor);
        setFocusPolicy(current ? Qt::NoFocus : Qt::TabFocus);
    }
    bool isCurrent() const { return m_current; }
    QSize sizeHint() const override {
        return {int(std::ceil(textWidth(text(), style()))) + 2 * kCrumbInset, kCrumbBarHeight - 16};
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        drawText(painter, rect().adjusted(kCrumbInset, 0, -kCrumbInset, 0), flagsLeft, text(),
                 style());
        if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange))
            HoverRow::paintFocus(painter, rect());
    }
    void keyPressEvent(QKeyEvent *event) override {
        // Return climbs as Space does.
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
            event->modifiers() == Qt::NoModifier)
            return click();
        QAbstractButton::keyPressEvent(event);
    }

private:
    TextStyle style() const {
        return m_current ? monoStyle(kCrumbSize, QFont::Medium, Color::gray1000)
                         : monoStyle(kCrumbSize, QFont::Normal,
                                     underMouse() ? Color::gray1000 : Color::gray900);
    }
    bool m_current;
};

// The captions above the rows' columns.
class ColumnHeader : public QWidget {
public:
    ColumnHeader() { setFixedHeight(kHeaderHeight); }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        const Theme &theme = Theme::instance();
        // Clear of the panel's hairline edge on either side.
        painter.fillRect(QRectF(1, 0, width() - 2, height()), theme.color(Color::bg200));
        Rule::paint(painter, 1, height() - Rule::thickness, width() - 2);
        const SpaceColumns c = SpaceColumns::in(QRectF(0, 0, width(), height() - 1));
        const TextStyle style = eyebrow();
        drawText(painter, QRectF(kHeaderPadding, 0, c.name.right() - kHeaderPadding, height() - 1),
                 flagsLeft, SpaceView::tr("Name"), style);
        drawText(painter, c.share, flagsLeft, SpaceView::tr("Share"), style);
        drawText(painter, c.size, flagsRight, SpaceView::tr("Size"), style);
    }
};

// The current row's "…" as a control of its own, over the glyph the
// delegate paints: Tab reaches it after the rows, Return or Space opens the
// row's actions, and a screen reader hears it as "Actions for" the row.
// It paints only its hover and focus; the glyph shows through.
class RowActions : public Pressable {
public:
    RowActions() {
        setFocusPolicy(Qt::TabFocus);
        setCursor(Qt::PointingHandCursor);
        Accessibility::setRole(this, QAccessible::ButtonMenu);
        hide();
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        HoverRow::paintBackground(painter, rect(), false, hoverAmount());
        if (showsFocus())
            HoverRow::paintFocus(painter, rect());
    }
};

}  // namespace

SpaceView::SpaceView(SpaceModel *model, QWidget *parent)
    : PanePage(tr("Space Lens"),
               tr("See exactly where your storage went. Click a folder to look inside."), parent),
      m_model(model),
      m_rescan(new GButton(tr("Rescan"), GButton::Kind::secondary)),
      m_back(new GButton(tr("Back"), GButton::Kind::tertiary)),
      m_indicator(new QWidget),
      m_crumbs(new QHBoxLayout),
      m_rows(new SpaceRows(this)),
      m_list(new ContentList([this] { return m_listHeight; }, kListMinHeight)),
      m_rowActions(new RowActions),
      m_table(new QWidget),
      m_measuring(new QWidget),
      m_measuringText(new Label({}, textStyle(14, QFont::Normal, Color::gray900))),
      m_error(Empty::failure(tr("Couldn't Measure This Folder"), {}, errorHint())),
      m_panelBody(new QWidget),
      m_body({m_table, m_measuring, m_error}) {
    m_rescan->setIconName(u"refresh"_qs);
    m_rescan->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(m_rescan, &QAbstractButton::clicked, this, [this] { m_model->load(true); });
    pageTitle()->setTrailing(m_rescan);

    auto *panel = new Card;
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *bar = new QWidget;
    bar->setFixedHeight(kCrumbBarHeight);
    auto *barRow = new QHBoxLayout(bar);
    // The crumbs' names sit where they would without the room for their ring.
    barRow->setContentsMargins(kCrumbPadding - kCrumbInset, 0, kCrumbPadding, 0);
    barRow->setSpacing(kCrumbSpacing);
    m_crumbs->setContentsMargins(0, 0, 0, 0);
    m_crumbs->setSpacing(kCrumbSpacing - kCrumbInset);
    barRow->addLayout(m_crumbs);
    barRow->addStretch();
    auto *indicatorRow = new QHBoxLayout(m_indicator);
    indicatorRow->setContentsMargins(0, 0, 0, 0);
    indicatorRow->setSpacing(kCrumbSpacing);
    indicatorRow->addWidget(new StatusDot(Color::amber, true));
    indicatorRow->addWidget(
        new Label(tr("Measuring sizes…"), monoStyle(12, QFont::Normal, Color::gray900)));
    barRow->addWidget(m_indicator);
    m_back->setIconName(u"arrow-left"_qs);
    m_back->setHeight(kBackHeight);
    m_back->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_BracketLeft));
    connect(m_back, &QAbstractButton::clicked, this, &SpaceView::back);
    barRow->addWidget(m_back);
    column->addWidget(bar);
    column->addWidget(new Rule);

    auto *tableColumn = new QVBoxLayout(m_table);
    tableColumn->setContentsMargins(0, 0, 0, 0);
    tableColumn->setSpacing(0);
    tableColumn->addWidget(new ColumnHeader);
    m_list->setModel(m_rows);
    m_list->setItemDelegate(new SpaceDelegate(m_rows, m_list));
    ListRow::prepare(m_list);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->viewport()->installEventFilter(this);
    m_list->installEventFilter(this);  // the keys on a row
    m_list->setAccessibleName(tr("Folder contents"));
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        const QModelIndex index = m_list->indexAt(at);
        if (index.isValid() && m_rows->row(index.row()).kind != SpaceRows::Row::largeCaption)
            actionsMenu(m_rows->row(index.row()).item, this)
                ->popup(m_list->viewport()->mapToGlobal(at));
    });
    tableColumn->addWidget(m_list);
    // Beside the list rather than inside it, where assistive tools list the
    // rows only; drawn over the list.
    m_rowActions->setParent(m_table);
    connect(m_rowActions, &QAbstractButton::clicked, this, [this] {
        const QModelIndex index = m_list->currentIndex();
        if (index.isValid())
            actionsMenu(m_rows->row(index.row()).item, this)
                ->popup(m_rowActions->mapToGlobal(m_rowActions->rect().bottomLeft()));
    });
    // Wherever the current row is drawn, once the list has laid it out.
    const auto place = [this] {
        QMetaObject::invokeMethod(this, &SpaceView::placeRowActions, Qt::QueuedConnection);
    };
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this, place);
    connect(m_list->verticalScrollBar(), &QScrollBar::valueChanged, this, place);
    connect(m_rows, &QAbstractItemModel::modelReset, this, place);
    connect(m_rows, &QAbstractItemModel::rowsRemoved, this, place);

    auto *measuringColumn = new QVBoxLayout(m_measuring);
    measuringColumn->setSpacing(kMeasuringSpacing);
    measuringColumn->addStretch();
    measuringColumn->addWidget(new Spinner(14, Color::gray900), 0, Qt::AlignHCenter);
    measuringColumn->addWidget(m_measuringText, 0, Qt::AlignHCenter);
    measuringColumn->addStretch();
    m_measuring->setFixedHeight(kMeasuringHeight);

    auto *bodyColumn = new QVBoxLayout(m_panelBody);
    bodyColumn->setContentsMargins(0, 0, 0, 0);
    bodyColumn->setSpacing(0);
    bodyColumn->addWidget(m_table);
    bodyColumn->addWidget(m_measuring);
    m_error->setFixedHeight(kErrorHeight);
    bodyColumn->addWidget(m_error);
    column->addWidget(m_panelBody);
    addRegion(panel);
    // A folder of any size: the panel ends at the window's bottom edge and
    // its rows scroll inside.
    fillRest(panel, kPanelMinHeight, Fill::atMost);

    syncOn(m_model,
           {&SpaceModel::trailChanged, &SpaceModel::reportsChanged, &SpaceModel::provisionalChanged,
            &SpaceModel::errorChanged, &SpaceModel::measuringChanged},
           &SpaceView::sync);
    sync();
}

QListView *SpaceView::list() const {
    return m_list;
}

QList<QAbstractButton *> SpaceView::crumbs() const {
    QList<QAbstractButton *> out;
    for (int i = 0; i < m_crumbs->count(); ++i)
        if (auto *crumb = dynamic_cast<Crumb *>(m_crumbs->itemAt(i)->widget()))
            out.append(crumb);
    return out;
}

void SpaceView::showEvent(QShowEvent *event) {
    PanePage::showEvent(event);
    m_model->load(false);
}

void SpaceView::back() {
    SpaceModel::Trail trail = m_model->trail();
    if (trail.size() < 2)
        return;
    trail.removeLast();
    m_model->setTrail(trail);
}

void SpaceView::sync() {
    const bool measuring = m_model->measuring().contains(m_model->key());
    m_rescan->setLoading(measuring);
    m_back->setVisible(m_model->trail().size() >= 2);
    fade(m_indicator, measuring && m_model->report().has_value());
    syncCrumbs();
    syncBody();
    // A folder opened or left from the keyboard: the rows take the keys again
    // once they are back, at the first row.
    if (m_keysOnRows && m_list->isVisible()) {
        m_keysOnRows = false;
        m_list->setFocus(Qt::OtherFocusReason);
        m_list->setCurrentIndex(m_rows->index(0));
    }
    placeRowActions();
}

void SpaceView::syncCrumbs() {
    const SpaceModel::Trail &trail = m_model->trail();
    if (trail == m_crumbTrail && m_crumbs->count() > 0)
        return;
    m_crumbTrail = trail;
    while (QLayoutItem *item = m_crumbs->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (int i = 0; i < trail.size(); ++i) {
        if (i >= 1)
            m_crumbs->addWidget(
                new Label(u"/"_qs, monoStyle(kCrumbSize, QFont::Normal, Color::gray600)));
        const bool last = i == trail.size() - 1;
        auto *crumb = new Crumb(trail[i] ? trail[i]->name : tr("This Mac"), last);
        if (!last)
            connect(crumb, &QAbstractButton::clicked, this, [this, i, crumb] {
                // The crumbs are made anew: keys that pressed one go on to the rows.
                m_keysOnRows = m_keysOnRows || crumb->hasFocus();
                m_model->setTrail(m_model->trail().first(i + 1));
            });
        m_crumbs->addWidget(crumb);
    }
    // New crumbs join the end of the Tab order: put the bar before the rows again.
    QList<QWidget *> order;
    for (QAbstractButton *crumb : crumbs())
        if (crumb->focusPolicy() != Qt::NoFocus)  // the current folder is no stop
            order.append(crumb);
    order << m_back << m_list << m_rowActions;
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void SpaceView::placeRowActions() {
    const QModelIndex index = m_list->currentIndex();
    const bool entry = index.isValid() && index.row() < m_rows->rowCount() &&
                       m_rows->row(index.row()).kind != SpaceRows::Row::largeCaption;
    const QRect rect =
        entry ? SpaceColumns::in(m_list->visualRect(index)).actions_.toAlignedRect() : QRect();
    if (!entry || !m_list->isVisible() || !m_list->viewport()->rect().contains(rect)) {
        // Its row went: the keys go back to the rows, not out of the pane.
        if (m_rowActions->hasFocus())
            m_list->setFocus(Qt::OtherFocusReason);
        m_rowActions->hide();
        return;
    }
    m_rowActions->setGeometry(rect.translated(m_list->viewport()->mapTo(m_table, QPoint())));
    m_rowActions->setAccessibleName(tr("Actions for ") + m_rows->row(index.row()).item.name);
    m_rowActions->show();
    m_rowActions->raise();
}

void SpaceView::syncBody() {
    const std::optional<DiskReport> report = m_model->report();
    const bool top = m_model->trail().size() == 1;
    const bool measuring = m_model->measuring().contains(m_model->key());
    const std::optional<QString> &error = m_model->error();

    if (!report && !measuring && error)
        m_error->setFailure(*error, errorHint());

    if (report && (report != m_shown || top != m_shownTop)) {
        m_shown = report;
        m_shownTop = top;
        m_rows->setReport(*report, top);
        m_listHeight = 0;
        for (int i = 0; i < m_rows->rowCount(); ++i)
            m_listHeight += m_rows->row(i).kind == SpaceRows::Row::largeCaption
                                ? SpaceDelegate::captionHeight
                                : SpaceDelegate::rowHeight;
        m_list->contentChanged();
    }
    m_measuringText->setText(top ? tr("Measuring your whole Mac. This takes about 30 seconds…")
                                 : tr("Measuring…"));

    m_body.show(report      ? m_table
                : measuring ? m_measuring
                : error     ? static_cast<QWidget *>(m_error)
                            : nullptr);
}

QMenu *SpaceView::actionsMenu(const DiskEntry &entry, QWidget *parent) {
    auto *menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setAccessibleName(tr("Actions for ") + entry.name);
    const QString path = entry.path;
    menu->addAction(tr("Show in Finder"), menu, [path] { Reveal::show(path); });
    if (entry.isFolder())
        menu->addAction(tr("Open"), this, [this, entry] { m_model->open(entry); });
    menu->addSeparator();
    menu->addAction(tr("Move to Trash…"), this, [this, entry] { requestTrash(entry); });
    return menu;
}

void SpaceView::requestTrash(const DiskEntry &entry) {
    if (m_dialog)
        return;
    m_pendingTrash = entry;
    m_dialog = new QMessageBox(this);
    m_dialog->setIcon(QMessageBox::NoIcon);
    m_dialog->setText(tr("Move “") + entry.name + tr("” to the Trash?"));
    m_dialog->setInformativeText(tr("You can restore it from the Trash until you empty it."));
    // The app's own buttons: moving is drawn as the destructive action it is.
    auto *move = new GButton(tr("Move to Trash"), GButton::Kind::error);
    auto *cancel = new GButton(tr("Cancel"), GButton::Kind::secondary);
    m_dialog->addButton(move, QMessageBox::DestructiveRole);
    m_dialog->addButton(cancel, QMessageBox::RejectRole);
    m_dialog->setEscapeButton(cancel);
    cancel->setFocus();
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_dialog, &QMessageBox::finished, this, [this, move] {
        // Closing in any way forgets the entry; only the button moves it.
        const std::optional<DiskEntry> pending = std::exchange(m_pendingTrash, std::nullopt);
        if (pending && m_dialog && m_dialog->clickedButton() == move)
            m_model->trash(*pending);
    });
    m_dialog->open();
}

bool SpaceView::rowKey(QKeyEvent *key) {
    const bool menuKey = key->key() == Qt::Key_Menu ||
                         (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
    if (key->key() == Qt::Key_Backspace ||
        (key->key() == Qt::Key_Left && key->modifiers() == Qt::AltModifier)) {
        m_keysOnRows = m_model->trail().size() >= 2;
        back();
        return true;
    }
    const QModelIndex index = m_list->currentIndex();
    if (!index.isValid() || m_rows->row(index.row()).kind == SpaceRows::Row::largeCaption)
        return false;
    const DiskEntry entry = m_rows->row(index.row()).item;
    if (menuKey) {
        // Where the row's ellipsis is drawn, as if it had been clicked.
        const SpaceColumns c = SpaceColumns::in(m_list->visualRect(index));
        actionsMenu(entry, this)
            ->popup(m_list->viewport()->mapToGlobal(c.actions_.bottomLeft().toPoint()));
        return true;
    }
    const bool opens =
        key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space;
    if (opens && key->modifiers() == Qt::NoModifier) {
        m_keysOnRows = entry.isFolder();
        if (entry.isFolder())
            QMetaObject::invokeMethod(
                this, [this, entry] { m_model->open(entry); }, Qt::QueuedConnection);
        return true;
    }
    return false;
}

bool SpaceView::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        rowKey(static_cast<QKeyEvent *>(event)))
        return true;
    if ((watched == m_list || watched == m_list->viewport()) &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        QMetaObject::invokeMethod(this, &SpaceView::placeRowActions, Qt::QueuedConnection);
    if (watched == m_list->viewport() && (event->type() == QEvent::MouseButtonRelease)) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QModelIndex index = m_list->indexAt(mouse->position().toPoint());
        if (mouse->button() != Qt::LeftButton || !index.isValid())
            return PanePage::eventFilter(watched, event);
        const SpaceRows::Row &row = m_rows->row(index.row());
        if (row.kind == SpaceRows::Row::largeCaption)
            return true;
        const DiskEntry entry = row.item;
        const SpaceColumns c = SpaceColumns::in(m_list->visualRect(index));
        if (c.actions_.contains(mouse->position())) {
            actionsMenu(entry, this)
                ->popup(m_list->viewport()->mapToGlobal(c.actions_.bottomLeft().toPoint()));
        } else if (entry.isFolder()) {
            // Queued: opening resets the rows this event is still delivered over.
            QMetaObject::invokeMethod(
                this, [this, entry] { m_model->open(entry); }, Qt::QueuedConnection);
        }
        return true;
    }
    return PanePage::eventFilter(watched, event);
}
