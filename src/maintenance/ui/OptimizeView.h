#pragma once

#include "theme/controls/BodySwitch.h"
#include "theme/controls/PanePage.h"

class CheckReport;
class Empty;
class OptimizeModel;
class PhaseActions;
class RollingText;
class Status;
class SummaryStrip;

// The Maintenance pane: run the health check, read what it found, apply the
// fixes. Reads its model and starts its runs; never stops one.
class OptimizeView : public PanePage {
    Q_OBJECT
public:
    explicit OptimizeView(OptimizeModel *model, QWidget *parent = nullptr);

    // Items whose kind is note: the ones that need attention.
    static int attention(const OptimizeModel &model);

    PhaseActions *actions() const { return m_actions; }
    SummaryStrip *strip() const { return m_strip; }
    CheckReport *report() const { return m_report; }
    // The block shown now, or none.
    QWidget *content() const { return m_body.shown(); }

private:
    void sync();

    OptimizeModel *m_model;
    PhaseActions *m_actions;
    SummaryStrip *m_strip;
    Status *m_status;
    RollingText *m_checks;
    RollingText *m_attention;
    RollingText *m_result;
    Empty *m_invitation;
    Empty *m_failure;
    CheckReport *m_report;
    BodySwitch m_body;
};
