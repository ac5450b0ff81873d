#pragma once

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include "support/TestEnvironment.h"

// A temporary home whose file access can be taken away: the access probes
// are the home and XDG cache and config folders, so pointing them at missing
// folders reads as "not granted". The flags live in a folder of their own,
// so they survive that.
class AppFixture {
public:
    AppFixture() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_flags.path());
        QSettings(u"Brightloft"_qs, u"Brightloft"_qs).clear();
    }

    TestEnvironment &env() { return m_env; }

    void setAccess(bool granted) {
        const QString root = granted ? m_env.home() : m_env.home() + u"/missing"_qs;
        qputenv("HOME", QFile::encodeName(root));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(root + u"/.cache"_qs));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + u"/.config"_qs));
    }

    // An engine that streams status readings until stopped; each start of
    // the status watch adds a line to starts().
    void installEngine() {
        m_env.installEngineInResources(u"case \"$1\" in status) echo $$ >> '"_qs + startsFile() +
                                       u"'; exec sleep 30;; *) exit 0;; esac\n"_qs);
    }

    QString startsFile() const { return m_flags.path() + u"/starts"_qs; }
    int starts() const { return int(TestEnvironment::readFile(startsFile()).count('\n')); }

private:
    TestEnvironment m_env;
    QTemporaryDir m_flags;
};
