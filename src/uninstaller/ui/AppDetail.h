#pragma once

#include <QWidget>

#include <optional>

#include "uninstaller/AppsModel.h"

class ConfirmButton;
class LeftoverList;
class SummaryStrip;

// One app in the Uninstaller's detail pane: header with reveal and the
// two-step Uninstall (disabled until the plan is known), the three figures,
// the files the removal takes along, and the footer note.
class AppDetail : public QWidget {
    Q_OBJECT
public:
    AppDetail(AppsModel *model, const InstalledApp &app, const std::optional<AppsModel::Plan> &plan,
              QWidget *parent = nullptr);

    // "app" for a bundle-like path, else "file".
    static QString leftoverIcon(const QString &path);

    ConfirmButton *uninstallButton() const { return m_uninstall; }
    SummaryStrip *stats() const { return m_stats; }
    // The leftovers listed, in plan order; none until the plan is known.
    LeftoverList *files() const { return m_files; }

private:
    ConfirmButton *m_uninstall;
    SummaryStrip *m_stats;
    LeftoverList *m_files = nullptr;
};
