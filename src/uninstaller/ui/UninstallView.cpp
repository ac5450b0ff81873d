#include "uninstaller/ui/UninstallView.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QShortcut>
#include <QVBoxLayout>

#include <utility>

#include "engine/Size.h"
#include "theme/Fonts.h"
#include "theme/Icon.h"
#include "theme/Motion.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/Card.h"
#include "theme/controls/ConfirmButton.h"
#include "theme/controls/Empty.h"
#include "theme/controls/Kbd.h"
#include "theme/controls/ListRow.h"
#include "theme/controls/PageTitle.h"
#include "theme/controls/Spinner.h"
#include "uninstaller/AppRows.h"
#include "uninstaller/AppsModel.h"
#include "uninstaller/ui/AppDelegate.h"
#include "uninstaller/ui/AppDetail.h"

namespace {

constexpr int kPanelsMinHeight = 360;
constexpr int kPanelGap = 16;
constexpr int kSearchHeight = 44;
constexpr int kSearchPadding = 14;
constexpr int kNoteSpacing = 8;

Empty *notice(const char *icon, const QString &title, const QString &message) {
    return new Empty(QString::fromLatin1(icon), title, message);
}

QWidget *centred(QWidget *glyph, QWidget *text) {
    auto *block = new QWidget;
    auto *column = new QVBoxLayout(block);
    column->setSpacing(kNoteSpacing);
    column->addStretch();
    column->addWidget(glyph, 0, Qt::AlignHCenter);
    column->addWidget(text, 0, Qt::AlignHCenter);
    column->addStretch();
    return block;
}

}  // namespace

UninstallView::UninstallView(AppsModel *model, QWidget *parent)
    : PanePage(tr("Uninstaller"), tr("Remove apps together with the files they leave behind."),
               parent),
      m_model(model),
      m_search(new QLineEdit),
      m_rows(new AppRows(this)),
      m_list(new QListView),
      m_loading(
          centred(new Spinner(14, Color::gray900),
                  new Label(tr("Finding apps…"), textStyle(14, QFont::Normal, Color::gray900)))),
      m_note(new Label({}, textStyle(14, QFont::Normal, Color::gray900))),
      m_detailPanel(new Card),
      m_panels(new QWidget) {
    auto *panels = m_panels;
    auto *split = new QHBoxLayout(panels);
    split->setContentsMargins(0, 0, 0, 0);
    split->setSpacing(kPanelGap);

    auto *listPanel = new Card;
    listPanel->setFixedWidth(listWidth);
    auto *listColumn = new QVBoxLayout(listPanel);
    listColumn->setContentsMargins(0, 0, 0, 6);
    listColumn->setSpacing(0);
    auto *searchRow = new QWidget;
    searchRow->setFixedHeight(kSearchHeight);
    auto *searchLine = new QHBoxLayout(searchRow);
    searchLine->setContentsMargins(kSearchPadding, 0, kSearchPadding, 0);
    searchLine->setSpacing(10);
    searchLine->addWidget(new Icon(u"search"_qs, 15, Color::gray900));
    m_search->setPlaceholderText(tr("Search apps…"));
    m_search->setAccessibleName(tr("Search Apps"));
    m_search->setFont(Font::geist(14));
    m_search->setFrame(false);
    m_search->setAttribute(Qt::WA_MacShowFocusRect, false);
    colourSearch();
    connect(&Theme::instance(), &Theme::appearanceChanged, this, &UninstallView::colourSearch);
    searchLine->addWidget(m_search, 1);
    searchLine->addWidget(new Kbd(u"⌘F"_qs));
    listColumn->addWidget(searchRow);
    listColumn->addWidget(new Rule);

    m_list->setModel(m_rows);
    m_list->setItemDelegate(new AppDelegate(m_model, m_rows, m_list));
    m_list->setUniformItemSizes(true);
    ListRow::prepare(m_list);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_list->viewport()->installEventFilter(this);
    connect(m_list, &QAbstractItemView::clicked, this,
            [this](const QModelIndex &index) { m_model->select(m_rows->app(index.row()).path); });
    // From the keyboard: an arrow moving from row to row selects where it lands
    // (not the first row the list makes current when it takes focus), Return
    // and Space select the current row.
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                if (m_list->hasFocus() && current.isValid() && previous.isValid())
                    m_model->select(m_rows->app(current.row()).path);
            });
    connect(m_list, &QAbstractItemView::activated, this,
            [this](const QModelIndex &index) { m_model->select(m_rows->app(index.row()).path); });
    m_list->installEventFilter(this);
    m_list->setAccessibleName(tr("Apps"));
    listColumn->addWidget(m_list, 1);
    listColumn->addWidget(m_loading, 1);
    m_note->setAlignment(Qt::AlignCenter);
    m_note->setWordWrap(true);
    m_note->setContentsMargins(20, 0, 20, 0);
    listColumn->addWidget(m_note, 1);
    split->addWidget(listPanel);

    new QVBoxLayout(m_detailPanel);
    m_detailPanel->layout()->setContentsMargins(0, 0, 0, 0);
    split->addWidget(m_detailPanel, 1);
    addRegion(panels);
    // The list and the detail fill the page below the title.
    fillRest(panels, kPanelsMinHeight, Fill::exactly);

    // Ctrl+F anywhere in the pane, even while the list has focus.
    // Window-wide, so it works before anything in the pane has focus; it
    // lives only while the pane is shown.
    auto *find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    find->setContext(Qt::WindowShortcut);
    connect(find, &QShortcut::activated, m_search,
            [this] { m_search->setFocus(Qt::ShortcutFocusReason); });

    m_hover.setSingleShot(true);
    m_hover.setInterval(hoverDelayMs);
    connect(&m_hover, &QTimer::timeout, this, [this] {
        for (const InstalledApp &app : m_model->apps())
            if (app.path == m_hovered)
                return m_model->prefetch(app);
    });

    connect(m_search, &QLineEdit::textChanged, this, &UninstallView::syncList);
    syncOn(m_model,
           {&AppsModel::appsChanged, &AppsModel::sizesChanged, &AppsModel::loadingChanged,
            &AppsModel::errorChanged, &AppsModel::selectionChanged, &AppsModel::previewChanged},
           &UninstallView::sync);
    sync();
}

QString UninstallView::subtitle(int apps, const std::optional<qint64> &totalSize) {
    if (apps == 0)
        return tr("Remove apps together with the files they leave behind.");
    return QString::number(apps) + tr(" app") + (apps == 1 ? QString() : tr("s")) + u" · "_qs +
           (totalSize ? Size::format(*totalSize) + tr(" total") : tr("Measuring sizes…"));
}

void UninstallView::colourSearch() {
    const Theme &theme = Theme::instance();
    QPalette palette = m_search->palette();
    palette.setColor(QPalette::Text, theme.color(Color::gray1000));
    palette.setColor(QPalette::PlaceholderText, theme.color(Color::gray600));
    palette.setColor(QPalette::Base, Qt::transparent);
    m_search->setPalette(palette);
}

void UninstallView::showEvent(QShowEvent *event) {
    PanePage::showEvent(event);
    m_model->load();
}

void UninstallView::sync() {
    std::optional<qint64> total;
    if (!m_model->sizes().isEmpty()) {
        total = 0;
        for (qint64 size : m_model->sizes()) *total += size;
    }
    pageTitle()->setSubtitle(subtitle(int(m_model->apps().size()), total));
    syncList();
    syncDetail();
}

void UninstallView::syncList() {
    const QString query = m_search->text();
    m_rows->update(m_model->apps(), m_model->sizes(), query);
    const bool loading = m_model->isLoading() && m_model->apps().isEmpty();
    const bool listed = !loading && m_rows->rowCount() > 0;
    // The last row gone (uninstalled, filtered away): the keys go to the search.
    if (m_list->hasFocus() && !listed)
        m_search->setFocus(Qt::OtherFocusReason);
    m_loading->setVisible(loading);
    m_list->setVisible(listed);
    m_note->setVisible(!loading && !listed);
    if (!query.isEmpty())
        m_note->setText(tr("No apps match “") + query + tr("”."));
    else if (m_model->apps().isEmpty() && m_model->error())
        // A failed listing says why instead of looking like an empty computer.
        m_note->setText(tr("Couldn't list your apps.") + u' ' + *m_model->error());
    else
        m_note->setText(tr("No apps found."));
    m_list->viewport()->update();
}

void UninstallView::syncDetail() {
    using Kind = AppsModel::Preview::Kind;
    const AppsModel::Preview &preview = m_model->preview();
    DetailState state{preview, std::nullopt};
    if (preview.kind == Kind::files || preview.kind == Kind::loading)
        for (const InstalledApp &a : m_model->apps())
            if (m_model->selection() == a.path) {
                state.app = a;
                break;
            }
    if (m_detail && state == m_detailState)
        return;
    m_detailState = state;
    const std::optional<InstalledApp> &app = state.app;
    // The focused button may go with the old content: keep the keyboard in the pane.
    const bool hadFocus = m_detail && m_detail->isAncestorOf(QApplication::focusWidget());
    delete m_detail;
    switch (preview.kind) {
        case Kind::files:
        case Kind::loading:
            if (app)
                m_detail = new AppDetail(m_model, *app,
                                         preview.kind == Kind::files
                                             ? std::optional<AppsModel::Plan>(preview.plan)
                                             : std::nullopt);
            else
                m_detail = new QWidget;
            break;
        case Kind::removing:
            m_detail = centred(
                new Spinner(14, Color::gray900),
                new Label(tr("Moving to Trash…"), textStyle(14, QFont::Normal, Color::gray900)));
            break;
        case Kind::removed:
            m_detail = notice("check-circle", tr("Uninstalled"), preview.message);
            break;
        case Kind::failed:
            m_detail = notice("warning", tr("Couldn't Uninstall"), preview.message);
            break;
        case Kind::none:
            m_detail = notice("box", tr("Select an App"),
                              tr("See every file an app left around your Mac before anything is "
                                 "removed. Files go to the Trash, so you can undo."));
            break;
    }
    m_detailPanel->layout()->addWidget(m_detail);
    rise(m_detail);
    if (hadFocus)
        refocus();
}

void UninstallView::hover(const QModelIndex &index) {
    const QString path = index.isValid() ? m_rows->app(index.row()).path : QString();
    if (path == m_hovered)
        return;
    // Entering or leaving a row cancels the pending prefetch; resting starts one.
    m_hover.stop();
    m_hovered = path;
    if (!path.isEmpty())
        m_hover.start();
}

void UninstallView::refocus() {
    auto *detail = qobject_cast<AppDetail *>(m_detail);
    if (detail && detail->uninstallButton()->isEnabled())
        detail->uninstallButton()->setFocus(Qt::OtherFocusReason);
    else if (m_list->isVisible())
        m_list->setFocus(Qt::OtherFocusReason);
    else
        m_search->setFocus(Qt::OtherFocusReason);
}

bool UninstallView::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space &&
        m_list->currentIndex().isValid()) {
        m_model->select(m_rows->app(m_list->currentIndex().row()).path);
        return true;
    }
    if (watched == m_list->viewport()) {
        if (event->type() == QEvent::MouseMove)
            hover(m_list->indexAt(static_cast<QMouseEvent *>(event)->position().toPoint()));
        else if (event->type() == QEvent::Leave)
            hover({});
    }
    return PanePage::eventFilter(watched, event);
}
