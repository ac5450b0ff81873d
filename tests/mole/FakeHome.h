#pragma once

#include <QMap>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include "EngineProcess.h"
#include "EngineText.h"

// A temporary home for the deleting engine commands, built with POSIX calls
// on byte names (they may not be valid UTF-8), and the engine run through the
// app's own runner, filters and report parser.
class FakeHome {
public:
    FakeHome();  // points HOME and the XDG folders inside, installs the real engine

    QString home() const { return m_env.home(); }
    QByteArray at(const QByteArray &relative) const { return m_root + '/' + relative; }

    // Each makes the folders above it.
    void folder(const QByteArray &relative);
    void file(const QByteArray &relative, qsizetype bytes = 5000);
    void text(const QByteArray &relative, const QByteArray &text);
    void symlink(const QByteArray &target, const QByteArray &relative);
    void program(const QByteArray &relative, qsizetype bytes = 1000);  // an executable file
    // A file at Trash/files/<entry>, and the .trashinfo of its top entry.
    void trashed(const QByteArray &entry, qsizetype bytes = 9000);
    void remove(const QByteArray &relative);  // the whole tree
    // Whether an entry is there, without following a link.
    bool has(const QByteArray &relative) const;

    // Every entry below the home, relative to it, without following links.
    QSet<QByteArray> snapshot() const;
    // Everything at and below an absolute path, without following links:
    // "/relative path" -> type, mode, size and a checksum of the contents (or
    // the link's target). Equal fingerprints mean nothing there changed.
    static QMap<QByteArray, QByteArray> fingerprint(const QByteArray &path);
    // Entries of `before` at or below any of `roots`.
    static QSet<QByteArray> below(const QSet<QByteArray> &before, const QList<QByteArray> &roots);

    // Lets other users reach the home (the temporary folder holding it is
    // private); nothing outside that folder is changed.
    void openToOthers();

    const TestEnvironment &env() const { return m_env; }

private:
    TestEnvironment m_env;
    QByteArray m_root;
};

// A program that stands in for a running application called `name`: a copy
// of sleep(1) under that name, for as long as the object lives.
struct RunningApp {
    QTemporaryDir dir;
    QProcess process;
    explicit RunningApp(const QString &name);
    ~RunningApp();
};
