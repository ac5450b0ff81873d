#pragma once

#include <QWidget>

class GButton;
class Label;
class Status;
class Switch;

// The Settings window's content: the version, the permission states with
// links to the system's pages, update checks, the engine's credit and
// licence, and "Run Again" for the first-run setup.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 520;

    // "1.4.0 (27)"; "dev" and "0" stand in for missing parts.
    static QString versionText(const QString &shortVersion, const QString &buildVersion);
    // The trimmed text of engine/VERSION in `resources`; empty when unreadable.
    static QString engineVersion(const QString &resources);
    // Marks setup as not done and brings the first visible, not minimised
    // window other than Settings forward.
    static void runAgain();
    // The Settings window: titled, named "settings", as large as its
    // content; Escape closes it.
    static QWidget *createWindow();

    explicit SettingsView(QWidget *parent = nullptr);

    QString versionLine() const;
    QString creditLine() const;
    Status *fullDiskAccessStatus() const { return m_fdaStatus; }
    Status *automationStatus() const { return m_automationStatus; }
    Switch *autoUpdateSwitch() const { return m_autoUpdates; }
    GButton *checkNowButton() const { return m_checkNow; }
    GButton *runAgainButton() const { return m_runAgain; }

    // Reads the permission states again; done each time the view is shown.
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showFullDiskAccess(bool granted);
    void checkAutomation(qsizetype index, bool ok);

    Label *m_version;
    Label *m_credit;
    Status *m_fdaStatus;
    Status *m_automationStatus;
    Switch *m_autoUpdates;
    GButton *m_checkNow;
    GButton *m_runAgain;
};
