#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One running copy per user: a second launch hands over to the first (which
// raises its window) and quits.
//
// Everything lives in a private folder: one that only this user can enter,
// so no other user can take our names first or answer in our place. The
// running copy holds an exclusive lock on a file there for its whole life (the
// kernel drops it when the process dies, so a crash leaves nothing stale) and
// listens on a socket beside it. A peer on that socket whose user id is not
// ours is ignored in both directions. Without a private folder the app runs
// without this guard: it never trusts a shared place instead.
//
// A read-only runtime folder is passed over for the private folder in the
// temporary folder, which every copy chooses alike, so two copies still meet.
// (An abstract socket would need no folder at all, but its names are shared
// by every user of the machine: anyone could take ours first.)
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // $XDG_RUNTIME_DIR when it is a real folder of ours, mode 0700 and
    // writable; else "brightloft-<uid>" in the temporary folder, made with
    // mode 0700 when missing and used only when it is ours, 0700 and not a
    // symbolic link. Empty when neither will do.
    static QString privateFolder();

    // The lock and the socket go in `folder`; tests pass their own. An empty
    // folder turns the guard off.
    explicit SingleInstance(const QString &folder = privateFolder(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when another copy runs: it has been asked to come forward (or it
    // cannot be reached), and this copy should quit. Otherwise this copy is
    // the one that runs, and listens so that later launches find it.
    bool handOver();

    QString socketPath() const;

Q_SIGNALS:
    // A later launch asked this copy to show itself.
    void activationRequested();

private:
    bool askRunningCopy() const;
    void listen();

    QString m_folder;
    int m_lock = -1;
    QLocalServer *m_server = nullptr;
};
