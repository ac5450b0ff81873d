#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

class FakeHome;

// A home laid out like a desktop user's after a year of use: browsers in
// every packaging, Electron apps, Flatpaks and snaps, games, office and
// developer tools, each with its caches in the folder shapes those programs
// really make, beside the data that must survive any clean (profiles,
// cookies, history, keys, local storage, databases, documents).
class RealisticHome {
public:
    explicit RealisticHome(FakeHome &home);

    // Something the dry run must offer: the file, and the item that holds it.
    struct Junk {
        QByteArray path;
        QString section;
        QString label;
    };
    const QList<Junk> &junk() const { return m_junk; }
    // Offered for review only: listed by label, never removed.
    const QList<Junk> &review() const { return m_review; }
    // Never listed, never touched.
    const QList<QByteArray> &sensitive() const { return m_sensitive; }

    // A checksum of every sensitive file, to compare after a clean.
    QHash<QByteArray, QByteArray> checksums() const;

private:
    void junk(const QByteArray &path, const QString &section, const QString &label,
              int bytes = 24'000);
    void sensitive(const QByteArray &path, int bytes = 3'000);
    void reviewOnly(const QByteArray &path, const QString &section, const QString &label);
    void write(const QByteArray &path, const QByteArray &content);

    void browsers();
    void chromiumProfile(const QByteArray &root, const QByteArray &profile, const QString &label);
    void electronApp(const QByteArray &folder, const QString &label);
    void applications();
    void developerTools();
    void logsAndDumps();
    void everythingElse();

    FakeHome &m_home;
    QList<Junk> m_junk, m_review;
    QList<QByteArray> m_sensitive;
    int m_serial = 0;
};

// The ELF header of a core file (type 4) or an executable (type 2), in
// little- or big-endian byte order, followed by some bytes.
QByteArray elfFile(int type, bool bigEndian = false);
