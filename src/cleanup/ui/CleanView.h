#pragma once

#include "theme/controls/BodySwitch.h"
#include "theme/controls/PanePage.h"

class BuildLog;
class CleanModel;
class ConfirmButton;
class Empty;
class PhaseActions;
class ReportTable;
class RollingText;
class Status;
class SummaryStrip;

// The Cleanup pane: scan, review the report, confirm, clean, and watch the
// log. Reads its model and calls its operations; keeps only which report
// sections are open.
class CleanView : public PanePage {
    Q_OBJECT
public:
    explicit CleanView(CleanModel *model, QWidget *parent = nullptr);

    // "1m 5s", "42s": whole minutes and seconds, zero units left out; "—" for 0.
    static QString duration(double seconds);

    PhaseActions *actions() const { return m_actions; }
    ConfirmButton *cleanButton() const { return m_clean; }
    SummaryStrip *strip() const { return m_strip; }
    ReportTable *report() const { return m_report; }
    BuildLog *log() const { return m_log; }
    // The block shown in the current phase.
    QWidget *content() const { return m_body.shown(); }

private:
    void sync();
    void syncStrip();
    void syncContent();
    QWidget *contentFor() const;

    CleanModel *m_model;
    PhaseActions *m_actions;
    ConfirmButton *m_clean;
    SummaryStrip *m_strip;
    Status *m_status;
    RollingText *m_amount;
    RollingText *m_items;
    RollingText *m_progress;
    Empty *m_idle;
    Empty *m_failed;
    QString m_cleanTitle;
    ReportTable *m_report;
    BuildLog *m_log;
    BodySwitch m_body;
};
