#pragma once

#include <QWidget>

#include "permissions/AccessModel.h"

class Badge;
class GButton;
class Label;
class RowsCard;
class StepCircle;
class DragAppChip;

// The first-run screen: one numbered row per privacy permission (file
// access, automation, app management), "Continue" once file access holds,
// and "Restart Brightloft" for systems that apply access only to new
// processes. Shows its own model, which watches file access while shown.
class AccessView : public QWidget {
    Q_OBJECT
public:
    using RowState = AccessModel::RowState;

    explicit AccessView(QWidget *parent = nullptr);

    AccessModel *model() const { return m_model; }
    GButton *continueButton() const { return m_continue; }
    GButton *restartButton() const { return m_restart; }
    GButton *allowButton() const { return m_allow; }
    GButton *openSettingsButton() const { return m_openSettings; }

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
    void showStates();

    AccessModel *m_model;

    Row m_fdaRow;
    Row m_automationRow;
    Row m_appsRow;
    DragAppChip *m_chip;
    GButton *m_openSettings;
    GButton *m_allow;
    GButton *m_continue;
    GButton *m_restart;
};
