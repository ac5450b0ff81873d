#pragma once

#include "panes/Pane.h"
#include "theme/controls/BodySwitch.h"
#include "theme/controls/PanePage.h"

class CleanModel;
class Empty;
class FigureCard;
class GButton;
class StatusModel;
class StorageCard;
class QLabel;

// The Overview pane: the machine's live health (storage, health score,
// processor and memory load, battery) from the status watch, and the way to
// every other pane.
class OverviewView : public PanePage {
    Q_OBJECT
public:
    OverviewView(StatusModel *status, CleanModel *clean, QWidget *parent = nullptr);

    GButton *scanButton() const { return m_scan; }
    StorageCard *storage() const { return m_storage; }
    FigureCard *health() const { return m_health; }
    FigureCard *cpu() const { return m_cpu; }
    FigureCard *memory() const { return m_memory; }
    FigureCard *battery() const { return m_battery; }
    // The body shown now: the readings, the error, or the waiting row.
    QWidget *body() const { return m_body.shown(); }

Q_SIGNALS:
    void navigate(Pane pane);

private:
    void scanForJunk();
    void sync();
    QWidget *tools();

    StatusModel *m_status;
    CleanModel *m_clean;
    GButton *m_scan;
    QWidget *m_readings;
    StorageCard *m_storage;
    FigureCard *m_health;
    FigureCard *m_cpu;
    FigureCard *m_memory;
    FigureCard *m_battery;
    QWidget *m_batteryCard;
    QWidget *m_waiting;
    Empty *m_failure;
    BodySwitch m_body;
};
