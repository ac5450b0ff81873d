#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTest>

#include "support/ScriptedEngine.h"
#include "support/TestEnvironment.h"
#include "uninstaller/AppsModel.h"
#include "uninstaller/InstalledApp.h"

// A scripted engine for the Uninstaller tests. It notes each invocation
// ("$*") in `log`; `--list` prints `list`; `--dry-run NAME` waits until the
// file `gate` exists (when given) and prints dryRuns[NAME]; `uninstall NAME`
// runs the shell piece removals[NAME]; `trash` is the real engine's.
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
    int dryRunsOf(const QString &name) const {
        return int(invocations().count(u"uninstall --dry-run "_qs + name));
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
    QJsonArray list;
    for (const InstalledApp &a : apps)
        list.append(QJsonObject{{u"name"_qs, a.name},
                                {u"bundle_id"_qs, a.bundleId},
                                {u"source"_qs, a.source},
                                {u"uninstall_name"_qs, a.uninstallName},
                                {u"path"_qs, a.path}});
    return QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
}

inline QStringList leftoverPaths(const AppsModel::Preview &preview) {
    QStringList out;
    for (const AppsModel::Leftover &l : preview.plan.files) out.append(l.path);
    return out;
}

// The Uninstaller's model over the scripted engine in a temporary home.
struct AppsScene {
    TestEnvironment env;
    AppsEngine engine{env.home() + u"/engine.log"_qs, {}, {}, {}, {}};
    AppsModel model;

    void install() const { env.installEngineInResources(engine.script()); }
    bool load() {
        model.load();
        const bool done = QTest::qWaitFor([&] { return !model.isLoading(); }, 10000);
        QCoreApplication::processEvents();
        return done;
    }
    // The model lists `apps`.
    void listed(const QList<InstalledApp> &apps) {
        engine.list = listJson(apps);
        install();
        QVERIFY(load());
        QCOMPARE(model.apps(), apps);
    }
    // The model lists `app`, which is selected with these files as its plan.
    void planned(const InstalledApp &app, const QStringList &files) {
        engine.dryRuns.insert(app.uninstallName, dryRun(files, u"1.2 MB"_qs));
        listed({app});
        model.select(app.path);
        QTRY_COMPARE(model.preview().kind, AppsModel::Preview::files);
    }
    void removeEngine() const { QFile::remove(env.resources() + u"/engine/mole"_qs); }
};

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
