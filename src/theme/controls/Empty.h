#pragma once

#include <QWidget>

class Label;

// What a pane shows when there is nothing to show yet: an icon on a small
// tile, a title and a short explanation, centred.
class Empty : public QWidget {
    Q_OBJECT
public:
    struct Metrics {
        static constexpr int spacing = 12;
        static constexpr int padding = 40;
        static constexpr int tile = 44;
        static constexpr qreal tileRadius = 10;
        static constexpr int icon = 20;
        static constexpr qreal titleSize = 16;
        static constexpr qreal messageSize = 14;
        static constexpr int messageWidth = 380;  // at most
    };

    // `message` is plain text, or rich text when `format` says so.
    Empty(const QString &icon, const QString &title, const QString &message,
          QWidget *parent = nullptr, Qt::TextFormat format = Qt::PlainText);
    // An error's text and the hint after it, on lines of their own.
    static Empty *failure(const QString &title, const QString &error, const QString &hint,
                          QWidget *parent = nullptr);

    QString title() const;
    QString message() const;
    void setTitle(const QString &title);
    void setMessage(const QString &message, Qt::TextFormat format = Qt::PlainText);
    // Says `error`, then `hint`, as failure() does.
    void setFailure(const QString &error, const QString &hint);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    Label *m_title;
    Label *m_message;
};
