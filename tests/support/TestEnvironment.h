#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include "support/TestPaths.h"

#include <ftw.h>

#include <cstdio>
#include <iterator>

// A throwaway home for one test: HOME, the XDG folders and
// BRIGHTLOFT_RESOURCES all point inside a temporary folder for the object's
// lifetime, so nothing a test runs can touch the real user's files.
class TestEnvironment {
    // Each variable and the folder it points at inside the temporary one.
    static constexpr const char *kVariables[][2] = {{"HOME", "/home"},
                                                    {"XDG_CONFIG_HOME", "/home/.config"},
                                                    {"XDG_CACHE_HOME", "/home/.cache"},
                                                    {"XDG_DATA_HOME", "/home/.local/share"},
                                                    {"XDG_STATE_HOME", "/home/.local/state"},
                                                    {"XDG_RUNTIME_DIR", "/runtime"},
                                                    {"BRIGHTLOFT_RESOURCES", "/resources"}};

public:
    TestEnvironment() {
        Q_ASSERT(m_dir.isValid());
        for (std::size_t i = 0; i < std::size(kVariables); ++i) {
            m_saved[i] = qgetenv(kVariables[i][0]);
            const QString folder = m_dir.path() + QLatin1StringView(kVariables[i][1]);
            QDir().mkpath(folder);
            qputenv(kVariables[i][0], QFile::encodeName(folder));
        }
        QFile::setPermissions(m_dir.path() + u"/runtime"_qs,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ~TestEnvironment() {
        for (std::size_t i = 0; i < std::size(kVariables); ++i)
            m_saved[i].isNull() ? qunsetenv(kVariables[i][0])
                                : qputenv(kVariables[i][0], m_saved[i]);
        // QTemporaryDir gives up on names that are not UTF-8, which the tests
        // make on purpose; remove the tree by its bytes instead, depth first,
        // never following a link or entering another file system, and on
        // with the rest whatever happened to one entry.
        ::nftw(
            QFile::encodeName(m_dir.path()).constData(),
            [](const char *path, const struct stat *, int, struct FTW *) {
                return std::remove(path), 0;
            },
            16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
    }
    TestEnvironment(const TestEnvironment &) = delete;
    TestEnvironment &operator=(const TestEnvironment &) = delete;

    QString home() const { return m_dir.path() + u"/home"_qs; }            // the temporary HOME
    QString resources() const { return m_dir.path() + u"/resources"_qs; }  // its resources

    // Writes an executable shell script (a "#!/bin/sh" line is added) and
    // returns its path. Replaced, never written through: the path may be a
    // link to the real engine (installRealEngine), which must stay intact.
    QString writeScript(const QString &path, const QString &body) const {
        QFile::remove(path);
        if (!writeFile(path, "#!/bin/sh\n" + body.toUtf8()))
            qFatal("cannot write %s", qPrintable(path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    // The paths the app looks for engines at.
    QString installEngineInResources(const QString &body) const {
        return writeScript(resources() + u"/engine/mole"_qs, body);
    }
    QString installEngineInHome(const QString &body) const {
        return writeScript(home() + u"/.local/bin/mo"_qs, body);
    }
    // Puts the real bundled engine (built alongside the tests) in the resources.
    QString installRealEngine() const {
        const QString target = resources() + u"/engine/mole"_qs;
        QDir().mkpath(resources() + u"/engine"_qs);
        QFile::remove(target);
        if (!QFile::link(TestPaths::fromEnvironment("MOLE_BINARY"), target))
            qFatal("cannot link the engine into %s", qPrintable(target));
        return target;
    }

    // Writes `bytes` to `path`, making its folders; false when it cannot.
    static bool writeFile(const QString &path, const QByteArray &bytes = "data") {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    // The bytes of `path`; empty when it cannot be read.
    static QByteArray readFile(const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_saved[std::size(kVariables)];
};
