#pragma once

#include <QObject>
#include <QStringList>

// The user's keep list, through the engine: what is kept is never cleaned.
// Every operation runs the engine in the background and reports back on the
// main thread; the list is re-read after each change.
class KeptItems : public QObject {
    Q_OBJECT
public:
    explicit KeptItems(QObject *parent = nullptr);

    // The kept paths as the engine shows them ("~/.cache/spotify").
    const QStringList &paths() const { return m_paths; }
    // Set when the last operation failed: the engine's own line, or its error.
    const QString &error() const { return m_error; }

    void load();
    // Keeps what the report item labelled `label` names.
    void keep(const QString &label);
    void release(const QString &path);

    // The kept paths in the engine's "--kept" output.
    static QStringList parse(const QString &output);

Q_SIGNALS:
    void changed();  // paths() or error() has been read anew
    void kept();     // a keep() finished, well or not

private:
    void change(const QStringList &args, void (KeptItems::*after)());

    QStringList m_paths;
    QString m_error;
};
