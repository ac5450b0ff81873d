#pragma once

#include <QTimer>

#include <optional>

#include "theme/controls/PanePage.h"
#include "uninstaller/AppsModel.h"

class AppDetail;
class AppRows;
class Label;
class QLineEdit;
class QListView;

// The Uninstaller pane: the installed apps, searchable and largest first,
// and the selected app's files with a two-step Uninstall. Reads its model
// and forwards clicks, hovers and keys; keeps only the search text and the
// pending hover prefetch.
class UninstallView : public PanePage {
    Q_OBJECT
public:
    static constexpr int hoverDelayMs = 250;
    static constexpr int listWidth = 360;

    explicit UninstallView(AppsModel *model, QWidget *parent = nullptr);

    // "42 apps · 18.4 GB total" and its other forms.
    static QString subtitle(int apps, const std::optional<qint64> &totalSize);

    QLineEdit *search() const { return m_search; }
    AppRows *rows() const { return m_rows; }
    QListView *list() const { return m_list; }
    // The text shown instead of the list (loading, empty, no match, error); hidden while listing.
    Label *listNote() const { return m_note; }
    // The detail pane's content now.
    QWidget *detail() const { return m_detail; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What the detail pane shows: rebuilt only when this changes.
    struct DetailState {
        AppsModel::Preview preview;
        std::optional<InstalledApp> app;  // for files and loading

        bool operator==(const DetailState &) const = default;
    };

    void sync();
    void syncList();
    void syncDetail();
    void hover(const QModelIndex &index);
    void colourSearch();
    void refocus();

    AppsModel *m_model;
    QLineEdit *m_search;
    AppRows *m_rows;
    QListView *m_list;
    QWidget *m_loading;
    Label *m_note;
    QWidget *m_detailPanel;
    QWidget *m_panels;
    QWidget *m_detail = nullptr;
    std::optional<DetailState> m_detailState;
    QTimer m_hover;
    QString m_hovered;  // path of the row under the pointer
};
