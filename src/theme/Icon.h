#pragma once

#include <QWidget>

#include "theme/Color.h"

// A square showing a named icon in a named colour; empty (transparent) when
// the icon cannot be found.
class Icon : public QWidget {
    Q_OBJECT
public:
    explicit Icon(const QString &name, int size, Color color = Color::gray1000,
                  QWidget *parent = nullptr);

    void setName(const QString &name);
    void setColor(Color color);
    QSize sizeHint() const override { return {m_size, m_size}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_name;
    int m_size;
    Color m_color;
};
