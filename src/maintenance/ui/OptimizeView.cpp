#include "maintenance/ui/OptimizeView.h"

#include "maintenance/OptimizeModel.h"
#include "maintenance/ui/CheckReport.h"
#include "theme/Text.h"
#include "theme/controls/Empty.h"
#include "theme/controls/PageTitle.h"
#include "theme/controls/PhaseActions.h"
#include "theme/controls/RollingText.h"
#include "theme/controls/Status.h"
#include "theme/controls/SummaryStrip.h"

namespace {

using Phase = OptimizeModel::Phase;
constexpr int kInvitationHeight = 280;
constexpr int kFailureHeight = 260;

bool isRunning(Phase phase) {
    return phase == Phase::checking || phase == Phase::running;
}

}  // namespace

OptimizeView::OptimizeView(OptimizeModel *model, QWidget *parent)
    : PanePage(tr("Maintenance"),
               tr("Health checks and safe repairs for Finder, Spotlight, network & system "
                  "databases."),
               parent),
      m_model(model),
      m_actions(new PhaseActions),
      m_strip(new SummaryStrip(4)),
      m_status(new Status),
      m_checks(new RollingText(monoStyle(16))),
      m_attention(new RollingText(monoStyle(16))),
      m_result(new RollingText(textStyle(14))),
      m_invitation(new Empty(u"pulse"_qs, tr("Run a Health Check"),
                             tr("Checks first and changes nothing. You decide whether to apply "
                                "the fixes."))),
      m_failure(new Empty(u"warning"_qs, {}, {})),
      m_report(new CheckReport),
      m_body({m_invitation, m_failure, m_report}) {
    const auto check = [this] { m_model->run(true); };
    const QKeySequence again(Qt::CTRL | Qt::Key_R);
    using K = GButton::Kind;
    m_actions->add({tr("Run Check"), u"pulse"_qs, K::primary, again, check}, {Phase::idle});
    m_actions->add({tr("Checking…"), {}, K::secondary, {}, {}}, {Phase::checking});
    m_actions->add({tr("Recheck"), u"refresh"_qs, K::secondary, {}, check}, {Phase::ready});
    m_actions->add({tr("Apply Fixes"), u"play"_qs, K::primary, {}, [this] { m_model->run(false); }},
                   {Phase::ready});
    m_actions->add({tr("Applying…"), {}, K::secondary, {}, {}}, {Phase::running});
    m_actions->add({tr("Check Again"), u"pulse"_qs, K::primary, again, check}, {Phase::done});
    pageTitle()->setTrailing(m_actions);

    const QString captions[] = {tr("Status"), tr("Checks"), tr("Attention"), tr("Result")};
    QWidget *values[] = {m_status, m_checks, m_attention, m_result};
    for (int i = 0; i < 4; ++i) {
        m_strip->cell(i)->setCaption(captions[i]);
        m_strip->cell(i)->setValue(values[i]);
    }
    m_result->setRolling(false);
    addRegion(m_strip);

    m_invitation->setFixedHeight(kInvitationHeight);
    m_failure->setFixedHeight(kFailureHeight);
    for (QWidget *block : std::initializer_list<QWidget *>{m_invitation, m_failure, m_report})
        addRegion(block);

    syncOn(m_model,
           {&OptimizeModel::phaseChanged, &OptimizeModel::sectionsChanged,
            &OptimizeModel::summaryChanged, &OptimizeModel::failedChanged},
           &OptimizeView::sync);
    sync();
}

int OptimizeView::attention(const OptimizeModel &model) {
    int count = 0;
    for (const ReportSection &section : model.sections())
        for (const ReportItem &item : section.items) count += item.kind == ReportItem::Kind::note;
    return count;
}

void OptimizeView::sync() {
    const Phase phase = m_model->phase();
    const bool failed = !m_model->failed().isEmpty() && !isRunning(phase);
    const int attention = OptimizeView::attention(*m_model);
    m_actions->setPhase(phase);

    // A failed run is no result: it never reads as healthy or complete.
    switch (phase) {
        case Phase::idle:
            m_status->setText(tr("Not Checked"));
            break;
        case Phase::checking:
            m_status->setText(tr("Checking"));
            break;
        case Phase::ready:
            m_status->setText(failed           ? tr("Error")
                              : attention == 0 ? tr("Healthy")
                                               : tr("Needs Attention"));
            break;
        case Phase::running:
            m_status->setText(tr("Applying"));
            break;
        case Phase::done:
            m_status->setText(failed ? tr("Error") : tr("Complete"));
            break;
    }
    m_status->setTint(failed                                   ? Color::red
                      : phase == Phase::idle                   ? Color::gray600
                      : isRunning(phase)                       ? Color::amber
                      : phase == Phase::ready && attention > 0 ? Color::amber
                                                               : Color::green);
    m_status->setPulsing(isRunning(phase));

    qsizetype checks = 0;
    for (const ReportSection &section : m_model->sections()) checks += section.items.size();
    m_checks->setText(QString::number(checks));
    m_attention->setText(QString::number(attention));
    m_attention->setColor(attention == 0 ? Color::gray1000 : Color::amber);
    m_result->setText(m_model->summary().isEmpty() ? u"\u2014"_qs : m_model->summary().first());
    m_result->setToolTip(m_model->summary().value(0));  // the whole line, when it is cut short

    const bool empty = m_model->sections().isEmpty();
    if (failed) {
        m_failure->setTitle(phase == Phase::done ? tr("The Fixes Didn't Finish")
                                                 : tr("The Check Didn't Finish"));
        m_failure->setMessage(m_model->failed());
    }
    m_report->setReport(m_model->sections(), m_model->summary());

    QWidget *wanted = m_report;
    if (empty)
        wanted = phase == Phase::idle ? m_invitation : failed ? m_failure : nullptr;
    m_body.show(wanted);
}
