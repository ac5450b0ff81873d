#include "permissions/ui/AccessView.h"

#include <QApplication>
#include <QDrag>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include "permissions/FullDiskAccess.h"
#include "platform/Privacy.h"
#include "platform/Relaunch.h"
#include "theme/IconStore.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/Badge.h"
#include "theme/controls/Card.h"
#include "theme/controls/GButton.h"
#include "theme/controls/Logo.h"
#include "theme/controls/RowsCard.h"

namespace {

constexpr int kSpacing = 28;
constexpr int kPadding = 40;
constexpr int kCardWidth = 600;
constexpr qreal kCardRadius = 12;
constexpr int kRowButtonHeight = 32;
constexpr int kMainButtonHeight = 36;

}  // namespace

// The numbered circle at the start of a row; green with a check once granted.
class StepCircle : public QWidget {
public:
    static constexpr int size = 24;

    explicit StepCircle(int step) : m_step(step) { setFixedSize(size, size); }
    void setGranted(bool granted) {
        m_granted = granted;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override {
        const Theme &theme = Theme::instance();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(theme.color(m_granted ? Color::green : Color::gray100));
        painter.drawEllipse(rect());
        if (m_granted) {
            const qreal icon = 14;
            const QRectF box((size - icon) / 2, (size - icon) / 2, icon, icon);
            IconStore::shared().paint(painter, box, u"check"_qs, Qt::white);
        } else {
            drawText(painter, rect(), Qt::AlignCenter, QString::number(m_step),
                     monoStyle(12, QFont::Medium));
        }
    }

private:
    int m_step;
    bool m_granted = false;
};

// The app's icon and "Drag me": dragging it offers the app's file, to drop
// into the system's list of apps allowed to read everything.
class DragAppChip : public QWidget {
public:
    DragAppChip() {
        setFixedHeight(36);
        setToolTip(AccessView::tr("Drag into the Full Disk Access list in System Settings"));
        setAccessibleName(AccessView::tr("Brightloft app, drag into System Settings"));
        setCursor(Qt::OpenHandCursor);
        auto *row = new QHBoxLayout(this);
        row->setContentsMargins(6 + 28 + 8, 0, 12, 0);
        row->addWidget(new Label(AccessView::tr("Drag me"), textStyle(13, QFont::Medium)));
    }

    static QUrl appUrl() { return QUrl::fromLocalFile(Relaunch::target()); }

protected:
    void paintEvent(QPaintEvent *) override {
        const Theme &theme = Theme::instance();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        paintCard(painter, rect(), 8, Color::gray100);
        const QRect icon(6, (height() - 28) / 2, 28, 28);
        const QIcon installed = QIcon::fromTheme(QGuiApplication::desktopFileName());
        if (!installed.isNull()) {
            installed.paint(&painter, icon);
        } else {
            painter.translate(icon.topLeft());
            Logo::paint(painter, icon.width(), theme.color(Color::gray1000));
        }
    }

    void mousePressEvent(QMouseEvent *event) override { m_pressedAt = event->position().toPoint(); }

    void mouseMoveEvent(QMouseEvent *event) override {
        if (!(event->buttons() & Qt::LeftButton) ||
            (event->position().toPoint() - m_pressedAt).manhattanLength() <
                QApplication::startDragDistance())
            return;
        auto *mime = new QMimeData;
        mime->setUrls({appUrl()});
        auto *drag = new QDrag(this);
        drag->setMimeData(mime);
        drag->setPixmap(grab());
        drag->exec(Qt::CopyAction | Qt::LinkAction);
    }

private:
    QPoint m_pressedAt;
};

AccessView::AccessView(QWidget *parent)
    : QWidget(parent),
      m_model(new AccessModel(this)),
      m_chip(new DragAppChip),
      m_openSettings(new GButton),
      m_allow(new GButton(tr("Allow"))),
      m_continue(new GButton(tr("Continue"))),
      m_restart(new GButton(tr("Restart Brightloft"), GButton::Kind::secondary)) {
    // Centred in the window; in a window too low for it, it scrolls rather
    // than squeeze its buttons.
    auto *page = new QWidget;
    page->setAutoFillBackground(false);
    auto *scroll = new QScrollArea;
    scroll->setFocusPolicy(Qt::NoFocus);  // not a Tab stop of its own: the buttons inside are
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    scroll->setWidget(page);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(kSpacing);
    column->addStretch();

    auto *header = new QVBoxLayout;
    header->setSpacing(12);
    header->addWidget(new Logo(36), 0, Qt::AlignHCenter);
    header->addWidget(new Label(tr("Set Up Permissions"), heading(28)), 0, Qt::AlignHCenter);
    auto *intro = new Label(
        tr("Grant these once, so macOS doesn't interrupt you with pop-ups while Brightloft works."),
        textStyle(14, QFont::Normal, Color::gray900));
    intro->setAlignment(Qt::AlignHCenter);
    intro->setWordWrap(true);
    header->addWidget(intro);
    column->addLayout(header);

    m_openSettings->setIconName(u"sliders"_qs);
    m_openSettings->setHeight(kRowButtonHeight);
    m_allow->setIconName(u"shield-check"_qs);
    m_allow->setHeight(kRowButtonHeight);
    auto *appSettings = new GButton(tr("Open Settings"), GButton::Kind::secondary);
    appSettings->setIconName(u"sliders"_qs);
    appSettings->setHeight(kRowButtonHeight);
    // Where the desktop has no such page, the button says so instead of doing nothing.
    appSettings->setEnabled(
        Privacy::canOpenSettings(QString::fromLatin1(FullDiskAccess::appManagementPage)));
    if (!appSettings->isEnabled())
        appSettings->setToolTip(tr("Your desktop has no settings page for this."));

    auto *card = new RowsCard(kCardRadius);
    card->setFixedWidth(kCardWidth);
    m_fdaRow = addRow(card, 1, tr("Full Disk Access"), {m_chip, m_openSettings});
    m_automationRow = addRow(card, 2, tr("Automation"), {m_allow});
    m_appsRow = addRow(card, 3, tr("App Management"), {appSettings});
    m_appsRow.detail->setText(tr("Lets the Uninstaller remove apps from /Applications."));
    showState(m_appsRow, RowState::optional);
    // Centred by stretches, not by alignment: an aligned item is asked for
    // its height at the column's full width, so a detail that wraps in the
    // narrower card would not get the lines it needs.
    auto *centred = new QHBoxLayout;
    centred->addStretch();
    centred->addWidget(card);
    centred->addStretch();
    column->addLayout(centred);

    m_continue->setIconName(u"arrow-right"_qs);
    m_continue->setHeight(kMainButtonHeight);
    m_restart->setIconName(u"refresh"_qs);
    m_restart->setHeight(kMainButtonHeight);
    m_restart->setToolTip(tr("Some macOS versions apply Full Disk Access only after a restart"));
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    buttons->addStretch();
    buttons->addWidget(m_continue);
    buttons->addWidget(m_restart);
    buttons->addStretch();
    column->addLayout(buttons);

    auto *footer =
        new Label(tr("Brightloft reads to measure, and removes nothing without your confirmation."),
                  textStyle(12, QFont::Normal, Color::gray600));
    column->addWidget(footer, 0, Qt::AlignHCenter);
    column->addStretch();

    connect(m_openSettings, &GButton::clicked, m_model, &AccessModel::openFullDiskAccessSettings);
    connect(m_allow, &GButton::clicked, m_model, &AccessModel::requestAutomation);
    connect(appSettings, &GButton::clicked, this, [] {
        FullDiskAccess::openSettings(QString::fromLatin1(FullDiskAccess::appManagementPage));
    });
    connect(m_continue, &GButton::clicked, this, &AccessView::done);
    connect(m_restart, &GButton::clicked, this, [] { FullDiskAccess::relaunch(); });

    connect(m_model, &AccessModel::changed, this, &AccessView::showStates);
    showStates();
}

AccessView::Row AccessView::addRow(RowsCard *card, int step, const QString &title,
                                   const QList<QWidget *> &actions) {
    auto *row = new QWidget;
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(16, 14, 16, 14);
    line->setSpacing(14);
    Row parts{new StepCircle(step), new Label({}, textStyle(13, QFont::Normal, Color::gray900)),
              new Badge};
    line->addWidget(parts.circle, 0, Qt::AlignVCenter);

    auto *text = new QVBoxLayout;
    text->setSpacing(3);
    auto *titleLine = new QHBoxLayout;
    titleLine->setSpacing(8);
    titleLine->addWidget(new Label(title, textStyle(14, QFont::Medium)));
    titleLine->addWidget(parts.badge);
    titleLine->addStretch();
    text->addLayout(titleLine);
    parts.detail->setWordWrap(true);
    text->addWidget(parts.detail);
    line->addLayout(text, 1);
    for (QWidget *action : actions) line->addWidget(action, 0, Qt::AlignVCenter);
    card->addRow(row);
    return parts;
}

void AccessView::showState(const Row &row, RowState state) {
    // The badge each state shows; a needed permission shows none.
    struct Look {
        RowState state;
        const char *text;
        Color tint;
        bool dot;
    };
    static constexpr Look looks[] = {
        {RowState::waiting, QT_TR_NOOP("Waiting…"), Color::amber, true},
        {RowState::granted, QT_TR_NOOP("Granted"), Color::green, false},
        {RowState::partial, QT_TR_NOOP("Partly granted"), Color::amber, false},
        {RowState::optional, QT_TR_NOOP("Optional"), Color::gray900, false},
    };
    row.circle->setGranted(state == RowState::granted);
    const auto look = std::find_if(std::cbegin(looks), std::cend(looks),
                                   [state](const Look &l) { return l.state == state; });
    row.badge->setVisible(look != std::cend(looks));
    if (look == std::cend(looks))
        return;
    row.badge->setText(tr(look->text));
    row.badge->setTint(look->tint);
    row.badge->setDot(look->dot);
}

void AccessView::showStates() {
    const bool fda = m_model->hasFullDiskAccess();
    const bool opened = m_model->openedSettings();
    const bool asked = m_model->automationAsked();
    const bool waiting = opened && !fda;

    showState(m_fdaRow, m_model->fullDiskAccessRow());
    m_fdaRow.detail->setText(waiting
                                 ? tr("Drag the Brightloft icon into the list, then turn it on.")
                                 : tr("Measure & clean caches across your Mac."));
    m_chip->setVisible(waiting);
    m_openSettings->setVisible(!fda);
    m_openSettings->setTitle(opened ? tr("Open Again") : tr("Open Settings"));
    m_openSettings->setKind(opened ? GButton::Kind::secondary : GButton::Kind::primary);

    const RowState automation = m_model->automationRow();
    showState(m_automationRow, automation);
    m_automationRow.detail->setText(
        m_model->automationDeclined()
            ? tr("Some access was declined. Re-enable it in Privacy & Security → Automation.")
            : tr("Lets the engine check running apps & use Finder's Trash. macOS asks twice."));
    m_allow->setVisible(automation != RowState::granted);
    m_allow->setKind(fda && !asked ? GButton::Kind::primary : GButton::Kind::secondary);
    m_allow->setLoading(m_model->isAsking());

    m_continue->setKind(fda && asked ? GButton::Kind::primary : GButton::Kind::secondary);
    m_continue->setEnabled(fda);
    m_restart->setVisible(waiting);
}

void AccessView::showEvent(QShowEvent *event) {
    m_model->setWatching(true);
    QWidget::showEvent(event);
}

void AccessView::hideEvent(QHideEvent *event) {
    m_model->setWatching(false);
    QWidget::hideEvent(event);
}
