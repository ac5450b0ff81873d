#include "overview/ui/OverviewView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "cleanup/CleanModel.h"
#include "overview/StatusModel.h"
#include "overview/ui/OverviewCards.h"
#include "overview/ui/OverviewFigures.h"
#include "theme/Icon.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/Card.h"
#include "theme/controls/Empty.h"
#include "theme/controls/GButton.h"
#include "theme/controls/GCard.h"
#include "theme/controls/HoverRow.h"
#include "theme/controls/Kbd.h"
#include "theme/controls/PageTitle.h"
#include "theme/controls/Spinner.h"

namespace {

constexpr int kCardSpacing = 16;
constexpr int kStoragePadding = 24;
constexpr int kFigurePadding = 20;
constexpr int kWaitingHeight = 320;
constexpr int kToolsSpacing = 10;
constexpr int kPanelPadding = 6;
constexpr qreal kPanelRadius = 12;
constexpr int kTile = 32;
constexpr qreal kTileRadius = 8;

struct Tool {
    Pane pane;
    const char *icon;
    const char *description;
};

// The panes the Tools list leads to, in their order.
constexpr Tool kTools[] = {
    {Pane::clean, "sparkles",
     QT_TRANSLATE_NOOP("OverviewView", "Caches, logs, browser data, developer junk & leftovers")},
    {Pane::uninstall, "box",
     QT_TRANSLATE_NOOP("OverviewView", "Remove apps together with the files they leave behind")},
    {Pane::space, "bars",
     QT_TRANSLATE_NOOP("OverviewView", "Find the folders and files taking up your disk")},
    {Pane::optimize, "pulse",
     QT_TRANSLATE_NOOP("OverviewView", "Refresh Spotlight, Finder, network & system databases")},
};

// A card-coloured rounded panel with a hairline, around the Tools rows; a
// rule between two rows, inset from both sides.
class ToolsPanel : public QWidget {
public:
    static constexpr int ruleInset = 12;

protected:
    void paintEvent(QPaintEvent *) override {
        const Theme &theme = Theme::instance();
        QPainter painter(this);
        paintCard(painter, rect(), kPanelRadius);
        const QList<HoverRow *> rows = findChildren<HoverRow *>(Qt::FindDirectChildrenOnly);
        for (qsizetype i = 0; i + 1 < rows.size(); ++i)
            painter.fillRect(QRectF(rows[i]->x() + ruleInset, rows[i]->geometry().bottom() + 1,
                                    rows[i]->width() - 2 * ruleInset, 1),
                             theme.color(Color::border));
    }
};

// The pane's icon on a small neutral tile.
class Tile : public QWidget {
public:
    explicit Tile(const QString &icon) {
        setFixedSize(kTile, kTile);
        auto *centre = new QVBoxLayout(this);
        centre->setContentsMargins(0, 0, 0, 0);
        centre->addWidget(new Icon(icon, 17, Color::gray1000), 0, Qt::AlignCenter);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::instance().color(Color::gray100));
        painter.drawRoundedRect(rect(), kTileRadius, kTileRadius);
    }
};

QString failureHint() {
    return OverviewView::tr(" Try reopening Brightloft.");
}

GCard *card(int padding, QWidget *content) {
    auto *c = new GCard(padding);
    c->content()->addWidget(content);
    return c;
}

}  // namespace

OverviewView::OverviewView(StatusModel *status, CleanModel *clean, QWidget *parent)
    : PanePage(tr("Overview"), OverviewFigures::subtitle(std::nullopt), parent),
      m_status(status),
      m_clean(clean),
      m_scan(new GButton(tr("Scan for Junk"), GButton::Kind::primary)),
      m_readings(new QWidget),
      m_storage(new StorageCard),
      m_health(new FigureCard(FigureCard::Kind::health, tr("Health"))),
      m_cpu(new FigureCard(FigureCard::Kind::load, tr("CPU"))),
      m_memory(new FigureCard(FigureCard::Kind::load, tr("Memory"))),
      m_battery(new FigureCard(FigureCard::Kind::battery, tr("Battery"))),
      m_waiting(new QWidget),
      m_failure(Empty::failure(tr("Couldn't Read System Status"), {}, failureHint())),
      m_body({m_readings, m_failure, m_waiting}) {
    m_scan->setIconName(u"sparkles"_qs);
    connect(m_scan, &QAbstractButton::clicked, this, &OverviewView::scanForJunk);
    pageTitle()->setTrailing(m_scan);

    auto *readings = new QVBoxLayout(m_readings);
    readings->setContentsMargins(0, 0, 0, 0);
    readings->setSpacing(PanePage::spacing);
    readings->addWidget(card(kStoragePadding, m_storage));
    auto *figures = new QHBoxLayout;
    figures->setSpacing(kCardSpacing);
    m_batteryCard = card(kFigurePadding, m_battery);
    for (QWidget *c : std::initializer_list<QWidget *>{
             card(kFigurePadding, m_health), card(kFigurePadding, m_cpu),
             card(kFigurePadding, m_memory), m_batteryCard})
        figures->addWidget(c, 1, Qt::AlignTop);
    readings->addLayout(figures);
    readings->addWidget(tools());
    addRegion(m_readings);

    auto *waiting = new QHBoxLayout(m_waiting);
    waiting->setSpacing(8);
    waiting->addStretch();
    waiting->addWidget(new Spinner(14, Color::gray900));
    waiting->addWidget(
        new Label(tr("Reading your Mac…"), textStyle(14, QFont::Normal, Color::gray900)));
    waiting->addStretch();
    m_waiting->setMinimumHeight(kWaitingHeight);
    addRegion(m_waiting);
    addRegion(m_failure);

    syncOn(
        m_status,
        {&StatusModel::snapshotChanged, &StatusModel::cpuHistoryChanged,
         &StatusModel::memHistoryChanged, &StatusModel::errorChanged, &StatusModel::staleChanged},
        &OverviewView::sync);
    sync();
}

QWidget *OverviewView::tools() {
    auto *section = new QWidget;
    auto *column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(kToolsSpacing);
    column->addWidget(new Label(tr("Tools"), eyebrow()));

    auto *panel = new ToolsPanel;
    auto *rows = new QVBoxLayout(panel);
    rows->setContentsMargins(kPanelPadding, kPanelPadding, kPanelPadding, kPanelPadding);
    rows->setSpacing(0);
    for (const Tool &tool : kTools) {
        auto *row = new HoverRow(panel);
        row->setCursor(Qt::PointingHandCursor);
        row->setAccessibleName(Panes::title(tool.pane));
        row->content()->setContentsMargins(12, 10, 12, 10);
        row->content()->setSpacing(14);
        row->content()->addWidget(new Tile(QString::fromLatin1(tool.icon)));
        auto *text = new QVBoxLayout;
        text->setSpacing(2);
        text->addWidget(new Label(Panes::title(tool.pane), textStyle(14, QFont::Medium)));
        text->addWidget(
            new Label(tr(tool.description), textStyle(13, QFont::Normal, Color::gray900)));
        row->content()->addLayout(text, 1);
        row->content()->addWidget(new Kbd(u"⌘"_qs + Panes::shortcutKey(tool.pane)));
        row->content()->addWidget(new Icon(u"arrow-right"_qs, 15, Color::gray900));
        connect(row, &QAbstractButton::clicked, this,
                [this, pane = tool.pane] { Q_EMIT navigate(pane); });
        rows->addWidget(row);
    }
    column->addWidget(panel);
    return section;
}

void OverviewView::scanForJunk() {
    // Whatever the Cleanup pane is doing or showing stays; only a fresh one scans.
    // Locals only after the signal: a direct connection may switch panes and
    // delete this view.
    CleanModel *clean = m_clean;
    const bool scan = clean->phase().kind == CleanModel::Phase::idle;
    Q_EMIT navigate(Pane::clean);
    if (scan)
        clean->scan();
}

void OverviewView::sync() {
    const std::optional<StatusSnapshot> &snapshot = m_status->snapshot();
    // A reading from an engine that has since ended says so.
    pageTitle()->setSubtitle(OverviewFigures::subtitle(snapshot) + (snapshot && m_status->isStale()
                                                                        ? tr(" \u00B7 Not updating")
                                                                        : QString()));
    if (snapshot) {
        m_storage->showReading(*snapshot);
        m_health->showHealth(*snapshot);
        m_cpu->showLoad(snapshot->cpu.usage, OverviewFigures::cpuDetail(snapshot->cpu),
                        m_status->cpuHistory());
        m_memory->showLoad(snapshot->memory.usedPercent,
                           OverviewFigures::memoryDetail(snapshot->memory), m_status->memHistory());
        const bool battery = snapshot->batteries && !snapshot->batteries->isEmpty();
        m_batteryCard->setVisible(battery);
        if (battery)
            m_battery->showBattery(snapshot->batteries->first());
    }
    const std::optional<QString> &error = m_status->error();
    if (!snapshot && error)
        m_failure->setFailure(*error, failureHint());
    m_body.show(snapshot ? m_readings : error ? static_cast<QWidget *>(m_failure) : m_waiting);
}
