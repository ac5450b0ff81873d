#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include "support/TestPaths.h"

#include <ftw.h>

#include <cstdio>

// Each variable and the folder it points at inside the temporary one.
static const char *const kVariables[][2] = {{"HOME", "/home"},
                                            {"XDG_CONFIG_HOME", "/home/.config"},
                                            {"XDG_CACHE_HOME", "/home/.cache"},
                                            {"XDG_DATA_HOME", "/home/.local/share"},
                                            {"XDG_STATE_HOME", "/home/.local/state"},
                                            {"XDG_RUNTIME_DIR", "/runtime"},
                                            {"BRIGHTLOFT_RESOURCES", "/resources"}};

TestEnvironment::TestEnvironment() {
    Q_ASSERT(m_dir.isValid());
    for (int i = 0; i < 7; ++i) {
        m_saved[i] = qgetenv(kVariables[i][0]);
        const QString folder = m_dir.path() + QLatin1StringView(kVariables[i][1]);
        QDir().mkpath(folder);
        qputenv(kVariables[i][0], QFile::encodeName(folder));
    }
    QFile::setPermissions(m_dir.path() + u"/runtime"_qs,
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

namespace {

int removeEntry(const char *path, const struct stat *, int, struct FTW *) {
    std::remove(path);
    return 0;  // on with the rest whatever happened to this one
}

}  // namespace

TestEnvironment::~TestEnvironment() {
    for (int i = 0; i < 7; ++i) {
        if (m_saved[i].isNull())
            qunsetenv(kVariables[i][0]);
        else
            qputenv(kVariables[i][0], m_saved[i]);
    }
    // QTemporaryDir gives up on names that are not UTF-8, which the tests
    // make on purpose; remove the tree by its bytes instead, depth first,
    // never following a link or entering another file system.
    ::nftw(QFile::encodeName(m_dir.path()).constData(), removeEntry, 16,
           FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
}

QString TestEnvironment::home() const {
    return m_dir.path() + u"/home"_qs;
}
QString TestEnvironment::resources() const {
    return m_dir.path() + u"/resources"_qs;
}

QString TestEnvironment::writeScript(const QString &path, const QString &body) const {
    QDir().mkpath(QFileInfo(path).path());
    // Replaced, never written through: the path may be a link to the real
    // engine (installRealEngine), which must stay intact.
    QFile::remove(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write("#!/bin/sh\n");
    file.write(body.toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QString TestEnvironment::installEngineInResources(const QString &body) const {
    return writeScript(resources() + u"/engine/mole"_qs, body);
}

QString TestEnvironment::installEngineInHome(const QString &body) const {
    return writeScript(home() + u"/.local/bin/mo"_qs, body);
}

QString TestEnvironment::installRealEngine() const {
    const QString target = resources() + u"/engine/mole"_qs;
    QDir().mkpath(resources() + u"/engine"_qs);
    QFile::remove(target);
    if (!QFile::link(TestPaths::fromEnvironment("MOLE_BINARY"), target))
        qFatal("cannot link the engine into %s", qPrintable(target));
    return target;
}

bool TestEnvironment::writeFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray TestEnvironment::readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
