#pragma once

#include <QHash>
#include <QObject>
#include <QTimer>

#include "permissions/Automation.h"

// The state behind the first-run screen: whether the app has full disk
// access (watched once a second while asked to), whether its settings page
// was opened, and the automation answers, asked of one target after the
// other. Every change is announced by `changed`.
class AccessModel : public QObject {
    Q_OBJECT
public:
    enum class RowState { needed, waiting, granted, partial, optional };

    static constexpr int pollMs = 1000;

    static RowState fullDiskAccessState(bool fda, bool openedSettings);
    // Needed until asked; granted when every answer is; partial otherwise,
    // also when the answers were lost with a restart.
    static RowState automationState(bool asked, const QHash<QString, Automation::State> &answers);

    explicit AccessModel(QObject *parent = nullptr);

    bool hasFullDiskAccess() const { return m_fda; }
    bool openedSettings() const { return m_openedSettings; }
    // Remembered across runs; the answers themselves are not.
    bool automationAsked() const;
    // Asked, and some target said no.
    bool automationDeclined() const;
    bool isAsking() const { return m_asking; }
    RowState fullDiskAccessRow() const { return fullDiskAccessState(m_fda, m_openedSettings); }
    RowState automationRow() const { return automationState(automationAsked(), m_automation); }

    void openFullDiskAccessSettings();
    // Asks every automation target in turn; isAsking() until the last answer.
    void requestAutomation();
    // Probes file access once a second while on, until it holds.
    void setWatching(bool watching);

Q_SIGNALS:
    void changed();

private:
    void askNext(qsizetype index);
    void poll();

    bool m_fda;
    bool m_openedSettings = false;
    QHash<QString, Automation::State> m_automation;
    bool m_asking = false;
    QTimer m_poll;
};
