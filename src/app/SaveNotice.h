#pragma once

#include <QWidget>

class GButton;
class Label;

// A strip under the top bar that says, once per run, that the settings could
// not be written and where, and that they hold until the app quits. Hidden
// until a write fails; "Dismiss" puts it away for good.
class SaveNotice : public QWidget {
    Q_OBJECT
public:
    explicit SaveNotice(QWidget *parent = nullptr);

    static QString message(const QString &location);

    QString text() const;
    GButton *dismissButton() const { return m_dismiss; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void announce(const QString &location);

    Label *m_text;
    GButton *m_dismiss;
    bool m_told = false;
};
