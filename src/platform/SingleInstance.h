#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One running copy per user: a second launch hands over to the first (which
// raises its window) and quits. Works through a local socket named per user.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The socket name for this user; tests pass their own.
    static QString defaultName();

    explicit SingleInstance(const QString &name = defaultName(), QObject *parent = nullptr);

    // Asks a running copy to come forward. True when one answered: this copy
    // should quit. Otherwise starts listening, so later launches find us.
    bool handOver();

Q_SIGNALS:
    // A later launch asked this copy to show itself.
    void activationRequested();

private:
    void listen();

    QString m_name;
    QLocalServer *m_server = nullptr;
};
