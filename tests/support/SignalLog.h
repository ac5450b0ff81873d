#pragma once

#include <QMap>
#include <QObject>
#include <QStringList>

// Counts the signals a model declares itself, by name, so a test can check
// that each change was announced once and that nothing unchanged was.
class SignalLog : public QObject {
    Q_OBJECT
public:
    using Counts = QMap<QString, int>;

    // Signals named in `ignored` are not counted.
    explicit SignalLog(QObject *source, const QStringList &ignored = {});

    // The counts since the last take(), and forget them.
    Counts take();

    // One emission of the change signal of each property named in the
    // space-separated list: "total phase" is totalChanged and phaseChanged.
    static Counts once(const char *properties);

private Q_SLOTS:
    void record();

private:
    QStringList m_ignored;
    Counts m_counts;
};
