#pragma once

#include <QApplication>
#include <QTest>

#include <optional>

#include "spacelens/SpaceModel.h"
#include "spacelens/SpaceRows.h"
#include "spacelens/SpaceView.h"
#include "support/ScreenShots.h"
#include "support/ScriptedEngine.h"
#include "support/TestEnvironment.h"

// A file (or folder) named after the last part of its path.
inline DiskEntry entry(const QString &path, qint64 size, bool folder = false) {
    return {path.section(u'/', -1), path, size, folder, {}, {}, {}};
}

// The engine's report on `folder` ("/" for the whole computer).
inline QString reportJson(const QString &folder, const QList<DiskEntry> &entries) {
    QStringList items;
    for (const DiskEntry &e : entries)
        items.append(u"{\"name\":\"%1\",\"path\":\"%2\",\"size\":%3,\"is_dir\":%4}"_qs.arg(
            e.name, e.path, QString::number(e.size), e.isFolder() ? u"true"_qs : u"false"_qs));
    return u"{\"path\":\"%1\",\"entries\":[%2]}"_qs.arg(folder, items.join(u','));
}

// Space Lens over a scripted engine in a temporary home. The engine answers
// "analyze --json <folder>" with the file answer() wrote for the folder,
// after `delay` seconds; a folder without one fails as an unreadable folder
// does. It logs "start <folder>" and "end <folder>" (the whole computer is
// the empty folder); "trash" goes to the real engine.
struct SpaceScene {
    TestEnvironment env;
    SpaceModel model;
    std::optional<SpaceView> view;

    explicit SpaceScene(double delay = 0) {
        env.installEngineInResources(
            ScriptedEngine::realTrash() +
            u"[ \"$1 $2\" = 'analyze --json' ] || exit 1\n"
            "echo \"start $3\" >> \"$HOME/runs.log\"\nsleep "_qs +
            QString::number(delay) +
            u"\nr=0\ncat \"$HOME/answers$3.json\" 2>/dev/null ||"
            " { echo 'Permission denied' >&2; r=1; }\necho \"end $3\" >> \"$HOME/runs.log\"\n"
            "exit $r\n"_qs);
    }
    void answer(const QString &folder, const QString &output) const {
        QVERIFY(TestEnvironment::writeFile(
            env.home() + u"/answers"_qs + (folder == u"/" ? QString() : folder) + u".json"_qs,
            output.toUtf8()));
    }
    void answer(const QString &folder, const QList<DiskEntry> &entries) const {
        answer(folder, reportJson(folder, entries));
    }
    void show() {
        view.emplace(&model);
        ScreenShots::present(&*view);
        QApplication::setActiveWindow(&*view);
    }
    // True once nothing is being measured, with the view drawn.
    bool settle() {
        const bool done = QTest::qWaitFor([&] { return model.measuring().isEmpty(); }, 10000);
        QCoreApplication::processEvents();
        return done;
    }
    QStringList runs() const {
        return QString::fromUtf8(TestEnvironment::readFile(env.home() + u"/runs.log"_qs))
            .split(u'\n', Qt::SkipEmptyParts);
    }
    QString folder(const QString &name) const {
        const QString path = env.home() + u'/' + name;
        QDir().mkpath(path);
        return path;
    }
    QStringList rowNames() const {
        QStringList out;
        for (int i = 0; i < view->rows()->rowCount(); ++i)
            out.append(view->rows()->index(i).data().toString());
        return out;
    }
};
