#include "spacelens/SpaceView.h"

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
#include <QVBoxLayout>

#include <cmath>
#include <utility>

#include "platform/Reveal.h"
#include "spacelens/SpaceDelegate.h"
#include "spacelens/SpaceRows.h"
#include "theme/Motion.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/Card.h"
#include "theme/controls/ContentList.h"
#include "theme/controls/Empty.h"
#include "theme/controls/GButton.h"
#include "theme/controls/ListRow.h"
#include "theme/controls/PageTitle.h"
#include "theme/controls/Spinner.h"
#include "theme/controls/StatusDot.h"

namespace {

constexpr int kCrumbBarHeight = 48;
constexpr int kCrumbPadding = 16;
constexpr int kCrumbSpacing = 6;
constexpr qreal kCrumbSize = 13;
constexpr int kBackHeight = 28;
constexpr int kHeaderHeight = 36;
constexpr int kHeaderPadding = 20;
constexpr int kMeasuringHeight = 320;
constexpr int kErrorHeight = 300;
constexpr int kMeasuringSpacing = 8;
constexpr int kListMinHeight = 3 * SpaceDelegate::rowHeight;
constexpr int kPanelMinHeight = 360;

constexpr int flagsLeft = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
constexpr int flagsRight = Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine;

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
        return {int(std::ceil(textWidth(text(), style()))), kCrumbBarHeight - 16};
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        drawText(painter, rect(), flagsLeft, text(), style());
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
      m_table(new QWidget),
      m_measuring(new QWidget),
      m_measuringText(new Label({}, textStyle(14, QFont::Normal, Color::gray900))),
      m_panelBody(new QWidget) {
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
    barRow->setContentsMargins(kCrumbPadding, 0, kCrumbPadding, 0);
    barRow->setSpacing(kCrumbSpacing);
    m_crumbs->setContentsMargins(0, 0, 0, 0);
    m_crumbs->setSpacing(kCrumbSpacing);
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
    column->addWidget(m_panelBody);
    addRegion(panel);
    // A folder of any size: the panel ends at the window's bottom edge and
    // its rows scroll inside.
    fillRest(panel, kPanelMinHeight, Fill::atMost);

    for (auto changed :
         {&SpaceModel::trailChanged, &SpaceModel::reportsChanged, &SpaceModel::provisionalChanged,
          &SpaceModel::errorChanged, &SpaceModel::measuringChanged})
        connect(m_model, changed, this, [this] {
            // Several properties change per step of the model: draw once.
            if (!std::exchange(m_pending, true))
                QMetaObject::invokeMethod(this, &SpaceView::sync, Qt::QueuedConnection);
        });
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

QWidget *SpaceView::body() const {
    for (QWidget *w : {m_table, m_measuring, static_cast<QWidget *>(m_error)})
        if (w && !w->isHidden())
            return w;
    return nullptr;
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
    m_pending = false;
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
            connect(crumb, &QAbstractButton::clicked, this,
                    [this, i] { m_model->setTrail(m_model->trail().first(i + 1)); });
        m_crumbs->addWidget(crumb);
    }
}

void SpaceView::syncBody() {
    const std::optional<DiskReport> report = m_model->report();
    const bool top = m_model->trail().size() == 1;
    const bool measuring = m_model->measuring().contains(m_model->key());
    const std::optional<QString> &error = m_model->error();

    if (!report && !measuring && error && (!m_error || m_errorText != *error)) {
        // The message is part of the block: a new error gets a new block.
        delete m_error;
        m_errorText = *error;
        m_error = Empty::failure(tr("Couldn't Measure This Folder"), *error,
                                 tr(" Check that Brightloft has Full Disk Access, then rescan."));
        m_error->setFixedHeight(kErrorHeight);
        m_panelBody->layout()->addWidget(m_error);
    }

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

    QWidget *wanted = report      ? m_table
                      : measuring ? m_measuring
                      : error     ? static_cast<QWidget *>(m_error)
                                  : nullptr;
    QWidget *shown = body();
    for (QWidget *w : {m_table, m_measuring, static_cast<QWidget *>(m_error)})
        if (w)
            w->setVisible(w == wanted);
    if (wanted && wanted != shown)
        rise(wanted);
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
