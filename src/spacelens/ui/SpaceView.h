#pragma once

#include <QMessageBox>
#include <QPointer>

#include <optional>

#include "spacelens/DiskReport.h"
#include "spacelens/SpaceModel.h"
#include "theme/controls/BodySwitch.h"
#include "theme/controls/PanePage.h"

class ContentList;
class Empty;
class QAbstractButton;
class GButton;
class Label;
class QHBoxLayout;
class QKeyEvent;
class QListView;
class QMenu;
class QMessageBox;
class SpaceRows;

// The Space Lens pane: the folder on screen as rows of its children by size,
// breadcrumbs and Back to climb, reveal and Move to Trash after a
// confirmation; at the top level also the largest files. Reads its model and
// calls its operations; keeps only the entry waiting for the confirmation.
class SpaceView : public PanePage {
    Q_OBJECT
public:
    explicit SpaceView(SpaceModel *model, QWidget *parent = nullptr);

    GButton *rescanButton() const { return m_rescan; }
    GButton *backButton() const { return m_back; }
    QWidget *measuringIndicator() const { return m_indicator; }
    // The crumb buttons, one per trail element.
    QList<QAbstractButton *> crumbs() const;
    SpaceRows *rows() const { return m_rows; }
    QListView *list() const;
    // The body shown now: the table, the measuring block, the error, or none.
    QWidget *body() const { return m_body.shown(); }
    QWidget *table() const { return m_table; }
    QWidget *measuringBlock() const { return m_measuring; }
    Empty *errorBlock() const { return m_error; }

    // The current row's "…", a focus stop of its own; hidden without one.
    QAbstractButton *rowActions() const { return m_rowActions; }
    // The row's actions, for its ellipsis and its context menu.
    QMenu *actionsMenu(const DiskEntry &entry, QWidget *parent);
    const std::optional<DiskEntry> &pendingTrash() const { return m_pendingTrash; }
    // Asks to confirm moving `entry` to the Trash.
    void requestTrash(const DiskEntry &entry);
    QMessageBox *trashDialog() const { return m_dialog; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void sync();
    void syncCrumbs();
    void syncBody();
    void back();
    void placeRowActions();
    // Return, Space, Backspace, Alt+Left, the menu key, Shift+F10 on the list.
    bool rowKey(QKeyEvent *key);

    SpaceModel *m_model;
    GButton *m_rescan;
    GButton *m_back;
    QWidget *m_indicator;
    QHBoxLayout *m_crumbs;
    int m_listHeight = 0;  // of all rows
    SpaceRows *m_rows;
    ContentList *m_list;
    QAbstractButton *m_rowActions;
    QWidget *m_table;
    QWidget *m_measuring;
    Label *m_measuringText;
    Empty *m_error;
    QWidget *m_panelBody;
    BodySwitch m_body;
    std::optional<DiskEntry> m_pendingTrash;
    QPointer<QMessageBox> m_dialog;
    SpaceModel::Trail m_crumbTrail;
    std::optional<DiskReport> m_shown;
    bool m_shownTop = false;
    bool m_keysOnRows = false;  // give the rows focus when they show again
};
