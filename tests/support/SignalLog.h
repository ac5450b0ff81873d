#pragma once

#include <QObject>
#include <QStringList>

// Records, in emission order, the names of the signals a model declares
// itself, so a test can check the order in which changes were published.
class SignalLog : public QObject {
    Q_OBJECT
public:
    explicit SignalLog(QObject *source);

    QStringList names;  // e.g. {"sectionsChanged", "phaseChanged"}

    // The names recorded since the last take(), and forget them.
    QStringList take();
    // The recorded names with repeats of one signal in a row folded into one.
    QStringList folded() const;

private Q_SLOTS:
    void record();
};
