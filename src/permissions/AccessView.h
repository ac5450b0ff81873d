#pragma once

#include <QHash>
#include <QTimer>
#include <QWidget>

#include "permissions/Automation.h"
#include "theme/Color.h"

class Badge;
class GButton;
class Label;
class RowsCard;
class StepCircle;
class DragAppChip;

// The first-run screen: one numbered row per privacy permission (file
// access, automation, app management), "Continue" once file access holds,
// and "Restart Brightloft" for systems that apply access only to new
// processes. Watches file access once a second while shown.
class AccessView : public QWidget {
    Q_OBJECT
public:
    enum class RowState { needed, waiting, granted, partial, optional };

    static constexpr int pollMs = 1000;

    static RowState fullDiskAccessState(bool fda, bool openedSettings);
    // Needed until asked; granted when every answer is; partial otherwise,
    // also when the answers were lost with a restart.
    static RowState automationState(bool asked, const QHash<QString, Automation::State> &answers);

    explicit AccessView(QWidget *parent = nullptr);

    bool hasFullDiskAccess() const { return m_fda; }
    RowState fullDiskAccessRow() const { return fullDiskAccessState(m_fda, m_openedSettings); }
    RowState automationRow() const;
    GButton *continueButton() const { return m_continue; }
    GButton *restartButton() const { return m_restart; }
    GButton *allowButton() const { return m_allow; }
    GButton *openSettingsButton() const { return m_openSettings; }
    bool isAsking() const { return m_asking; }

Q_SIGNALS:
    // "Continue" was pressed; the root view marks setup as done.
    void done();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct Row {
        StepCircle *circle;
        Label *detail;
        Badge *badge;
    };
    Row addRow(RowsCard *card, int step, const QString &title, const QList<QWidget *> &actions);
    void showState(const Row &row, RowState state);
    void openFullDiskAccessSettings();
    void requestAutomation();
    void askNext(qsizetype index);
    void poll();
    void showStates();

    bool m_fda;
    bool m_openedSettings = false;
    QHash<QString, Automation::State> m_automation;
    bool m_asking = false;
    QTimer m_poll;

    Row m_fdaRow;
    Row m_automationRow;
    Row m_appsRow;
    DragAppChip *m_chip;
    GButton *m_openSettings;
    GButton *m_allow;
    GButton *m_continue;
    GButton *m_restart;
};
