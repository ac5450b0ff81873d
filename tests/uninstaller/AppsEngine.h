#pragma once

#include <QFile>
#include <QMap>
#include <QString>
#include <QStringList>

#include "support/ScriptedEngine.h"
#include "uninstaller/AppsModel.h"
#include "uninstaller/InstalledApp.h"

// A scripted engine for the Uninstaller tests. It notes each invocation
// ("$*") in `log`; `--list` prints `list`; `--dry-run NAME` waits until the
// file `gate` exists (when given) and prints dryRuns[NAME]; `uninstall NAME`
// runs the shell piece removals[NAME].
struct AppsEngine {
    QString log;
    QString list;
    QMap<QString, QString> dryRuns;
    QMap<QString, QString> removals;
    QString gate;

    QString script() const {
        QString s = ScriptedEngine::realTrash() + u"printf '%s\\n' \"$*\" >> '"_qs + log +
                    u"'\ncase \"$1 $2\" in\n"_qs;
        s += u"'uninstall --list') "_qs + ScriptedEngine::printLines({list}) + u";;\n"_qs;
        s += u"'uninstall --dry-run')\n"_qs;
        if (!gate.isEmpty())
            s += u"  while [ ! -e '"_qs + gate + u"' ]; do sleep 0.02; done\n"_qs;
        s += u"  case \"$3\" in\n"_qs;
        for (auto it = dryRuns.cbegin(); it != dryRuns.cend(); ++it)
            s += u"  '"_qs + it.key() + u"') "_qs +
                 ScriptedEngine::printLines(it.value().split(u'\n')) + u";;\n"_qs;
        s += u"  esac\n  printf '%s\\n' \"end $3\" >> '"_qs + log + u"' ;;\n*) case \"$2\" in\n"_qs;
        for (auto it = removals.cbegin(); it != removals.cend(); ++it)
            s += u"  '"_qs + it.key() + u"') "_qs + it.value() + u"\n;;\n"_qs;
        return s + u"  esac ;;\nesac\n"_qs;
    }

    QStringList invocations() const {
        return QString::fromUtf8(TestEnvironment::readFile(log)).split(u'\n', Qt::SkipEmptyParts);
    }
};

// An app as the engine lists it, at /opt/<name> unless `path` says otherwise.
inline InstalledApp app(const QString &name, const QString &source = u"AppImage"_qs,
                        const QString &path = {}) {
    return {name, u"org.example."_qs + name, source, name.toLower(),
            path.isEmpty() ? u"/opt/"_qs + name : path};
}

// Dry-run output with one leftover line per path, then the total.
inline QString dryRun(const QStringList &paths, const QString &total = u"1.5 MB"_qs) {
    QString out = u"Removing things\n"_qs;
    for (const QString &p : paths) out += u"  \u2713 "_qs + p + u" , 4 KB\n"_qs;
    return out + u"Potential space: "_qs + total;
}

// The engine's listing of `apps`.
inline QString listJson(const QList<InstalledApp> &apps) {
    QStringList objects;
    for (const InstalledApp &app : apps)
        objects.append(
            u"{\"name\":\"%1\",\"bundle_id\":\"%2\",\"source\":\"%3\",\"uninstall_name\":\"%4\","
            "\"path\":\"%5\"}"_qs.arg(app.name, app.bundleId, app.source, app.uninstallName,
                                      app.path));
    return u'[' + objects.join(u',') + u']';
}

Q_DECLARE_METATYPE(AppsModel::Preview)

// Failure messages of QCOMPARE name the preview's case and text.
inline char *toString(const AppsModel::Preview &p) {
    static const char *const kinds[] = {"none",     "loading", "files",
                                        "removing", "removed", "failed"};
    QString text = QString::fromLatin1(kinds[p.kind]);
    if (p.kind == AppsModel::Preview::files)
        text += u'(' + QString::number(p.plan.files.size()) + u" files, "_qs + p.plan.total + u')';
    if (!p.message.isEmpty())
        text += u"(\""_qs + p.message + u"\")"_qs;
    return qstrdup(text.toUtf8().constData());
}
