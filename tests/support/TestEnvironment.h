#pragma once

#include <QString>
#include <QTemporaryDir>

// A throwaway home for one test: HOME, the XDG folders and
// BRIGHTLOFT_RESOURCES all point inside a temporary folder for the object's
// lifetime, so nothing a test runs can touch the real user's files.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment &) = delete;
    TestEnvironment &operator=(const TestEnvironment &) = delete;

    QString home() const;       // the temporary HOME
    QString resources() const;  // the temporary resources folder

    // Writes an executable shell script (a "#!/bin/sh" line is added) and
    // returns its path. The paths the app looks for engines at:
    QString writeScript(const QString &path, const QString &body) const;
    QString installEngineInResources(const QString &body) const;  // <resources>/engine/mole
    QString installEngineInHome(const QString &body) const;       // ~/.local/bin/mo
    // Puts the real bundled engine (built alongside the tests) in the resources.
    QString installRealEngine() const;

    // Writes `bytes` to `path`, making its folders; false when it cannot.
    static bool writeFile(const QString &path, const QByteArray &bytes = "data");
    // The bytes of `path`; empty when it cannot be read.
    static QByteArray readFile(const QString &path);

private:
    QTemporaryDir m_dir;
    QByteArray m_saved[7];
};
