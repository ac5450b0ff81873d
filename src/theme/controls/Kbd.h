#pragma once

#include <QWidget>

// A key caption such as "⌘R", drawn as a small key cap.
class Kbd : public QWidget {
    Q_OBJECT
public:
    struct Metrics {
        static constexpr int height = 18;
        static constexpr int padding = 5;  // left and right
        static constexpr qreal radius = 4;
        static constexpr qreal textSize = 11;
    };

    explicit Kbd(const QString &keys, QWidget *parent = nullptr);
    // `keys` as this desktop writes them: "⌘R" is "Ctrl+R" in the Linux wording.
    static QString shown(const QString &keys);
    void setKeys(const QString &keys);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_keys;
};
