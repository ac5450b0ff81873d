#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class FakeHome;

// A home laid out like a desktop user's after a year of use: browsers in
// every packaging, Electron apps, Flatpaks and snaps, games, office and
// developer tools, each with its caches in the folder shapes those programs
// really make, beside the data that must survive any clean (profiles,
// cookies, history, keys, local storage, databases, documents). Among them:
// cache names that look like the engine's own text or are not UTF-8, links
// from a cache into the documents, files named like core dumps that are not.
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

private:
    void junk(const QByteArray &path, const QString &section, const QString &label,
              QList<Junk> *list = nullptr);
    void sensitive(const QByteArray &path);
    void profile(const QByteArray &folder, const QString &section, const QString &label);
    void browsers();
    void applications();
    void special();

    FakeHome &m_home;
    QList<Junk> m_junk, m_review;
    QList<QByteArray> m_sensitive;
};
