#include "cleanup/ui/CleanView.h"

#include <QVBoxLayout>

#include "cleanup/CleanModel.h"
#include "cleanup/ui/BuildLog.h"
#include "cleanup/ui/ItemMenu.h"
#include "cleanup/ui/ReportTable.h"
#include "engine/Size.h"
#include "theme/Text.h"
#include "theme/controls/ConfirmButton.h"
#include "theme/controls/Empty.h"
#include "theme/controls/PageTitle.h"
#include "theme/controls/PhaseActions.h"
#include "theme/controls/RollingText.h"
#include "theme/controls/Status.h"
#include "theme/controls/SummaryStrip.h"

namespace {

using Phase = CleanModel::Phase;
constexpr int kIdleHeight = 300;
constexpr int kFailedHeight = 260;
constexpr int kReportMinHeight = 280;

TextStyle amountStyle() {
    TextStyle style = textStyle(24, QFont::DemiBold);
    style.font.setLetterSpacing(QFont::AbsoluteSpacing, -0.8);
    return style;
}

struct StatusLook {
    const char *text;
    Color tint;
    bool pulsing;
};

StatusLook statusLook(Phase::Kind phase) {
    switch (phase) {
        case Phase::idle:
            return {QT_TR_NOOP("Not Scanned"), Color::gray600, false};
        case Phase::scanning:
            return {QT_TR_NOOP("Scanning"), Color::amber, true};
        case Phase::ready:
            return {QT_TR_NOOP("Ready"), Color::blue, false};
        case Phase::cleaning:
            return {QT_TR_NOOP("Cleaning"), Color::amber, true};
        case Phase::done:
            return {QT_TR_NOOP("Cleaned"), Color::green, false};
        case Phase::failed:
            return {QT_TR_NOOP("Error"), Color::red, false};
    }
    return {"", Color::gray600, false};
}

QString failureHint() {
    return CleanView::tr(
        " Try scanning again; if it keeps failing, run "
        "`mo clean --dry-run` in Terminal to see details.");
}

bool isRun(Phase::Kind phase) {
    return phase == Phase::cleaning || phase == Phase::done;
}

}  // namespace

CleanView::CleanView(CleanModel *model, QWidget *parent)
    : PanePage(tr("Cleanup"),
               tr("Caches, logs, browser data, developer junk & leftovers from deleted apps."),
               parent),
      m_model(model),
      m_actions(new PhaseActions),
      m_clean(new ConfirmButton(QString(), tr("Confirm: Empty Trash & Clean"), u"sparkles"_qs)),
      m_strip(new SummaryStrip(4)),
      m_status(new Status),
      m_amount(new RollingText(amountStyle())),
      m_items(new RollingText(monoStyle(16))),
      m_progress(new RollingText(monoStyle(16))),
      m_idle(new Empty(u"sparkles"_qs, tr("Scan to See What's Safe to Remove"),
                       tr("Only known caches and leftovers are checked. Your documents, system "
                          "files & protected paths are never touched. Nothing is removed until "
                          "you confirm."))),
      m_failed(Empty::failure(tr("The Scan Didn't Finish"), {}, failureHint())),
      m_report(new ReportTable),
      m_log(new BuildLog(model)),
      m_body({m_idle, m_failed, m_report, m_log}) {
    const auto scan = [this] { m_model->scan(); };
    const QKeySequence rescan(Qt::CTRL | Qt::Key_R);
    using K = GButton::Kind;
    m_actions->add({tr("Scan"), u"search"_qs, K::primary, rescan, scan},
                   {Phase::idle, Phase::failed});
    m_actions->add({tr("Stop"), u"stop"_qs, K::secondary, QKeySequence(Qt::Key_Escape),
                    [this] { m_model->stop(); }},
                   {Phase::scanning});
    m_actions->add({tr("Rescan"), u"refresh"_qs, K::secondary, rescan, scan}, {Phase::ready});
    m_actions->add(m_clean, {Phase::ready});
    m_actions->add({tr("Cleaning…"), {}, K::secondary, {}, {}}, {Phase::cleaning});
    m_actions->add({tr("Scan Again"), u"refresh"_qs, K::secondary, rescan, scan}, {Phase::done});
    connect(m_clean, &ConfirmButton::confirmed, m_model, &CleanModel::clean);
    new ItemMenu(m_report, m_model, this);  // "Always Keep" on an item
    pageTitle()->setTrailing(m_actions);

    m_strip->cell(0)->setCaption(tr("Status"));
    m_strip->cell(0)->setValue(m_status);
    m_strip->cell(1)->setValue(m_amount);
    m_strip->cell(2)->setCaption(tr("Items"));
    m_strip->cell(2)->setValue(m_items);
    m_progress->setRolling(false);
    m_strip->cell(3)->setValue(m_progress);
    addRegion(m_strip);

    m_idle->setFixedHeight(kIdleHeight);
    m_failed->setFixedHeight(kFailedHeight);
    for (QWidget *block : std::initializer_list<QWidget *>{m_idle, m_failed, m_report, m_log})
        addRegion(block);
    // However long the report, the table ends at the window's bottom edge
    // and scrolls inside.
    fillRest(m_report, kReportMinHeight, Fill::atMost);

    syncOn(m_model,
           {&CleanModel::phaseChanged, &CleanModel::sectionsChanged, &CleanModel::totalChanged,
            &CleanModel::itemCountChanged, &CleanModel::currentChanged, &CleanModel::freedChanged,
            &CleanModel::elapsedChanged},
           &CleanView::sync);
    sync();
}

QString CleanView::duration(double seconds) {
    if (!(seconds > 0))
        return u"\u2014"_qs;
    const qint64 whole = seconds < 1e15 ? qint64(seconds) : qint64(1e15);
    const qint64 minutes = whole / 60, rest = whole % 60;
    if (minutes == 0)
        return tr("%1s").arg(rest);
    return rest == 0 ? tr("%1m").arg(minutes) : tr("%1m %2s").arg(minutes).arg(rest);
}

void CleanView::sync() {
    const Phase::Kind phase = m_model->phase().kind;
    m_actions->setPhase(phase);
    const QString title = tr("Clean ") + Size::format(m_model->total());
    if (title != m_cleanTitle)
        m_clean->setTitles(m_cleanTitle = title, tr("Confirm: Empty Trash & Clean"));
    if (phase != Phase::ready)
        m_clean->disarm();
    // The table takes the report once per batch of engine lines.
    m_report->setSections(m_model->sections());
    syncStrip();
    syncContent();
}

void CleanView::syncStrip() {
    const Phase::Kind phase = m_model->phase().kind;
    const StatusLook look = statusLook(phase);
    m_status->setText(tr(look.text));
    m_status->setTint(look.tint);
    m_status->setPulsing(look.pulsing);

    m_strip->cell(1)->setCaption(isRun(phase) ? tr("Freed") : tr("Reclaimable"));
    m_amount->setText(Size::format(isRun(phase) ? m_model->freed() : m_model->total()));

    const QList<ReportSection> &sections = m_model->sections();
    qsizetype items = 0;
    for (const ReportSection &s : sections) items += s.items.size();
    m_items->setText(m_model->itemCount() ? QString::number(*m_model->itemCount())
                     : sections.isEmpty() ? u"\u2014"_qs
                                          : QString::number(items));

    const bool running = phase == Phase::scanning || phase == Phase::cleaning;
    m_strip->cell(3)->setCaption(running ? tr("Current") : tr("Duration"));
    m_progress->setText(running ? m_model->current() : duration(m_model->elapsed()));
}

QWidget *CleanView::contentFor() const {
    switch (m_model->phase().kind) {
        case Phase::idle:
            return m_idle;
        case Phase::failed:
            return m_failed;
        case Phase::scanning:
        case Phase::ready:
            return m_report;
        case Phase::cleaning:
        case Phase::done:
            return m_log;
    }
    return m_idle;
}

void CleanView::syncContent() {
    const Phase &phase = m_model->phase();
    if (phase.kind == Phase::failed)
        m_failed->setFailure(phase.message, failureHint());
    m_report->setFinished(phase.kind == Phase::ready);
    m_log->setRunning(phase.kind == Phase::cleaning);
    m_body.show(contentFor());
}
