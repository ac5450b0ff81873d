#pragma once

#include <QMainWindow>

class QMenu;
class RootView;

// The one main window: the root view, at least 980 × 660.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr QSize minimumSize{980, 660};

    // `menu` is the application menu behind the top bar's trailing button.
    explicit MainWindow(QMenu *menu = nullptr, QWidget *parent = nullptr);
    RootView *root() const { return m_root; }

private:
    RootView *m_root;
};
