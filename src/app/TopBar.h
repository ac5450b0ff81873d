#pragma once

#include <QList>
#include <QWidget>

#include "panes/Pane.h"

class FreeSpacePill;
class GButton;
class Label;
class QMenu;
class StatusModel;
class TabButton;

// The top of the main window: the brand, the section's name, the free-space
// pill and the application menu button, above the row of pane tabs. The
// desktop keeps its own title bar on Linux, so nothing is left blank for
// floating window buttons.
class TopBar : public QWidget {
    Q_OBJECT
public:
    struct Metrics {
        static constexpr int titleHeight = 52;
        static constexpr int padding = 16;  // left and right
        static constexpr int spacing = 10;
        static constexpr int tabSpacing = 2;
        static constexpr int logo = 20;
        static constexpr int menuButton = 28;
    };

    explicit TopBar(StatusModel *status, QWidget *parent = nullptr);

    void setPane(Pane pane);
    // Tabs for the panes, or the word "Setup" while the permissions screen shows.
    void setShowTabs(bool show);
    bool showsTabs() const { return m_showTabs; }
    // The application menu behind the trailing button.
    void setMenu(QMenu *menu);

    QString sectionLabel() const;
    const QList<TabButton *> &tabs() const { return m_tabs; }
    FreeSpacePill *pill() const { return m_pill; }
    GButton *menuButton() const { return m_menuButton; }

Q_SIGNALS:
    void paneRequested(Pane pane);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void updateLabel();

    Pane m_pane = Pane::overview;
    bool m_showTabs = true;
    Label *m_section;
    FreeSpacePill *m_pill;
    GButton *m_menuButton;
    QMenu *m_menu = nullptr;
    QWidget *m_tabRow;
    QList<TabButton *> m_tabs;
};
